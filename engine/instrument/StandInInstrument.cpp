#include "engine/instrument/StandInInstrument.h"

#include <cstring>

#include "engine/instrument/InstrumentIdentity.h"
#include "framework/sdk/ValueText.h"
#include "framework/synth/VersionNumber.h"

namespace instrument {

StandInInstrument::StandInInstrument(audioMasterCallback host)
    : AudioEffectX(host, kNumPrograms, kHostParametersPerPart) {
    if (host) {
        programsAreChunks();
        canProcessReplacing();
        isSynth();
        setNumOutputs(2 * kStereoOutputPairs);
        setNumInputs(0);
        acceptsIoChanges_ = canHostDo("acceptIOChanges") != 0;
    }
    setUniqueID(kUniqueId);
}

void StandInInstrument::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames) {
    for (VstInt32 channel = 0; channel < cEffect.numOutputs; ++channel) {
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(sampleFrames));
    }
}

VstInt32 StandInInstrument::processEvents(VstEvents* /*events*/) {
    return 1;
}

bool StandInInstrument::getEffectName(char* name) {
    vsttext::copyText(name, kProductName, kVstMaxEffectNameLen);
    return name != nullptr;
}

bool StandInInstrument::getVendorString(char* text) {
    vsttext::copyText(text, kVendorName, kVstMaxVendorStrLen);
    return text != nullptr;
}

bool StandInInstrument::getProductString(char* text) {
    vsttext::copyText(text, kProductName, kVstMaxProductStrLen);
    return text != nullptr;
}

VstInt32 StandInInstrument::getVendorVersion() {
    return synth::versionNumberFromText(kVersionText);
}

bool StandInInstrument::getOutputProperties(VstInt32 /*index*/, VstPinProperties* properties) {
    // One stereo pair: every pin is labelled with the product name's first 6 characters.
    vsttext::copyText(properties->label, kProductName, 6);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

} // namespace instrument
