#pragma once
// Two-operator wave-table FM: a modulator reads table A; its output, scaled
// by the modulation index, bends the phase increment of a carrier that reads
// a crossfade of tables B and C. Control values (timbre, amplitude, pitch)
// change once per 8-sample control step; the step position is carried across
// render calls. Audio thread only; tables and control arrays are borrowed.
#include "engine/dsp/ControlClock.h"

#include <atomic>

namespace dsp {

struct FmNoteSettings {
    float modulatorFrequency = 440.0f; // Hz, from key + "TimRng"
    float carrierFrequency = 440.0f;   // Hz, from key + 12 × "BasRng"
    float inverseRate = 1.0f / 44100.0f;
    float spread = 0.0f;      // "Spread" display value; ±0.0011 per unit
    float balance = 0.5f;     // "Balance" 0..1: weight of table B against C
    float driveGain = 1.0f;   // linear gain of "Drive"
    float envDepth = 0.0f;    // "EnvDepth" 0..1
    bool pitchOnModulator = false; // "PitTim"
    bool pitchOnCarrier = false;   // "PitBas"
};

class FmOscillator {
public:
    // The three tables (1024 samples each); null tables make render silent.
    void setTables(const float* a, const float* b, const float* c);
    // Multiplier of each operator the pitch envelope does not drive (the
    // plug-in's tune ratio, read at every control step); null means 1.
    void setTuneRatioSource(const std::atomic<float>* ratio) { tuneRatio_ = ratio; }

    // A fresh voice (not reused) restarts both phases at 0; every note on
    // restarts the control step and sets the velocity timbre to 1.
    void noteOn(const FmNoteSettings& s, bool reused);
    void setVelocityTimbre(float v) { velocityTimbre_ = v; }

    // Adds n samples to out. The control arrays hold one value per control
    // step that begins within these n samples (clock().stepsStarting(n)).
    void render(float* out, int n, const float* timbre, const float* amplitude, const float* pitch);

    const ControlClock& clock() const { return clock_; }
    // Starts a fresh control step without a note on (the voice keeps its
    // generators in step with its own clock even when a note on is refused).
    void restartStep() { clock_.reset(); }
    double incrementA() const { return incA_; }
    double incrementB() const { return incB_; }
    double phaseA() const { return phaseA_; }
    double phaseB() const { return phaseB_; }
    void setPhases(double a, double b) { phaseA_ = a; phaseB_ = b; }

    // For the voice lanes (ToneLanes.h), which need the wrapped copies of
    // all three tables (bank tables only).
    bool hasWrappedTables() const { return wrappedA_ && wrappedB_ && wrappedC_; }
    const float* wrappedA() const { return wrappedA_; }
    const float* wrappedB() const { return wrappedB_; }
    const float* wrappedC() const { return wrappedC_; }
    float balance() const { return balance_; }
    // The values of `steps` whole control steps from their control values,
    // as render would take them, written at [s × stride] for step s. The
    // lanes then move the phases (setPhases); finishSteps moves the clock.
    void planSteps(const float* timbre, const float* amplitude, const float* pitch, int steps, int stride,
                   float* index, float* gain, double* incrementA, double* incrementB);
    void finishSteps(int steps) { clock_.advance(steps * ControlClock::kSamplesPerStep); }

    // Table samples per output sample for a frequency: finite, halved until
    // at most 1024 in magnitude; non-finite input gives 0.
    static double tableIncrement(float frequency, float inverseRate, double detune);
    // The pitch multiplier P of a pitch control value (about 2^(4x)).
    static float pitchFactor(float x);

private:
    // Samples per pass of the table loops (their scratch is on the stack); the
    // voice hands over four steps at a time, at most 39 samples.
    static constexpr int kStretch = 40;

    // The control values of a step that begins (the phases are wrapped by
    // render). Inlined, so render takes the values from registers: reading
    // two of them back from memory as one wide load would stall.
    [[gnu::always_inline]] inline void beginStep(float timbre, float amplitude, float pitch);
    int samplesLeftInStep() const { return ControlClock::kSamplesPerStep - clock_.phase(); }

    const float* a_ = nullptr;
    const float* b_ = nullptr;
    const float* c_ = nullptr;
    // Their wrapped copies when they are tables of the bank (null otherwise).
    const float* wrappedA_ = nullptr;
    const float* wrappedB_ = nullptr;
    const float* wrappedC_ = nullptr;
    const std::atomic<float>* tuneRatio_ = nullptr; // written on another thread
    double phaseA_ = 0.0, phaseB_ = 0.0;
    double incA_ = 0.0, incB_ = 0.0;
    float balance_ = 0.5f;
    float velocityTimbre_ = 1.0f;
    float driveGain_ = 1.0f;
    float envIndexScale_ = 0.0f;
    bool pitchOnModulator_ = false;
    bool pitchOnCarrier_ = false;
    // Values of the current control step.
    float index_ = 0.0f, gain_ = 0.0f, kA_ = 1.0f, kB_ = 1.0f;
    ControlClock clock_;
};

} // namespace dsp
