// A plug-in that misbehaves on purpose, so the audio-call watch can show it
// really sees calls made from inside a dlopen'ed library. Parameter 0 picks
// the fault: below 0.25 none; below 0.5 malloc in processReplacing; below
// 0.75 operator new in processEvents; else dlsym in processReplacing.
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

#include "framework/sdk/VstInterface.h"

namespace {

enum class Fault { None, MallocInProcess, NewInEvents, DlsymInProcess };

struct ControlPlugin {
    AEffect effect{};
    float faultValue = 0.0f;
    void* volatile keep = nullptr;   // stops the compiler from dropping the allocations

    Fault fault() const {
        if (faultValue < 0.25f) return Fault::None;
        if (faultValue < 0.5f) return Fault::MallocInProcess;
        if (faultValue < 0.75f) return Fault::NewInEvents;
        return Fault::DlsymInProcess;
    }
};

ControlPlugin* pluginOf(AEffect* effect) {
    return static_cast<ControlPlugin*>(effect->object);
}

VstIntPtr VSTCALLBACK dispatch(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    ControlPlugin* plugin = pluginOf(effect);
    if (opcode == effClose) {
        delete plugin;
        return 1;
    }
    if (opcode == effProcessEvents && plugin->fault() == Fault::NewInEvents) {
        int* scratch = new int[64];
        plugin->keep = scratch;
        delete[] scratch;
    }
    return opcode == effProcessEvents ? 1 : 0;
}

void VSTCALLBACK processReplacing(AEffect* effect, float**, float** outputs, VstInt32 frames) {
    ControlPlugin* plugin = pluginOf(effect);
    if (plugin->fault() == Fault::MallocInProcess) {
        void* scratch = std::malloc(256);
        plugin->keep = scratch;
        std::free(scratch);
    }
    if (plugin->fault() == Fault::DlsymInProcess) plugin->keep = ::dlsym(RTLD_DEFAULT, "free");
    for (int channel = 0; channel < 2; ++channel) {
        std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
}

void VSTCALLBACK setParameter(AEffect* effect, VstInt32 index, float value) {
    if (index == 0) pluginOf(effect)->faultValue = value;
}

float VSTCALLBACK getParameter(AEffect* effect, VstInt32 index) {
    return index == 0 ? pluginOf(effect)->faultValue : 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    if (!host) return nullptr;
    auto* plugin = new ControlPlugin;
    AEffect& effect = plugin->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatch;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.processReplacing = processReplacing;
    effect.numParams = 1;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect.uniqueID = vstFourCC('W', 'c', 't', 'l');
    effect.object = plugin;
    return &effect;
}
