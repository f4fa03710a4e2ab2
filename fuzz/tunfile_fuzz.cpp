// Tuning files come from anywhere: every line must parse to a key in range
// and a finite, positive frequency, or be refused, in bounded time.
#include "framework/settings/TunFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        TunLine parsed;
        if (parseTunLine(line.substr(0, 319), parsed)) {
            if (parsed.key < 0 || parsed.key > 127 || !(parsed.frequency > 0.0f) || !std::isfinite(parsed.frequency))
                __builtin_trap();
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
