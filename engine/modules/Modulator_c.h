#pragma once
// Base of the control sources that run at one eighth of the audio rate.
// A modulator drives three variables of its voice (level, slope per control
// step, step counter; see dsp::EnvelopeOutputs), owned by the voice and bound
// once. Its part sample rate is the control rate. Audio thread only.
#include "engine/dsp/EnvelopeOutputs.h"
#include "framework/model/Part_c.h"

class Modulator_c : public Part_c {
public:
    // Stores rate × 0.125 as the part's rate.
    void setSampleRate(float rate) override;
    float controlRate() const { return sampleRate(); }

    // Refused for null; else level 0, slope 0, counter "no end".
    bool bindOutputs(dsp::EnvelopeOutputs* outputs);
    dsp::EnvelopeOutputs* outputs() const { return outputs_; }
    bool isBoundToOutputs() const { return outputs_ != nullptr; }

    // Fades the level to 0 within 5 ms of control steps.
    void kill() override;

protected:
    // Called after the outputs were bound.
    virtual void outputsBound() {}

private:
    dsp::EnvelopeOutputs* outputs_ = nullptr;
};
