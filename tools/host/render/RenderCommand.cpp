#include "tools/host/render/RenderCommand.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/lib/DemoPattern.h"
#include "tools/host/lib/MidiFile.h"
#include "tools/host/lib/ParameterLookup.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/render/PluginLocation.h"
#include "tools/host/render/PluginState.h"
#include "tools/host/render/RenderSession.h"

namespace render {
namespace {

int fail(const std::string& error) {
    std::fprintf(stderr, "kelvanti-render: %s\n", error.c_str());
    return 1;
}

std::unique_ptr<vsthost::PluginInstance> loadInstrument(const std::string& path, vsthost::Host& host,
                                                        std::string& error) {
    std::unique_ptr<vsthost::PluginInstance> plugin = vsthost::PluginInstance::load(path, host, error);
    if (!plugin) return nullptr;
    const AEffect* effect = plugin->effect();
    if (!(effect->flags & effFlagsIsSynth)) {
        error = "'" + path + "' is not an instrument (no isSynth flag)";
        return nullptr;
    }
    if (effect->numOutputs < 1 || !effect->processReplacing) {
        error = "'" + path + "' has no " + (effect->numOutputs < 1 ? "outputs" : "processReplacing");
        return nullptr;
    }
    return plugin;
}

// The MIDI file's events, or the demo with its parameter changes. Demo
// parameters the plug-in does not have are dropped with one warning line.
bool buildPerformance(const Options& options, vsthost::PluginInstance& plugin, kelvanti_host::Performance& out,
                      std::vector<VstInt32>& changeIndices, std::string& error) {
    if (!options.midiPath.empty()) return kelvanti_host::readMidiFile(options.midiPath, out.midi, error);
    kelvanti_host::Performance demo = kelvanti_host::demoPattern();
    out.midi = std::move(demo.midi);
    std::string missing;
    for (const kelvanti_host::ParameterChange& change : demo.parameterChanges) {
        const VstInt32 index = vsthost::findParameter(plugin, change.name);
        if (index >= 0) {
            out.parameterChanges.push_back(change);
            changeIndices.push_back(index);
        } else if (missing.find("'" + change.name + "'") == std::string::npos) {
            missing += (missing.empty() ? "'" : ", '") + change.name + "'";
        }
    }
    if (!missing.empty())
        std::fprintf(stderr, "kelvanti-render: warning: the demo's parameter changes of %s are skipped "
                     "(the plug-in has no such parameters)\n", missing.c_str());
    return true;
}

} // namespace

int runRender(const Options& options) {
    const std::string pluginPath = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    vsthost::Host host;
    host.answers().sampleRate = options.sampleRate;
    host.answers().blockSize = options.blockSize;
    std::string error;
    std::unique_ptr<vsthost::PluginInstance> plugin = loadInstrument(pluginPath, host, error);
    if (!plugin) return fail(error);
    plugin->open();
    plugin->setSampleRate(static_cast<float>(options.sampleRate));
    plugin->setBlockSize(options.blockSize);

    const bool saving = !options.saveBankPath.empty() || !options.saveFxpPath.empty();
    if ((!options.bankPath.empty() && !loadBank(*plugin, options.bankPath, error)) ||
        (!options.fxpPath.empty() && !loadPreset(*plugin, options.fxpPath, error)) ||
        !applySettings(*plugin, options.settings, error) ||
        (!options.saveBankPath.empty() && !saveBank(*plugin, options.saveBankPath, error)) ||
        (!options.saveFxpPath.empty() && !savePreset(*plugin, options.saveFxpPath, error)))
        return fail(error);
    if (saving && options.midiPath.empty() && options.outputPath.empty()) return 0;

    kelvanti_host::Performance performance;
    std::vector<VstInt32> changeIndices;
    if (!buildPerformance(options, *plugin, performance, changeIndices, error)) return fail(error);

    RenderSession session(*plugin, options);
    kelvanti_host::RenderSummary summary;
    if (!session.play(performance, changeIndices, summary, error)) return fail(error);
    std::printf("%s\n", kelvanti_host::formatRenderSummary(summary).c_str());
    return 0;
}

} // namespace render
