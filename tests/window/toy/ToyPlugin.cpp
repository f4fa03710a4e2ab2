// The toy editor as a VST 2.4 plug-in, for the host tool's tests: four
// parameters (Power, Level, Text, Files), an editor in an X11 child window of
// the host's parent, and audio that is the Level (so it plays with or
// without an editor). Text shows its first 8 bytes; Files the FNV-1a hash of
// the dropped paths (joined by ';'), as display strings are 8 bytes at most.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/sdk/VstInterface.h"
#include "os/window/X11Window.h"
#include "tests/window/toy/ToyEditor.h"

namespace {

struct ToyPlugin {
    AEffect effect{};
    audioMasterCallback master = nullptr;
    toy::ToyModel model;
    std::unique_ptr<toy::ToyEditor> editor;
    bool closeAfterDispatch = false;
    ERect rect{0, 0, toy::kHeight, toy::kWidth};
};

ToyPlugin* pluginOf(AEffect* effect) { return static_cast<ToyPlugin*>(effect->object); }

void copyText(void* ptr, const std::string& text, size_t size) {
    if (!ptr) return;
    std::snprintf(static_cast<char*>(ptr), size, "%s", text.c_str());
}

std::string displayOf(const ToyPlugin& plugin, VstInt32 index) {
    char number[32];
    switch (index) {
    case toy::kPower: return plugin.model.values[toy::kPower] >= 0.5f ? "On" : "Off";
    case toy::kLevel: std::snprintf(number, sizeof number, "%.3f", plugin.model.values[toy::kLevel]); return number;
    case toy::kText: return plugin.model.text.substr(0, kVstMaxParamStrLen);
    case toy::kFiles: std::snprintf(number, sizeof number, "%08x", toy::fnv1a(plugin.model.files)); return number;
    default: return "";
    }
}

toy::ToyHostLink linkOf(ToyPlugin* plugin) {
    toy::ToyHostLink link;
    AEffect* effect = &plugin->effect;
    audioMasterCallback master = plugin->master;
    link.beginEdit = [=](int index) { master(effect, audioMasterBeginEdit, index, 0, nullptr, 0.0f); };
    link.automate = [=](int index, float value) { master(effect, audioMasterAutomate, index, 0, nullptr, value); };
    link.endEdit = [=](int index) { master(effect, audioMasterEndEdit, index, 0, nullptr, 0.0f); };
    link.idle = [=]() { master(effect, audioMasterIdle, 0, 0, nullptr, 0.0f); };
    return link;
}

// A close asked for while the editor handles an event (from the host's idle
// inside a drag) waits until that dispatch has unwound.
void closeEditor(ToyPlugin* plugin) {
    if (plugin->editor && plugin->editor->dispatching()) {
        plugin->closeAfterDispatch = true;
        return;
    }
    plugin->editor.reset();
    plugin->closeAfterDispatch = false;
}

VstIntPtr VSTCALLBACK dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float) {
    ToyPlugin* plugin = pluginOf(effect);
    switch (opcode) {
    case effClose:
        plugin->editor.reset();
        delete plugin;
        return 1;
    case effGetParamName: {
        static const char* const names[] = {"Power", "Level", "Text", "Files"};
        if (index >= 0 && index < toy::kParamCount) copyText(ptr, names[index], kVstMaxParamStrLen + 1);
        return 0;
    }
    case effGetParamDisplay:
        copyText(ptr, displayOf(*plugin, index), kVstMaxParamStrLen + 1);
        return 0;
    case effGetEffectName:
        copyText(ptr, "Toy Editor", kVstMaxEffectNameLen + 1);
        return 1;
    case effGetVendorString:
        copyText(ptr, "Harvell", kVstMaxVendorStrLen + 1);
        return 1;
    case effGetVstVersion:
        return kVstVersion;
    case effEditGetRect:
        if (ptr) *static_cast<ERect**>(ptr) = &plugin->rect;
        return 1;
    case effEditOpen: {
        closeEditor(plugin);   // a second open without a close replaces the first
        if (plugin->editor) return 0;
        auto window = os::openX11Window(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ptr)), toy::kWidth,
                                        toy::kHeight);
        if (!window) return 0;
        plugin->editor = std::make_unique<toy::ToyEditor>(plugin->model, linkOf(plugin), std::move(window));
        return 1;
    }
    case effEditClose:
        closeEditor(plugin);
        return 1;
    case effEditIdle:
        if (plugin->editor) {
            plugin->editor->idle();
            if (plugin->closeAfterDispatch) closeEditor(plugin);
        }
        return 1;
    default:
        (void)value;
        return 0;
    }
}

void VSTCALLBACK setParameter(AEffect* effect, VstInt32 index, float value) {
    ToyPlugin* plugin = pluginOf(effect);
    if (index < 0 || index >= toy::kParamCount) return;
    plugin->model.values[index] = value;
    if (plugin->editor) plugin->editor->markDirty();
}

float VSTCALLBACK getParameter(AEffect* effect, VstInt32 index) {
    return index >= 0 && index < toy::kParamCount ? pluginOf(effect)->model.values[index] : 0.0f;
}

void VSTCALLBACK processReplacing(AEffect* effect, float**, float** outputs, VstInt32 frames) {
    const float level = pluginOf(effect)->model.values[toy::kLevel];
    for (int channel = 0; channel < 2; ++channel)
        for (VstInt32 i = 0; i < frames; ++i) outputs[channel][i] = level;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback master) {
    if (!master || master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* plugin = new ToyPlugin;
    plugin->master = master;
    AEffect& e = plugin->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatch;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numParams = toy::kParamCount;
    e.numOutputs = 2;
    e.flags = effFlagsHasEditor | effFlagsCanReplacing;
    e.object = plugin;
    e.uniqueID = vstFourCC('K', 'T', 'o', 'y');
    e.version = 1;
    return &e;
}
