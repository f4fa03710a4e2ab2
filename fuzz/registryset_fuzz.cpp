// Stored settings are outside input: any hex text read into the system
// settings must be refused or applied, never read beyond, and leave a row
// that writes and reads back.
#include "framework/platform/RegistryHex.h"
#include "framework/settings/RegistrySet.h"
#include "framework/settings/SysGlo_c.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static ParaSet_c* shared = nullptr;
    static SysGlo_c part("Fuzz");
    if (!shared) {
        ::setenv("KELVANTI_REGISTRY_DIR", "/nonexistent-kelvanti-fuzz", 1); // never the user's settings
        part.defineSharedParameters(shared);
    }
    const std::vector<uint8_t> bytes = decodeRegistryHex(std::string_view(reinterpret_cast<const char*>(data), size));
    readSetBlob(part, bytes.data(), bytes.size(), 0);
    std::vector<uint8_t> row(part.getChunkSize(0));
    const std::size_t written = part.writeChunk(0, row.data(), row.size());
    if (written == 0 || !readSetBlob(part, row.data(), written, 0))
        __builtin_trap();
    std::vector<uint8_t> again(part.getChunkSize(0));
    if (part.writeChunk(0, again.data(), again.size()) != written ||
        !std::equal(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(written), again.begin()))
        __builtin_trap();
    return 0;
}
