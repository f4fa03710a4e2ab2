#pragma once
// A uniform random number in 0..1, both ends included, from the owner's own
// 15-bit generator. Not thread-safe: the generator belongs to one instance.
#include "os/Random.h"

inline float randomUnit(os::Random15& generator) {
    return static_cast<float>(generator.next()) * (1.0f / static_cast<float>(os::Random15::kMax));
}
