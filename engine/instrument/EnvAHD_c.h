#pragma once
// Attack-hold-decay envelope of a voice ('ME05'): the timbre, base and noise
// envelopes. Forwards to dsp::AhdEnvelope with the settings of the note's
// instrument row, read afresh at every stage change. Audio thread only.
#include "engine/dsp/AhdEnvelope.h"
#include "engine/modules/Envelope_c.h"

class EnvAHD_c : public Envelope_c {
public:
    enum Column {
        kVersion = 0, kAttackTime, kHoldTime, kDecayTime, kMidiHoldMode, kPitchScale, kVelocityScale,
        kVelocityAttack, kLogDecay, kColumns
    };

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("ME05"); }
    void setSampleRate(float rate) override;
    int noteEvent(int row, Note_c note, bool reused, bool legato) override;
    void noteOff(int row, Note_c note) override;
    void kill() override;
    // Called by the voice when the step counter has run out.
    void nextStage();
    void finish() { kernel_.finish(); }
    bool ended() const { return kernel_.ended(); }

    const dsp::AhdEnvelope& kernel() const { return kernel_; }

protected:
    void outputsBound() override { kernel_.bindOutputs(outputs()); }

private:
    dsp::AhdSettings settings() const;

    dsp::AhdEnvelope kernel_;
};
