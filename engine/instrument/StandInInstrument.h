#pragma once
// The effect the factory makes until the instrument class lands: the
// instrument's identity, I/O, flags and host answers, and silence as sound.
#include "framework/sdk/AudioEffectX.h"

namespace instrument {

class StandInInstrument : public AudioEffectX {
public:
    explicit StandInInstrument(audioMasterCallback host);

    // Audio thread: writes silence into both outputs.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 processEvents(VstEvents* events) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 getPlugCategory() override { return kPlugCategSynth; }
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 fxIdle() override { return 1; }

    bool hostAcceptsIoChanges() const { return acceptsIoChanges_; }

private:
    bool acceptsIoChanges_ = false;
};

} // namespace instrument
