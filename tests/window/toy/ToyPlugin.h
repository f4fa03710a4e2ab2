#pragma once
// The toy editor as a VST 2.4 plug-in, for the host tool's tests: five
// parameters (Power, Level, Text, Files, Locked), the toy editor on the
// toolkit, and audio that is the Level (so it plays with or without an
// editor). Text and Locked show their first 8 bytes; Files the FNV-1a hash
// of the dropped or chosen paths (joined by ';'), as display strings are 8
// bytes at most.
#include "framework/sdk/AudioEffectX.h"
#include "tests/window/toy/ToyEditor.h"

namespace toy {

class ToyPlugin : public AudioEffectX {
public:
    explicit ToyPlugin(audioMasterCallback host);
    // The editor goes before the model it shows.
    ~ToyPlugin() override {
        delete editor;
        editor = nullptr;
    }

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;

    ToyModel model;
    ToyEditor* toyEditor() const { return static_cast<ToyEditor*>(editor); }
};

} // namespace toy
