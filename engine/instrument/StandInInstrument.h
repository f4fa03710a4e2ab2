#pragma once
// The effect the factory makes until the instrument class lands: the
// plug-in base with the instrument's identity and I/O, one plain instrument
// and 24 plain voices that take notes but make no sound yet.
#include <memory>

#include "engine/modules/Tone_c.h"
#include "framework/synth/Synth.h"
#include "framework/voice/Instrument_c.h"

namespace instrument {

class StandInInstrument : public Synth {
public:
    explicit StandInInstrument(audioMasterCallback host);
    ~StandInInstrument() override;

    void open() override;
    void rebindOutputs(float** outputs) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 getPlugCategory() override { return kPlugCategSynth; }
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;

private:
    // Owned here; handed to the base as pointers after open.
    std::unique_ptr<Instrument_c> instrument_;
    std::unique_ptr<Tone_c[]> voices_;
};

} // namespace instrument
