#pragma once
// Attack-hold-decay pitch envelope: moves from its level (1.0, that is +48
// semitones, for a fresh voice) to "Depth" / 48, holds, and decays to 0.
// Linear stages only; a stage of zero length is skipped. Drives the voice's
// EnvelopeOutputs like AhdEnvelope. Audio thread only.
#include "engine/dsp/AhdEnvelope.h"

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

class AhdpEnvelope : public EnvelopeStages {
public:
    void noteOn(const AhdpSettings& s, const NoteFactors& note, bool reused, bool legato);
    void noteOff(const AhdpSettings& s);
    void nextStage(const AhdpSettings& s);
    void enterStage(const AhdpSettings& s, int stage);
    void finish();
};

} // namespace dsp
