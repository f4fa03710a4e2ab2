#pragma once
// The open, save and choose-folder dialogs, remembering the last folder of
// each dialog in a registry value of the dialog's name. Dialogs appear only
// on the editor's thread (EditorThread.h); elsewhere run answers "cancelled".
// The current directory is never changed: the last folder is the dialog's
// start folder.
#include "framework/platform/Disk_c.h"

#include <string>
#include <string_view>
#include <vector>

class SynthServices;

class FileDialog_c {
public:
    enum Mode { kOpen = 0, kSave = 1, kChooseFolder = 2 };

    explicit FileDialog_c(SynthServices* synth);
    // Writes the last folder to the registry when one is known.
    ~FileDialog_c();
    FileDialog_c(const FileDialog_c&) = delete;
    FileDialog_c& operator=(const FileDialog_c&) = delete;

    void setName(std::string_view registryName); // default "FileDialog"
    void setTitle(std::string_view title);       // default "File Dialog"
    // Description ("Any File" by default) and patterns ("*.MOD"); no
    // patterns means "*.*".
    void setFilter(std::string_view description, const std::vector<std::string>& patterns);
    void setMode(Mode mode) { mode_ = mode; }

    // The chosen path, or empty when cancelled, refused or over the path
    // limit. Saving onto an existing file asks "Overwrite existing file ?";
    // "no" answers empty. A result makes its folder the last folder, stored
    // at once.
    std::string run();

    const std::string& lastFolder() const { return lastFolder_; }
    const std::string& title() const { return title_; }

private:
    void storeLastFolder() const;

    SynthServices* synth_;
    std::string title_ = "File Dialog";
    std::string description_ = "Any File";
    std::vector<std::string> patterns_{"*.*"};
    std::string registryName_ = "FileDialog";
    std::string lastFolder_;
    Mode mode_ = kOpen;
};
