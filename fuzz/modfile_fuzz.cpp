// Module files come from anywhere: the checks must refuse what does not fit
// and the row reader must take whatever passes them.
#include "framework/platform/ModuleManager_c.h"
#include "framework/settings/ECS2_c.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static ParaSet_c* shared = nullptr;
    static ECS2_c part(nullptr, "Fuzz");
    if (!shared)
        part.defineSharedParameters(shared);
    // A copy of exactly the input's size, so reads beyond it are caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const std::size_t length = ModuleManager_c::moduleChunkLength(bytes.data(), bytes.size(), part.getTypeId());
    if (length > bytes.size())
        __builtin_trap();
    if (length > 0) {
        part.readChunk(bytes.data(), length, 0);
        std::vector<uint8_t> out(part.getChunkSize(0));
        if (part.writeChunk(0, out.data(), out.size()) == 0)
            __builtin_trap();
    }
    return 0;
}
