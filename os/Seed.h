#pragma once
// The seed of a plug-in instance's random generator: the millisecond clock,
// so every instance varies a little like the hardware it models; or, when
// KELVANTI_RANDOM_SEED holds a decimal number, that number, so renders can be
// repeated and compared (tests, builds against each other).
#include <cstdint>

namespace os {

// Any thread; no allocation.
uint32_t instanceSeed();

} // namespace os
