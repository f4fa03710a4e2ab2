#pragma once
// The sample loops of dsp::FmOscillator over a stretch of samples cut into
// control-step segments: the modulator pass sums the modulator phase and
// turns its table reads into carrier phase steps; the carrier pass sums the
// carrier phase and adds the output. Splitting the two passes lets the table
// reads of many samples overlap instead of waiting on each other. A wide
// build takes the eight samples of a full step at once; it gives exactly the
// baseline's results: the phase sums stay sample by sample and in order, and
// each operation rounds as the baseline's does (no fused multiply-add).
// Audio thread only; every array is borrowed for the call.
#include "engine/dsp/WaveBank.h"

#include <cmath>

namespace dsp {

// The samples of one control step inside a stretch and that step's values
// (plain data: the oscillator fills every field).
struct FmSegment {
    int start;          // first sample, from the stretch's start
    int count;          // 1..8
    bool stepStarts;    // the step begins here: both phases are wrapped first
    float index;        // modulation index
    float gain;         // amplitude
    double incrementA;  // modulator phase increment
    double incrementB;  // the carrier's unmodulated phase increment
};

// std::floor, exactly, without its library call on baseline x86 for the
// values a running oscillator has.
inline double floorOfPhase(double x) {
    if (!(x > -2147483648.0 && x < 2147483648.0)) return std::floor(x);
    const double t = static_cast<double>(static_cast<int>(x));
    return t > x ? t - 1.0 : t == x ? x : t;
}

// Whole multiples of the table length removed exactly; a non-finite phase restarts.
inline double wrapPhase(double phase) {
    // The usual cases first, off the phase's dependency chain when predicted:
    // within one or two table lengths the general form gives exactly these.
    if (phase > 0.0 && phase < kWaveLength) return phase;
    if (phase >= kWaveLength && phase < 2.0 * kWaveLength) return phase - kWaveLength;
    if (!std::isfinite(phase)) return 0.0;
    return phase - floorOfPhase(phase * (1.0 / kWaveLength)) * kWaveLength;
}

// From the phase at the stretch's start; answers the phase after it. The
// phases must stay within (-2^31, 2^31) inside a step, which the wrapping at
// each step start and the oscillator's bounds guarantee.
// step[i] = incrementB × (1 + lerp(table, phase) × index) for every sample.
double fmModulatorBaseline(const float* table, const FmSegment* segments, int segmentCount, double phase,
                           double* step);
// out[i] += (lerp(b) × balance + (1 - balance) × lerp(c)) × gain, the phase
// moving by step[i] after each sample.
double fmCarrierBaseline(const float* b, const float* c, float balance, const FmSegment* segments,
                         int segmentCount, double phase, const double* step, float* out);

// The tables and mix of a stretch, and the two phases carried through it.
struct FmTables {
    const float* a;
    const float* b;
    const float* c;
    float balance;
    // The same tables wrapped (see wrappedWaveTable); the wide build needs
    // them and falls back to the baseline without.
    const float* wrappedA;
    const float* wrappedB;
    const float* wrappedC;
};
struct FmPhases {
    double a;
    double b;
};

// Both passes over a stretch (modulator, then carrier).
void fmStretchBaseline(const FmTables& t, const FmSegment* segments, int segmentCount, FmPhases& phases,
                       double* step, float* out);
// What the oscillator's control values of a step become (see
// FmOscillator::beginStep), for whole runs of steps.
struct FmStepRule {
    float envIndexScale;  // index = envIndexScale × timbre + staticIndex, finite, within ±maxIndex
    float staticIndex;
    float maxIndex;
    float maxMultiplier;  // the pitch factor's bound
    float tuneRatio;      // each operator's multiplier without its pitch switch (finite, bounded)
    bool pitchOnModulator;
    bool pitchOnCarrier;
    double incrementA;    // the note's increments, before the multipliers
    double incrementB;
};

#if defined(__x86_64__) || defined(__i386__)
// The values of `steps` steps, written at [s × stride] as
// FmOscillator::planSteps writes them. On CPUs with AVX2 only.
void fmPlanStepsAvx2(const FmStepRule& rule, const float* timbre, const float* amplitude, const float* pitch,
                    int steps, int stride, float* index, float* gain, double* incrementA, double* incrementB);
// The same on CPUs with AVX2 (see KernelLevel.h).
void fmStretchAvx2(const FmTables& t, const FmSegment* segments, int segmentCount, FmPhases& phases,
                   double* step, float* out);
#endif

} // namespace dsp
