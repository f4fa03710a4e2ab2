#pragma once
// Attack-hold-decay envelope (timbre, amplitude and noise of a voice). It
// renders nothing itself: at each stage or segment change it writes level,
// slope and step count into the voice's EnvelopeOutputs, which the voice
// advances once per control step (see runControlSteps). Settings are read at
// every stage change, so a changed knob acts from the next stage on.
// Audio thread only.
#include "engine/dsp/EnvelopeStages.h"
#include "engine/dsp/EnvelopeSegments.h"

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

class AhdEnvelope : public EnvelopeStages {
public:
    // A fresh voice starts from level 0, a reused one from where it was; a
    // legato note only updates the scalings.
    void noteOn(const AhdSettings& s, const NoteFactors& note, bool reused, bool legato);
    // In hold mode: decay from the current level, whatever the stage.
    void noteOff(const AhdSettings& s);
    // Called by the voice when the step counter has run out.
    void nextStage(const AhdSettings& s);
    void finish();

    const EnvelopeSegments& segments() const { return segments_; }

private:
    void enterStage(const AhdSettings& s, int stage);

    EnvelopeSegments segments_;
};

} // namespace dsp
