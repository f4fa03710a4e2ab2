#pragma once
// Module parameter files (".MOD"): one module row saved as its set chunk
// (word 0 the module's type code, word 1 the chunk's byte length), loaded
// back, and copied and pasted through a clipboard. Runs on the editor's
// thread (it may show dialogs); loading holds the instrument's processing
// while the row is replaced.
#include "framework/model/SetTypeId.h"
#include "framework/platform/FileDialog_c.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Part_c;
class SynthServices;

class ModuleManager_c {
public:
    enum Command { kLoad = 0, kSave = 1, kCopy = 2, kPaste = 3, kReset = 4 };
    // The largest module file read; a longer word 1 is refused.
    static constexpr std::size_t kWorkBufferSize = 0x10000;
    // Rows of this size or more are not copied.
    static constexpr std::size_t kClipboardSize = 0x4000;

    explicit ModuleManager_c(SynthServices* synth);

    // Runs a command on the part's row; module name: "ECS", "Osc", ...
    void run(Part_c* part, int row, int command, const char* moduleName);

    // Changes nothing unless the file holds a chunk of this part's type:
    // word 0 = the type code, 12 <= word 1 <= the work buffer and <= the
    // file's size, and the row has an instrument.
    bool loadFile(Part_c& part, std::string_view path, int row);
    // The chunk length a module file's bytes hold for a part of type id, or
    // 0 when they are refused (the checks of loadFile). Pure.
    static std::size_t moduleChunkLength(const uint8_t* bytes, std::size_t size, SetTypeId id);
    // False when the chunk is empty or the file cannot be written (an
    // existing file is then unchanged); reason (when given) then says why.
    // run shows that failure in an error box.
    bool saveFile(Part_c& part, std::string_view path, int row, std::string* reason = nullptr);
    bool copy(Part_c& part, int row);
    // Only a clipboard taken from the same kind of part is pasted.
    bool paste(Part_c& part, int row);

    FileDialog_c& dialog() { return dialog_; }

private:
    SynthServices* synth_;
    FileDialog_c dialog_;
    std::vector<uint8_t> clipboard_; // empty until a copy
};
