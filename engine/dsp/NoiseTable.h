#pragma once
// The small table of white noise that every coloured-noise source reads.
#include <cstdint>

namespace os { class Random15; }

namespace dsp {

constexpr int kNoiseTableSize = 128;

// 128 values r / 32767 × 2 - 1 from a 15-bit generator: all within [-1, 1].
void fillNoiseTable(float* table, os::Random15& random);

// The process-wide table, filled once on first use (thread-safely) from the
// 15-bit generator with a fixed seed, so renders repeat; read-only afterwards.
const float* sharedNoiseTable();

} // namespace dsp
