#pragma once
// Key-to-frequency through a 129-entry table (keys 0..128, Hz): linear
// interpolation; keys outside 0..127 extrapolate the end segments (they can
// give frequencies of 0 or below, which callers must accept).

namespace dsp {

constexpr int kFrequencyTableSize = 129;

// 12-tone equal temperament, 8.1758 Hz at key 0 (440 Hz at key 69).
void fillEqualTemperament(float* table);

float interpolateFrequency(const float* table, float key);

// The equal-tempered table, built once per process; read-only.
const float* equalTemperamentTable();

} // namespace dsp
