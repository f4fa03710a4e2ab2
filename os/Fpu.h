#pragma once
// Denormals flushed to zero for the length of a processing call; the host's
// floating-point mode is restored on return.
#include <xmmintrin.h>

namespace os {

class DenormalGuard {
public:
    DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040u); } // FTZ | DAZ
    ~DenormalGuard() { _mm_setcsr(saved_); }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    unsigned saved_;
};

} // namespace os
