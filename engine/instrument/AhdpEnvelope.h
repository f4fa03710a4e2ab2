#pragma once
// Attack-hold-decay pitch envelope: moves from its level (1.0, that is +48
// semitones, for a fresh voice) to "Depth" / 48, holds, and decays to 0.
// Linear stages only; a stage of zero length is skipped. Drives the voice's
// EnvelopeOutputs like AhdEnvelope. Audio thread only.
#include "engine/instrument/AhdEnvelope.h"

namespace dsp {

struct AhdpSettings {
    float attack = 0.0f;   // seconds
    float hold = 2.0f;     // seconds
    float decay = 2.0f;    // seconds
    bool holdMode = false;
    float depth = 0.0f;    // "Depth", semitones (-48..48)
    float pitchScale = 0.0f;    // percent
    float velocityScale = 0.0f; // percent
    bool velocityAttack = true;
};

class AhdpEnvelope {
public:
    void bindOutputs(EnvelopeOutputs* out);
    void setSampleRate(float audioRate) { controlRate_ = audioRate * 0.125f; }

    void noteOn(const AhdpSettings& s, const NoteFactors& note, bool reused, bool legato);
    void noteOff(const AhdpSettings& s);
    void nextStage(const AhdpSettings& s);
    void enterStage(const AhdpSettings& s, int stage);
    void finish();
    void kill();

    bool ended() const { return ended_; }
    int stage() const { return stage_; }

private:
    EnvelopeOutputs* out_ = nullptr;
    float controlRate_ = 0.0f;
    int stage_ = kStageEnded;
    bool ended_ = true;
    bool killed_ = false;
    float keyScale_ = 1.0f;
    float velocityScale_ = 1.0f;
    float target_ = 0.0f;
};

} // namespace dsp
