#include "engine/instrument/FmOscillator.h"

#include "engine/instrument/WaveBank.h"
#include "engine/modules/Pow2Poly.h"

#include <cmath>

namespace dsp {

namespace {

// Bounds that normal settings never reach (index about 30, P about 16) but
// that keep a phase within one control step far inside 32-bit range.
constexpr float kMaxIndex = 1024.0f;
constexpr float kMaxMultiplier = 64.0f;

float finiteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

float clampMagnitude(float v, float limit) { return v > limit ? limit : v < -limit ? -limit : v; }

// Whole multiples of the table length removed exactly; a non-finite phase restarts.
double wrapPhase(double phase) {
    if (!std::isfinite(phase)) return 0.0;
    return phase - std::floor(phase * (1.0 / kWaveLength)) * kWaveLength;
}

float lerp(const float* table, int j, float t) {
    return (1.0f - t) * table[j] + t * table[(j + 1) & kWaveMask];
}

} // namespace

void FmOscillator::setTables(const float* a, const float* b, const float* c) {
    a_ = a;
    b_ = b;
    c_ = c;
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

void FmOscillator::beginStep(float timbre, float amplitude, float pitch) {
    const float staticIndex = driveGain_ * velocityTimbre_;
    index_ = clampMagnitude(finiteOr(envIndexScale_ * timbre + staticIndex, 0.0f), kMaxIndex);
    gain_ = finiteOr(amplitude, 0.0f);
    const float p = clampMagnitude(finiteOr(pitchFactor(pitch), 1.0f), kMaxMultiplier);
    const float ratio = tuneRatio_ ? clampMagnitude(finiteOr(*tuneRatio_, 1.0f), kMaxMultiplier) : 1.0f;
    kA_ = pitchOnModulator_ ? p : 1.0f;
    kB_ = pitchOnCarrier_ ? p : ratio;
    phaseA_ = wrapPhase(phaseA_);
    phaseB_ = wrapPhase(phaseB_);
}

void FmOscillator::render(float* out, int n, const float* timbre, const float* amplitude,
                          const float* pitch) {
    if (!out || n <= 0) return;
    const bool silent = !a_ || !b_ || !c_;
    int r = 0;
    for (int i = 0; i < n; ++i) {
        if (clock_.atStepStart()) {
            beginStep(timbre[r], amplitude[r], pitch[r]);
            ++r;
        }
        clock_.advance(1);
        if (silent) continue;

        // Phases are wrapped at every step start and move at most
        // 8 × 1024 × 64 × 1025 table samples within a step: floor fits in int.
        const double fa = std::floor(phaseA_);
        const float ta = static_cast<float>(phaseA_ - fa);
        const int ja = static_cast<int>(fa) & kWaveMask;
        const float m = lerp(a_, ja, ta) * index_;
        phaseA_ += incA_ * kA_;

        const double fb = std::floor(phaseB_);
        const float tb = static_cast<float>(phaseB_ - fb);
        const int jb = static_cast<int>(fb) & kWaveMask;
        const float s = lerp(b_, jb, tb) * balance_ + (1.0f - balance_) * lerp(c_, jb, tb);
        out[i] += s * gain_;
        phaseB_ += incB_ * kB_ * (1.0f + m);
    }
}

} // namespace dsp
