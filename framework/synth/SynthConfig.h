#pragma once
// What a plug-in class tells the plug-in base about itself when it is made.
#include <cstdint>

struct SynthConfig {
    int32_t partProgramStores = 1;
    int32_t fxProgramStores = 0;
    int32_t numPrograms = 128;
    int32_t hostParameterEntries = 44;     // host-parameter entries (EPAS_c count)
    int32_t visibleParametersPerPart = 26;
    int32_t parameterStride = 256;         // host index = part × stride + entry
    int32_t parts = 1;
    int32_t voices = 24;
    int32_t fxUnits = 0;
    int32_t stereoOutputPairs = 1;
    int32_t monoOutputs = 0;
    const char* productName = "";
    const char* acceptedPluginIds = "";    // comma-separated four-character codes
    const char* versionText = "";
    const char* engineName = "";
    bool exposeParameters = true;

    // The parts a plug-in base can address; more makes an unusable object.
    static constexpr int32_t kMaxParts = 440;

    // numParams for the effect record.
    int32_t hostParameterCount() const {
        if (!exposeParameters) return 0;
        if (parts < 2) return visibleParametersPerPart;
        return (parts + 1) * parameterStride - 1;
    }
};
