#pragma once
// The render core of one voice: its four envelope outputs (timbre, base,
// noise, pitch), the control clock it shares with its generators, and the
// slice loop that turns envelope levels into control arrays and lets the
// oscillator and the noise add into the output. The control step position
// is carried across calls, so the output does not depend on the slicing.
// Audio thread only; the control arrays are the voice's own scratch, borrowed.
#include "engine/dsp/ColouredNoise.h"
#include "engine/dsp/ControlSteps.h"
#include "engine/dsp/FmOscillator.h"
#include "engine/dsp/ControlClock.h"
#include "engine/dsp/EnvelopeOutputs.h"

namespace dsp {

struct ToneControlArrays {
    float* timbre = nullptr;
    float* oscAmplitude = nullptr;
    float* noiseAmplitude = nullptr;
    float* pitch = nullptr;
    int capacity = 0; // values each array holds (at least 1)
};

// Per-render values of the voice.
struct ToneLevels {
    float timbreRandomness = 1.0f;
    float oscAmplitude = 0.0f;   // oscillator mix × note level
    float noiseAmplitude = 0.0f; // note level × noise mix × 0.7
    float tuneOffset = 0.0f;     // the plug-in's pitch offset of the global tune
};

class ToneCore {
public:
    enum EnvelopeSlot { kTimbre = 0, kBase = 1, kNoise = 2, kPitch = 3, kEnvelopes = 4 };

    EnvelopeOutputs& outputs(int slot) { return env_[slot]; }
    const ControlClock& clock() const { return clock_; }
    // Every note on starts a fresh control step (the generators do the same).
    void noteOn() { clock_.reset(); }

    // Renders n samples (any n >= 0; split internally to fit the arrays):
    // envelopes first, then the oscillator, then the noise, each adding into
    // out. stageEnd(slot) is called when an envelope's counter runs out.
    template <class StageEnd>
    void render(float* out, int n, const ToneLevels& levels, FmOscillator& osc, ColouredNoise& noise,
                const ToneControlArrays& arrays, StageEnd&& stageEnd) {
        if (!out || arrays.capacity < 1 || !arrays.timbre || !arrays.oscAmplitude ||
            !arrays.noiseAmplitude || !arrays.pitch)
            return;
        while (n > 0) {
            const int fit = clock_.samplesForSteps(arrays.capacity);
            const int piece = n < fit ? n : fit;
            writeControlSteps(piece, levels, arrays, stageEnd);
            // A few steps of the oscillator, then the same of the noise: each
            // sample still gets the oscillator's addition before the noise's,
            // and the processor overlaps the two sources' serial sums.
            for (int i = 0, r = 0; i < piece;) {
                const int fit = clock_.samplesForSteps(kInterleavedSteps);
                const int count = piece - i < fit ? piece - i : fit;
                osc.render(out + i, count, arrays.timbre + r, arrays.oscAmplitude + r, arrays.pitch + r);
                noise.render(out + i, count, arrays.noiseAmplitude + r);
                r += clock_.stepsStarting(count);
                clock_.advance(count);
                i += count;
            }
            out += piece;
            n -= piece;
        }
    }

    // The parts of render for a caller that runs the generators itself (the
    // voice lanes): writeControlSteps runs the envelopes over the steps that
    // begin within n samples, which must fit the arrays (fits); the caller
    // then renders the generators and moves this clock with advance.
    bool fits(int n, const ToneControlArrays& arrays) const {
        return n >= 0 && n <= clock_.samplesForSteps(arrays.capacity);
    }
    template <class StageEnd>
    void writeControlSteps(int n, const ToneLevels& levels, const ToneControlArrays& arrays, StageEnd&& stageEnd) {
        const int steps = clock_.stepsStarting(n);
        // Locals: the compiler need not reload them after each array store.
        float* const timbre = arrays.timbre;
        float* const oscAmplitude = arrays.oscAmplitude;
        float* const noiseAmplitude = arrays.noiseAmplitude;
        float* const pitch = arrays.pitch;
        const ToneLevels l = levels;
        runControlSteps(env_, steps,
                        [&](int r) {
                            const float t = env_[kTimbre].level, b = env_[kBase].level;
                            const float z = env_[kNoise].level, p = env_[kPitch].level;
                            timbre[r] = l.timbreRandomness * t;
                            oscAmplitude[r] = l.oscAmplitude * b;
                            noiseAmplitude[r] = l.noiseAmplitude * z;
                            pitch[r] = l.tuneOffset + p;
                        },
                        stageEnd);
        if (steps > 0) lastStepSilent_ = oscAmplitude[steps - 1] == 0.0f && noiseAmplitude[steps - 1] == 0.0f;
    }
    void advance(int n) { clock_.advance(n); }

    // A voice may be freed once its base and noise envelopes have ended and
    // the last control step it began has been rendered in full, or adds
    // nothing (both amplitudes exactly 0: a note started off the 8-sample
    // grid of the host's slices never ends a slice at a step start).
    bool finished(bool baseEnded, bool noiseEnded) const {
        return baseEnded && noiseEnded && (clock_.atStepStart() || lastStepSilent_);
    }

private:
    // Steps per turn of oscillator and noise: short enough for the processor
    // to overlap them, long enough for the oscillator's wide passes.
    static constexpr int kInterleavedSteps = 4;

    EnvelopeOutputs env_[kEnvelopes];
    ControlClock clock_;
    bool lastStepSilent_ = false;
};

} // namespace dsp
