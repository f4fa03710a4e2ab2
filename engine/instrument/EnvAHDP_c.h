#pragma once
// Attack-hold-decay pitch envelope of a voice ('ME06'): forwards to
// dsp::AhdpEnvelope with the settings of the note's instrument row, read
// afresh at every stage change. Audio thread only.
#include "engine/dsp/AhdpEnvelope.h"
#include "engine/modules/Envelope_c.h"

class EnvAHDP_c : public Envelope_c {
public:
    enum Column {
        kVersion = 0, kAttackTime, kHoldTime, kDecayTime, kMidiHoldMode, kDepth, kPitchScale, kVelocityScale,
        kVelocityAttack, kColumns
    };

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("ME06"); }
    void setSampleRate(float rate) override;
    int noteEvent(int row, Note_c note, bool reused, bool legato) override;
    void noteOff(int row, Note_c note) override;
    void kill() override;
    void nextStage();
    void enterStage(int stage);
    void finish() { kernel_.finish(); }
    bool ended() const { return kernel_.ended(); }

    const dsp::AhdpEnvelope& kernel() const { return kernel_; }

protected:
    void outputsBound() override { kernel_.bindOutputs(outputs()); }

private:
    dsp::AhdpSettings settings() const;

    dsp::AhdpEnvelope kernel_;
};
