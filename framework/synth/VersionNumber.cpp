#include "framework/synth/VersionNumber.h"

namespace synth {

int versionNumberFromText(const char* text) {
    int value = 0;
    if (text) {
        for (const char* c = text; *c && value < 1000; ++c) {
            if (*c >= '0' && *c <= '9') value = value * 10 + (*c - '0');
        }
    }
    if (value == 0) return 0;  // nothing to scale: multiplying would never reach 1000
    while (value < 1000) value *= 10;
    return value;
}

} // namespace synth
