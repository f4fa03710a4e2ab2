#include "os/Seed.h"

#include <cstdlib>

#include "os/Clock.h"

namespace os {

uint32_t instanceSeed() {
    const char* text = std::getenv("KELVANTI_RANDOM_SEED");
    if (text && *text) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(text, &end, 10);
        if (end && *end == 0) return static_cast<uint32_t>(value);
    }
    return tickMs();
}

} // namespace os
