#pragma once
// What the attack-hold-decay envelopes share: the voice's EnvelopeOutputs they
// drive, the control rate, the stage, the key and velocity scalings taken at
// note on and applied to every stage's time, finishing and the 5 ms kill.
// Audio thread only.
#include "engine/dsp/EnvelopeOutputs.h"

namespace dsp {

// Key and velocity factors of the note (framework/model/NoteScaling.h).
struct NoteFactors {
    float key = 0.0f;
    float velocity = 1.0f;
};

enum EnvelopeStage { kStageAttack = 0, kStageHold = 1, kStageDecay = 2, kStageEnded = 3 };

class EnvelopeStages {
public:
    void bindOutputs(EnvelopeOutputs* out);
    // Control rate = audio rate × 0.125.
    void setSampleRate(float audioRate) { controlRate_ = audioRate * 0.125f; }
    float controlRate() const { return controlRate_; }
    // Fades to 0 in 5 ms, then finishes.
    void kill();

    bool ended() const { return ended_; }
    int stage() const { return stage_; }
    float keyScale() const { return keyScale_; }
    float velocityScale() const { return velocityScale_; }

protected:
    // "Pitch Scal" and "Veloc.Scal" (percent) of the note.
    void takeScalings(float pitchScalePercent, float velocityScalePercent, const NoteFactors& note);
    // The stage's length in seconds: velocity shortens the attack and
    // lengthens hold and decay; with velocityAttack it stops at the hold.
    float stageSeconds(int stage, float attack, float hold, float decay, bool velocityAttack);
    // A note-off after the end keeps the outputs still: true when ended.
    bool holdStillWhenEnded();
    void finishOutputs();

    EnvelopeOutputs* out_ = nullptr;
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
