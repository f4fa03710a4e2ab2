#pragma once
// Attack-hold-decay envelope (timbre, amplitude and noise of a voice). It
// renders nothing itself: at each stage or segment change it writes level,
// slope and step count into the voice's EnvelopeOutputs, which the voice
// advances once per control step (see runControlSteps). Settings are read at
// every stage change, so a changed knob acts from the next stage on.
// Audio thread only.
#include "engine/modules/EnvelopeOutputs.h"
#include "engine/modules/EnvelopeSegments.h"

namespace dsp {

// Display values of one instrument row.
struct AhdSettings {
    float attack = 0.0f;      // "A Time", seconds
    float hold = 2.0f;        // "H Time", seconds
    float decay = 2.001f;     // "D Time", seconds
    bool decayEndless = false; // "D Time" at a maximum that shows "oo"
    bool holdMode = false;    // "Midi Hold Mode": hold until note off
    float pitchScale = 0.0f;  // "Pitch Scal", percent
    float velocityScale = 0.0f; // "Veloc.Scal", percent
    bool velocityAttack = true; // velocity scales only the attack
    bool logDecay = true;     // curved stages from linear segments
};

// Key and velocity factors of the note (framework/model/NoteScaling.h).
struct NoteFactors {
    float key = 0.0f;
    float velocity = 1.0f;
};

enum EnvelopeStage { kStageAttack = 0, kStageHold = 1, kStageDecay = 2, kStageEnded = 3 };

class AhdEnvelope {
public:
    void bindOutputs(EnvelopeOutputs* out);
    // Control rate = audio rate × 0.125.
    void setSampleRate(float audioRate) { controlRate_ = audioRate * 0.125f; }
    float controlRate() const { return controlRate_; }

    // A fresh voice starts from level 0, a reused one from where it was; a
    // legato note only updates the scalings.
    void noteOn(const AhdSettings& s, const NoteFactors& note, bool reused, bool legato);
    // In hold mode: decay from the current level, whatever the stage.
    void noteOff(const AhdSettings& s);
    // Called by the voice when the step counter has run out.
    void nextStage(const AhdSettings& s);
    void finish();
    // Fades to 0 in 5 ms, then finishes.
    void kill();

    bool ended() const { return ended_; }
    int stage() const { return stage_; }
    float keyScale() const { return keyScale_; }
    float velocityScale() const { return velocityScale_; }
    const EnvelopeSegments& segments() const { return segments_; }

private:
    void enterStage(const AhdSettings& s, int stage);

    EnvelopeOutputs* out_ = nullptr;
    EnvelopeSegments segments_;
    float controlRate_ = 0.0f;
    int stage_ = kStageEnded;
    bool ended_ = true;
    bool killed_ = false;
    float keyScale_ = 1.0f;
    float velocityScale_ = 1.0f;
    float target_ = 0.0f;
};

// Time scalings of a note: "Pitch Scal" (percent) by key, "Veloc.Scal"
// (percent) by velocity, the latter clamped to 1e-7..1e6.
float envelopeKeyScale(float pitchScalePercent, float keyFactor);
float envelopeVelocityScale(float velocityScalePercent, float velocityFactor);

} // namespace dsp
