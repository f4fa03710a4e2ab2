#pragma once
// Process-wide constant tables of the audio road. They are compile-time data,
// so any thread may read them at any time, before or after a plug-in exists.
#include <cstdint>

namespace audiotables {

// Length of both tables; silence is copied from the template in pieces of this size.
constexpr int32_t kTableSize = 256;

// The "silence" written into every output before rendering: −1e-7, +1e-7, −1e-7, …
// Tiny non-zero values keep hosts and downstream effects out of denormal ranges.
const float* tinyValues();

// 256 gains of exactly 1.0.
const float* unityGains();

// Copies the template over n samples of dst, restarting it every 256 samples.
// Nothing for n <= 0 or a null pointer. Allocates nothing.
void copyTemplate(float* dst, int32_t n, const float* tmpl);

// The same samples as copyTemplate(dst, n, tinyValues()), written without
// reading the table: a silent block touches only the host's buffers.
void fillTiny(float* dst, int32_t n);

} // namespace audiotables
