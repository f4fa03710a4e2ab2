#pragma once
// Position inside the 8-sample control step. Voices and their generators
// each keep one and carry it across render calls, so a control step may
// start in one call and end in the next, and the sound does not depend on
// how the host slices its blocks. Audio thread only.

namespace dsp {

class ControlClock {
public:
    static constexpr int kSamplesPerStep = 8;

    void reset() { phase_ = 0; }
    int phase() const { return phase_; }
    bool atStepStart() const { return phase_ == 0; }

    // Control steps that begin within the next n samples.
    int stepsStarting(int n) const {
        if (n <= 0) return 0;
        const int untilNext = (kSamplesPerStep - phase_) % kSamplesPerStep;
        return untilNext >= n ? 0 : (n - untilNext + kSamplesPerStep - 1) / kSamplesPerStep;
    }
    // Largest sample count whose starting steps fit in `steps` values.
    int samplesForSteps(int steps) const {
        const int untilNext = (kSamplesPerStep - phase_) % kSamplesPerStep;
        return untilNext + steps * kSamplesPerStep;
    }
    void advance(int n) { phase_ = (phase_ + (n & (kSamplesPerStep - 1))) & (kSamplesPerStep - 1); }

private:
    int phase_ = 0;
};

} // namespace dsp
