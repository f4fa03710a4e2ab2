#pragma once
// Which build of the sample kernels runs: the baseline one every x86 CPU
// runs (SSE2), or the AVX2 one. Both give the same output bit for bit; the
// choice only changes speed. Decided once when the library loads, from the
// CPU; readable from any thread (the audio thread reads it once per render).

namespace dsp {

enum class KernelLevel { kBaseline = 0, kAvx2 = 1 };

// The level the kernels use now.
KernelLevel kernelLevel();
// The best level this CPU can run.
KernelLevel supportedKernelLevel();
// For tests: uses `level`, or the supported level when the CPU cannot run
// it. Answers the level now in use. Not for use while a render runs.
KernelLevel forceKernelLevel(KernelLevel level);

} // namespace dsp
