#include "tools/host/lib/PluginInfo.h"

namespace vsthost {

PluginInfo readPluginInfo(PluginInstance& plugin) {
    PluginInfo info;
    const AEffect* effect = plugin.effect();
    if (!effect) return info;
    info.effectName = plugin.effectName();
    info.vendor = plugin.vendorString();
    info.product = plugin.productString();
    info.vendorVersion = plugin.vendorVersion();
    info.uniqueId = effect->uniqueID;
    info.version = effect->version;
    info.vstVersion = plugin.dispatch(effGetVstVersion);
    info.category = plugin.dispatch(effGetPlugCategory);
    info.inputs = effect->numInputs;
    info.outputs = effect->numOutputs;
    info.flags = effect->flags;
    info.initialDelay = effect->initialDelay;
    info.numPrograms = effect->numPrograms;
    info.numParams = effect->numParams;
    info.currentProgram = plugin.program();
    info.currentProgramName = plugin.programName();
    for (VstInt32 i = 0; i < info.numParams && i < 100000; ++i) {
        ParameterInfo parameter;
        parameter.index = i;
        parameter.name = plugin.parameterName(i);
        parameter.display = plugin.parameterDisplay(i);
        parameter.label = plugin.parameterLabel(i);
        parameter.value = plugin.getParameter(i);
        info.parameters.push_back(parameter);
    }
    return info;
}

std::string flagNames(VstInt32 flags) {
    static const struct {
        VstInt32 bit;
        const char* name;
    } kNames[] = {
        {effFlagsHasEditor, "hasEditor"},       {effFlagsHasClip, "hasClip"},
        {effFlagsHasVu, "hasVu"},               {effFlagsCanMono, "canMono"},
        {effFlagsCanReplacing, "canReplacing"}, {effFlagsProgramChunks, "programChunks"},
        {effFlagsIsSynth, "isSynth"},           {effFlagsNoSoundInStop, "noSoundInStop"},
        {effFlagsExtIsAsync, "extIsAsync"},     {effFlagsExtHasBuffer, "extHasBuffer"},
        {effFlagsCanDoubleReplacing, "canDoubleReplacing"},
    };
    std::string text;
    VstInt32 known = 0;
    for (const auto& entry : kNames) {
        known |= entry.bit;
        if (flags & entry.bit) text += (text.empty() ? "" : " ") + std::string(entry.name);
    }
    if (flags & ~known) text += (text.empty() ? "" : " ") + std::string("unknown bits");
    return text.empty() ? "none" : text;
}

std::string categoryName(VstIntPtr category) {
    static const char* const kNames[] = {"unknown",    "effect",     "synth",          "analysis",
                                         "mastering",  "spatializer", "room effect",   "surround effect",
                                         "restoration", "offline process", "shell",   "generator"};
    if (category < 0 || category >= static_cast<VstIntPtr>(sizeof kNames / sizeof kNames[0])) return "unknown";
    return kNames[category];
}

} // namespace vsthost
