#pragma once
// Process-wide constant tables of the audio road. They are compile-time data,
// so any thread may read them at any time, before or after a plug-in exists.
#include <cstddef>
#include <cstdint>
#include <cstring>

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
// reading the table: a silent block touches only the host's buffers (inline
// for the same reason).
inline void fillTiny(float* dst, int32_t n) {
    if (dst == nullptr) return;
    // The template's period is 2 and its length even, so sample i is the
    // template's sample i % 2 wherever it restarts.
    static_assert(kTableSize % 2 == 0, "the tiny template restarts on an even sample");
    static constexpr float kStretch[16] = {-1e-7f, 1e-7f, -1e-7f, 1e-7f, -1e-7f, 1e-7f, -1e-7f, 1e-7f,
                                           -1e-7f, 1e-7f, -1e-7f, 1e-7f, -1e-7f, 1e-7f, -1e-7f, 1e-7f};
    constexpr int32_t kLength = 16;
    int32_t i = 0;
    for (; i + kLength <= n; i += kLength) std::memcpy(dst + i, kStretch, sizeof(kStretch));
    if (i < n) std::memcpy(dst + i, kStretch, sizeof(float) * static_cast<size_t>(n - i));
}

} // namespace audiotables
