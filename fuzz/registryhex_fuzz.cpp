// Stored settings text is outside input: the hex reader must take any bytes.
#include "framework/platform/RegistryHex.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<uint8_t> bytes = decodeRegistryHex(text);
    if (bytes.size() != size / 2)
        __builtin_trap();
    // Text made of upper-case digits survives a round trip.
    const std::string encoded = encodeRegistryHex(bytes.data(), bytes.size());
    if (decodeRegistryHex(encoded) != bytes)
        __builtin_trap();
    return 0;
}
