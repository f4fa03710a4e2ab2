#include "tests/window/toy/ToyPlugin.h"

#include <cstdio>
#include <string>

namespace toy {
namespace {

void copyText(char* to, const std::string& text) {
    std::snprintf(to, kVstMaxParamStrLen + 1, "%s", text.c_str());
}

} // namespace

ToyPlugin::ToyPlugin(audioMasterCallback host) : AudioEffectX(host, 1, kParamCount) {
    setNumInputs(0);
    setNumOutputs(2);
    canProcessReplacing();
    setUniqueID(vstFourCC('K', 'T', 'o', 'y'));
    new ToyEditor(this, model);   // registers itself as the editor; deleted with the effect
}

void ToyPlugin::setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= kParamCount) return;
    model.values[index] = value;
    if (toyEditor()) toyEditor()->markDirty();
}

float ToyPlugin::getParameter(VstInt32 index) {
    return index >= 0 && index < kParamCount ? model.values[index] : 0.0f;
}

void ToyPlugin::getParameterName(VstInt32 index, char* text) {
    static const char* const names[] = {"Power", "Level", "Text", "Files", "Locked"};
    copyText(text, index >= 0 && index < kParamCount ? names[index] : "");
}

void ToyPlugin::getParameterDisplay(VstInt32 index, char* text) {
    char number[32];
    switch (index) {
    case kPower: copyText(text, model.values[kPower] >= 0.5f ? "On" : "Off"); return;
    case kLevel: std::snprintf(number, sizeof number, "%.3f", model.values[kLevel]); copyText(text, number); return;
    case kText: copyText(text, model.text.substr(0, kVstMaxParamStrLen)); return;
    case kFiles: std::snprintf(number, sizeof number, "%08x", fnv1a(model.files)); copyText(text, number); return;
    case kLocked: copyText(text, model.locked.substr(0, kVstMaxParamStrLen)); return;
    default: copyText(text, "");
    }
}

bool ToyPlugin::getEffectName(char* name) {
    std::snprintf(name, kVstMaxEffectNameLen + 1, "Toy Editor");
    return true;
}

bool ToyPlugin::getVendorString(char* text) {
    std::snprintf(text, kVstMaxVendorStrLen + 1, "Harvell");
    return true;
}

void ToyPlugin::processReplacing(float**, float** outputs, VstInt32 frames) {
    const float level = model.values[kLevel];
    for (int channel = 0; channel < 2; ++channel)
        for (VstInt32 i = 0; i < frames; ++i) outputs[channel][i] = level;
}

} // namespace toy

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback master) {
    if (!master || master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return (new toy::ToyPlugin(master))->getAeffect();
}
