#include "tests/conformance/support/Dice.h"

#include "tests/conformance/support/SuiteSettings.h"

namespace conformance {

Dice::Dice(std::uint32_t salt) : seed_(baseSeed() ^ (salt * 2654435761u)), engine_(seed_) {}

int Dice::between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(engine_);
}

float Dice::unit() {
    // Both ends matter for parameters: hit them on purpose now and then.
    const int pick = between(0, 15);
    if (pick == 0) return 0.0f;
    if (pick == 1) return 1.0f;
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(engine_);
}

} // namespace conformance
