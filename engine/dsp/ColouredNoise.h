#pragma once
// Coloured noise: runs of 8 consecutive entries of the shared noise table,
// each run from a random start, through a one-pole low-pass whose corner
// follows the key and "Color"; the level is compensated for the filter.
// The 8-sample step position and the filter state carry across render calls.
// Audio thread only; the amplitude array is borrowed.
#include "engine/dsp/ControlClock.h"
#include "os/Random.h"

#include <cstdint>

namespace dsp {

class ColouredNoise {
public:
    // Silent (gain 0, coefficient 1, state 0) until a note sets it up.
    ColouredNoise();

    // Seeds this source's own start-position generator (one per voice keeps
    // the sound independent of how voices interleave their render calls).
    void seed(uint32_t seed) { random_.seed(seed); }

    // frequency: the tuning's frequency of key + 24. Does nothing and
    // answers false when the sample rate is not above 1. A fresh (not reused)
    // voice clears the filter state; every note on restarts the control step.
    bool noteOn(float frequency, float sampleRate, float inverseRate, float colour,
                float levelGain, bool reused);

    // Adds n samples to out; `amplitude` holds one value per control step
    // that begins within these n samples (clock().stepsStarting(n)).
    void render(float* out, int n, const float* amplitude);

    // For the voice lanes (ToneLanes.h): the table, the filter's two
    // weights and state, and the step values of `steps` whole control steps
    // (clock at a step start) as render would draw them: run start and level
    // of step s at [s × stride]. finishSteps then takes the state the lanes
    // reached and moves the clock.
    const float* table() const { return table_; }
    float keep() const { return 1.0f - a_; }
    void planSteps(const float* amplitude, int steps, int stride, int* start, float* level);
    void finishSteps(int steps, float state);

    // One-pole coefficient 2 × f / rate × colour, clamped to 0.001..1 (NaN gives 1).
    static float coefficientFor(float frequency, float inverseRate, float colour);
    // Level compensation: levelGain / sqrt(coefficient).
    static float gainFor(float levelGain, float coefficient);

    float coefficient() const { return a_; }
    float gain() const { return gain_; }
    float state() const { return y_; }
    const ControlClock& clock() const { return clock_; }
    // Starts a fresh control step without a note on (the voice keeps its
    // generators in step with its own clock even when a note on is refused).
    void restartStep() { clock_.reset(); }

private:
    const float* table_;
    os::Random15 random_;
    int position_ = 0;
    float stepAmplitude_ = 0.0f;
    float gain_ = 0.0f;
    float a_ = 1.0f;
    float y_ = 0.0f;
    ControlClock clock_;
};

} // namespace dsp
