#pragma once
// Per-instance 15-bit pseudo-random generator with the Windows runtime's
// sequence (0..32767). Replaces rand()/srand(), which glibc makes 31-bit and
// process-wide. Not thread-safe: each owner uses its own.
#include <cstdint>

namespace os {

class Random15 {
public:
    static constexpr int kMax = 32767;
    explicit Random15(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t seed) { state_ = seed; }
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7fffu);
    }

private:
    uint32_t state_;
};

} // namespace os
