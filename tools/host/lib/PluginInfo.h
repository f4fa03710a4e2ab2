#pragma once
// What a host learns from an effect: identity, I/O, flags, programs and
// parameters, read through the dispatcher.
#include <string>
#include <vector>

#include "framework/sdk/VstInterface.h"
#include "tools/host/lib/PluginInstance.h"

namespace vsthost {

struct ParameterInfo {
    VstInt32 index = 0;
    std::string name;
    std::string display;
    std::string label;
    float value = 0.0f;
};

struct PluginInfo {
    std::string effectName;
    std::string vendor;
    std::string product;
    VstIntPtr vendorVersion = 0;
    VstInt32 uniqueId = 0;
    VstInt32 version = 0;               // the record's version field
    VstIntPtr vstVersion = 0;
    VstIntPtr category = 0;
    VstInt32 inputs = 0;
    VstInt32 outputs = 0;
    VstInt32 flags = 0;
    VstInt32 initialDelay = 0;
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    VstInt32 currentProgram = 0;
    std::string currentProgramName;
    std::vector<ParameterInfo> parameters;
};

// Reads everything from an opened effect (the caller opens and closes it).
PluginInfo readPluginInfo(PluginInstance& plugin);

// "canReplacing programChunks isSynth" for the set flags.
std::string flagNames(VstInt32 flags);
// "synth", "effect", ... for a plug-in category.
std::string categoryName(VstIntPtr category);

} // namespace vsthost
