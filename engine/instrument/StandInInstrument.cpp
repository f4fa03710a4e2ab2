#include "engine/instrument/StandInInstrument.h"

#include <new>

#include "engine/instrument/InstrumentIdentity.h"
#include "framework/sdk/ValueText.h"
#include "framework/synth/VersionNumber.h"

namespace instrument {

namespace {
SynthConfig standInConfig() {
    SynthConfig config;
    config.numPrograms = kNumPrograms;
    config.visibleParametersPerPart = kHostParametersPerPart;
    config.stereoOutputPairs = kStereoOutputPairs;
    config.productName = kProductName;
    config.acceptedPluginIds = "HRVK,HRVO";
    config.versionText = kVersionText;
    config.engineName = kEngineName;
    return config;
}
} // namespace

StandInInstrument::StandInInstrument(audioMasterCallback host) : Synth(host, standInConfig()) {
    setUniqueID(kUniqueId);
}

StandInInstrument::~StandInInstrument() {
    // The idle timer must stop before the parts and voices below go.
    close();
}

void StandInInstrument::open() {
    if (isOpened()) return;
    Synth::open();
    if (!isOpened()) return;
    if (!instrument_) instrument_.reset(new (std::nothrow) Instrument_c(2));
    if (!voices_) voices_.reset(new (std::nothrow) Tone_c[static_cast<size_t>(voiceCount())]);
    if (!instrument_ || !voices_) return;
    for (int32_t i = 0; i < voiceCount(); ++i) {
        voices_[i].bind(this, instrument_.get(), i);
        setVoice(i, &voices_[i]);
    }
    setPart(0, instrument_.get());
    resetVoices();
}

void StandInInstrument::rebindOutputs(float** /*outputs*/) {}

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
