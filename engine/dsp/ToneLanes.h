#pragma once
// Several voices' oscillators and noises at once, one voice per vector lane.
// Within one voice the two phase sums and the noise filter are serial; across
// voices they are independent, so four voices share each vector operation.
// Every lane computes exactly what the voice's own render computes, in the
// same order and rounding (no fused multiply-add), so the output is the same
// bit for bit. Each voice's oscillator and noise write their samples into
// arrays of their own; the caller adds those into the bus in voice order.
//
// The lanes run whole control steps only: each voice first renders alone up
// to its next step start (voices begin off the 8-sample grid), then its whole
// steps run in the lanes, each lane from its own first step start, then the
// voice renders its last partial step alone.
// Audio thread only; everything is borrowed for the call.
#include "engine/dsp/ColouredNoise.h"
#include "engine/dsp/FmOscillator.h"

namespace dsp {

constexpr int kToneLanes = 4;
// Fewest voices that run in lanes (fewer render alone: as fast, measured).
constexpr int kFewestLanes = 3;
// Whole steps a lane group runs per call: a slice of at most 256 samples.
constexpr int kMaxLaneSteps = 32;
constexpr int kMaxLaneSamples = kMaxLaneSteps * ControlClock::kSamplesPerStep;

// One voice's generators and their control values for a slice.
struct ToneLaneVoice {
    FmOscillator* osc = nullptr;
    ColouredNoise* noise = nullptr;
    // One value per control step that begins within the slice.
    const float* timbre = nullptr;
    const float* oscAmplitude = nullptr;
    const float* noiseAmplitude = nullptr;
    const float* pitch = nullptr;
    // The slice's samples of each source (n values each, overwritten).
    float* oscOut = nullptr;
    float* noiseOut = nullptr;
};

// The step values of a lane group, one column per lane, and each lane's
// constants. Filled by renderToneLanes; read by the kernel.
struct ToneLaneGroup {
    alignas(32) double incrementA[kMaxLaneSteps][kToneLanes];
    alignas(32) double incrementB[kMaxLaneSteps][kToneLanes];
    alignas(16) float index[kMaxLaneSteps][kToneLanes];
    alignas(16) float gain[kMaxLaneSteps][kToneLanes];
    alignas(16) float noiseLevel[kMaxLaneSteps][kToneLanes];
    alignas(16) int noiseStart[kMaxLaneSteps][kToneLanes];
    alignas(32) double phaseA[kToneLanes];
    alignas(32) double phaseB[kToneLanes];
    // Where each lane's wrapped tables start, in floats from `bank`.
    alignas(16) int tableA[kToneLanes];
    alignas(16) int tableB[kToneLanes];
    alignas(16) int tableC[kToneLanes];
    alignas(16) float balance[kToneLanes];
    alignas(16) float rest[kToneLanes];       // 1 - balance
    alignas(16) float noiseA[kToneLanes];     // the noise filter's coefficient
    alignas(16) float noiseKeep[kToneLanes];  // 1 - coefficient
    alignas(16) float noiseState[kToneLanes];
    int steps[kToneLanes];                    // whole steps of each lane
    float* oscOut[kToneLanes];                // where each lane's first whole step goes
    float* noiseOut[kToneLanes];
    const float* bank = nullptr;
    const float* noiseTable = nullptr;
    // Idle lanes' output (a lane with fewer steps than the group).
    alignas(32) float sink[ControlClock::kSamplesPerStep];
};

// Renders n samples (1..kMaxLaneSamples) of `count` voices (1..kToneLanes)
// into their own arrays. A voice renders alone when its tables have no
// wrapped copies, when its oscillator's and noise's clocks disagree, or when
// fewer than kFewestLanes voices could take lanes; `wide` selects the AVX2 kernel, and without it
// every voice renders alone (same output).
void renderToneLanes(const ToneLaneVoice* voices, int count, int n, ToneLaneGroup& group, bool wide);

#if defined(__x86_64__) || defined(__i386__)
// The lanes over `steps` whole steps (the most of any lane); on CPUs with
// AVX2 only (see KernelLevel.h). Moves each lane's phases and noise state.
void toneLanesAvx2(ToneLaneGroup& g, int steps);
// addInOrder eight samples at a time (AVX2 only).
void addInOrderAvx2(float* out, const float* const* sources, int count, int n);
#endif

// out[i] += sources[0][i], then += sources[1][i], ... for i < n: each
// sample receives the additions in the order of `sources`. Uses the AVX2
// build when the kernel level allows.
void addInOrder(float* out, const float* const* sources, int count, int n);

} // namespace dsp
