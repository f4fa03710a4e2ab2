#pragma once
// The suite's random choices: seeded from the settings plus a per-check
// salt, so every check repeats exactly and a seed reproduces a failure.
#include <cstdint>
#include <random>

namespace conformance {

class Dice {
public:
    explicit Dice(std::uint32_t salt);
    int between(int low, int high);   // inclusive
    float unit();                     // 0..1 inclusive
    std::uint32_t seed() const { return seed_; }

private:
    std::uint32_t seed_;
    std::mt19937 engine_;
};

} // namespace conformance
