#pragma once
// What the vector-kernel tests share: random values from the plug-in's own
// generator, bit-for-bit comparison, and a guard that restores a forced
// kernel level.
#include "engine/dsp/KernelLevel.h"
#include "os/Random.h"

#include <cstddef>
#include <cstring>

namespace kernelchecks {

// Uniform in [lo, hi) from the 15-bit generator (two draws for 30 bits).
inline double uniform(os::Random15& r, double lo, double hi) {
    const double u = (static_cast<double>(r.next()) * 32768.0 + r.next()) / (32768.0 * 32768.0);
    return lo + (hi - lo) * u;
}

inline bool sameBits(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

// Restores the kernel level a test forced.
struct LevelGuard {
    dsp::KernelLevel saved = dsp::kernelLevel();
    ~LevelGuard() { dsp::forceKernelLevel(saved); }
};

} // namespace kernelchecks
