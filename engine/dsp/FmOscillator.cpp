#include "engine/dsp/FmOscillator.h"

#include "engine/dsp/FmKernels.h"
#include "engine/dsp/KernelLevel.h"
#include "engine/dsp/WaveBank.h"
#include "engine/dsp/Pow2Poly.h"

#include <cmath>

namespace dsp {

namespace {

// Bounds that normal settings never reach (index about 30, P about 16) but
// that keep a phase within one control step far inside 32-bit range.
constexpr float kMaxIndex = 1024.0f;
constexpr float kMaxMultiplier = 64.0f;

float finiteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

float clampMagnitude(float v, float limit) { return v > limit ? limit : v < -limit ? -limit : v; }

} // namespace

void FmOscillator::setTables(const float* a, const float* b, const float* c) {
    a_ = a;
    b_ = b;
    c_ = c;
    wrappedA_ = wrappedWaveTable(a);
    wrappedB_ = wrappedWaveTable(b);
    wrappedC_ = wrappedWaveTable(c);
}

double FmOscillator::tableIncrement(float frequency, float inverseRate, double detune) {
    double inc = static_cast<double>(frequency) * 1024.0 * static_cast<double>(inverseRate) * detune;
    if (!std::isfinite(inc)) return 0.0;
    // Each halving is exact; 1100 halvings bring any finite double below 1024.
    for (int i = 0; i < 1100 && std::fabs(inc) > 1024.0; ++i) inc *= 0.5;
    return inc;
}

float FmOscillator::pitchFactor(float x) { return static_cast<float>(pow2Poly(x)); }

void FmOscillator::noteOn(const FmNoteSettings& s, bool reused) {
    incA_ = tableIncrement(s.modulatorFrequency, s.inverseRate, 1.0 + s.spread * 0.0011);
    incB_ = tableIncrement(s.carrierFrequency, s.inverseRate, 1.0 - s.spread * 0.0011);
    balance_ = s.balance;
    velocityTimbre_ = 1.0f;
    driveGain_ = s.driveGain;
    envIndexScale_ = (8.0f - s.driveGain) * s.envDepth;
    pitchOnModulator_ = s.pitchOnModulator;
    pitchOnCarrier_ = s.pitchOnCarrier;
    if (!reused) {
        phaseA_ = 0.0;
        phaseB_ = 0.0;
    }
    clock_.reset();
}

inline void FmOscillator::beginStep(float timbre, float amplitude, float pitch) {
    const float staticIndex = driveGain_ * velocityTimbre_;
    index_ = clampMagnitude(finiteOr(envIndexScale_ * timbre + staticIndex, 0.0f), kMaxIndex);
    gain_ = finiteOr(amplitude, 0.0f);
    const float p = clampMagnitude(finiteOr(pitchFactor(pitch), 1.0f), kMaxMultiplier);
    const float ratio = tuneRatio_ ? clampMagnitude(finiteOr(tuneRatio_->load(std::memory_order_relaxed), 1.0f), kMaxMultiplier) : 1.0f;
    // Without the pitch envelope both operators follow the global tune, so
    // their frequency ratio (and the note's harmonics) stays as set.
    kA_ = pitchOnModulator_ ? p : ratio;
    kB_ = pitchOnCarrier_ ? p : ratio;
}

void FmOscillator::planSteps(const float* timbre, const float* amplitude, const float* pitch, int steps,
                             int stride, float* index, float* gain, double* incrementA, double* incrementB) {
    if (steps <= 0) return;
    int s = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (kernelLevel() == KernelLevel::kAvx2) {
        FmStepRule rule;
        rule.envIndexScale = envIndexScale_;
        rule.staticIndex = driveGain_ * velocityTimbre_;
        rule.maxIndex = kMaxIndex;
        rule.maxMultiplier = kMaxMultiplier;
        rule.tuneRatio = tuneRatio_ ? clampMagnitude(finiteOr(tuneRatio_->load(std::memory_order_relaxed), 1.0f), kMaxMultiplier) : 1.0f;
        rule.pitchOnModulator = pitchOnModulator_;
        rule.pitchOnCarrier = pitchOnCarrier_;
        rule.incrementA = incA_;
        rule.incrementB = incB_;
        fmPlanStepsAvx2(rule, timbre, amplitude, pitch, steps, stride, index, gain, incrementA, incrementB);
        // The last step's values stay for the rest of the step, as render keeps them.
        beginStep(timbre[steps - 1], amplitude[steps - 1], pitch[steps - 1]);
        return;
    }
#endif
    for (; s < steps; ++s) {
        beginStep(timbre[s], amplitude[s], pitch[s]);
        index[s * stride] = index_;
        gain[s * stride] = gain_;
        incrementA[s * stride] = incA_ * kA_;
        incrementB[s * stride] = incB_ * kB_;
    }
}

void FmOscillator::render(float* out, int n, const float* timbre, const float* amplitude,
                          const float* pitch) {
    if (!out || n <= 0) return;
    if (!a_ || !b_ || !c_) {
        // No tables: steps go by, the phases stand still (wrapped at each start).
        for (int i = 0, r = 0; i < n;) {
            if (clock_.atStepStart()) {
                beginStep(timbre[r], amplitude[r], pitch[r]);
                ++r;
                phaseA_ = wrapPhase(phaseA_);
                phaseB_ = wrapPhase(phaseB_);
            }
            const int count = samplesLeftInStep() < n - i ? samplesLeftInStep() : n - i;
            clock_.advance(count);
            i += count;
        }
        return;
    }
    [[maybe_unused]] const bool wide = kernelLevel() == KernelLevel::kAvx2;
    // A stretch of samples at a time: the step values of its segments, then
    // the modulator pass over all of them, then the carrier pass. Each sample
    // sees the same values in the same order as a sample-by-sample loop.
    alignas(32) double step[kStretch];
    const FmTables tables{a_, b_, c_, balance_, wrappedA_, wrappedB_, wrappedC_};
    FmSegment segments[kStretch / ControlClock::kSamplesPerStep + 1];
    int r = 0;
    for (int done = 0; done < n;) {
        const int length = n - done < kStretch ? n - done : kStretch;
        int segmentCount = 0;
        for (int i = 0; i < length;) {
            FmSegment& g = segments[segmentCount++];
            g.stepStarts = clock_.atStepStart();
            if (g.stepStarts) {
                beginStep(timbre[r], amplitude[r], pitch[r]);
                ++r;
            }
            g.start = i;
            g.count = samplesLeftInStep() < length - i ? samplesLeftInStep() : length - i;
            g.index = index_;
            g.gain = gain_;
            g.incrementA = incA_ * kA_;
            g.incrementB = incB_ * kB_;
            clock_.advance(g.count);
            i += g.count;
        }
        FmPhases phases{phaseA_, phaseB_};
#if defined(__x86_64__) || defined(__i386__)
        if (wide)
            fmStretchAvx2(tables, segments, segmentCount, phases, step, out + done);
        else
#endif
            fmStretchBaseline(tables, segments, segmentCount, phases, step, out + done);
        phaseA_ = phases.a;
        phaseB_ = phases.b;
        done += length;
    }
}

} // namespace dsp
