#include "engine/dsp/KernelLevel.h"

#include <atomic>

namespace dsp {

namespace {

KernelLevel detect() {
#if defined(__x86_64__) || defined(__i386__)
    // Static constructors may run before the compiler's own CPU probe.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return KernelLevel::kAvx2;
#endif
    return KernelLevel::kBaseline;
}

const KernelLevel supported = detect();
std::atomic<int> current{static_cast<int>(supported)};

} // namespace

KernelLevel kernelLevel() { return static_cast<KernelLevel>(current.load(std::memory_order_relaxed)); }

KernelLevel supportedKernelLevel() { return supported; }

KernelLevel forceKernelLevel(KernelLevel level) {
    const KernelLevel used = static_cast<int>(level) <= static_cast<int>(supported) ? level : supported;
    current.store(static_cast<int>(used), std::memory_order_relaxed);
    return used;
}

} // namespace dsp
