#include "tools/host/render/PluginState.h"

#include "tools/host/lib/FileBytes.h"
#include "tools/host/lib/ParameterLookup.h"
#include "tools/host/lib/StandardErrorCapture.h"

namespace render {
namespace {

constexpr std::size_t kMaxBankFileBytes = 64u << 20;

bool keepsChunks(vsthost::PluginInstance& plugin, const char* option, std::string& error) {
    if (plugin.effect() && (plugin.effect()->flags & effFlagsProgramChunks)) return true;
    error = std::string(option) + ": the plug-in does not keep its programs as chunks (no programChunks flag)";
    return false;
}

// The lines a plug-in printed, joined into one (escaped where it is printed).
std::string oneLine(const std::string& printed) {
    std::string joined;
    std::size_t start = 0;
    while (start < printed.size()) {
        std::size_t end = printed.find('\n', start);
        if (end == std::string::npos) end = printed.size();
        const std::string line = printed.substr(start, end - start);
        if (!line.empty()) joined += (joined.empty() ? "" : "; ") + line;
        start = end + 1;
    }
    return joined;
}

bool giveChunk(vsthost::PluginInstance& plugin, const std::vector<uint8_t>& chunk, bool preset,
               const std::string& path, std::string& error) {
    kelvanti_host::StandardErrorCapture capture;
    const VstIntPtr answer = plugin.setChunk(chunk, preset);
    plugin.dispatch(effIdle);   // a message the plug-in posted to its idle side shows now
    const std::string said = oneLine(capture.finish());
    if (answer != 0 && said.empty()) return true;
    error = path + ": the plug-in refused the " + (preset ? "program" : "bank") +
            " chunk (" + std::to_string(chunk.size()) + " bytes)" + (said.empty() ? "" : ": " + said);
    return false;
}

bool takeChunk(vsthost::PluginInstance& plugin, bool preset, std::vector<uint8_t>& chunk, std::string& error) {
    chunk = plugin.getChunk(preset);
    if (!chunk.empty()) return true;
    error = std::string(preset ? "--save-fxp" : "--save-bank") + ": the plug-in gave no " +
            (preset ? "program" : "bank") + " chunk";
    return false;
}

} // namespace

bool readBankFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    if (!kelvanti_host::readWholeFile(path, kMaxBankFileBytes, bytes, error)) return false;
    if (kelvanti_host::looksLikePresetFile(bytes.data(), bytes.size())) {
        error = path + ": this is a preset (FXP): use --fxp";
        return false;
    }
    if (!bytes.empty()) return true;
    error = path + ": empty file";
    return false;
}

bool loadBank(vsthost::PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& path,
              std::string& error) {
    return keepsChunks(plugin, "--bank", error) && giveChunk(plugin, bytes, false, path, error);
}

bool loadPreset(vsthost::PluginInstance& plugin, const kelvanti_host::ChunkPreset& preset, const std::string& path,
                std::string& error) {
    if (!keepsChunks(plugin, "--fxp", error)) return false;
    const VstInt32 id = plugin.effect()->uniqueID;
    if (preset.pluginId != id) {
        error = path + ": a preset for plug-in " + vsthost::fourCCText(preset.pluginId) + ", not for " +
                vsthost::fourCCText(id);
        return false;
    }
    return giveChunk(plugin, preset.chunk, true, path, error);
}

bool bankFileBytes(vsthost::PluginInstance& plugin, std::vector<uint8_t>& bytes, std::string& error) {
    return keepsChunks(plugin, "--save-bank", error) && takeChunk(plugin, false, bytes, error);
}

bool presetFileBytes(vsthost::PluginInstance& plugin, std::vector<uint8_t>& bytes, std::string& error) {
    kelvanti_host::ChunkPreset preset;
    if (!keepsChunks(plugin, "--save-fxp", error) || !takeChunk(plugin, true, preset.chunk, error)) return false;
    preset.pluginId = plugin.effect()->uniqueID;
    preset.pluginVersion = plugin.effect()->version;
    preset.numParams = plugin.numParams();
    preset.programName = plugin.programName().substr(0, kelvanti_host::kFxpProgramNameChars);
    bytes = kelvanti_host::chunkPresetBytes(preset);
    return true;
}

bool applySettings(vsthost::PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                   std::vector<VstInt32>& touched, std::vector<std::string>& notes, std::string& error) {
    for (const ParameterSetting& setting : settings) {
        const VstInt32 index = vsthost::findParameter(plugin, setting.name);
        if (index < 0) {
            error = "--set: the plug-in has no parameter named '" + setting.name + "' (--info lists them)";
            return false;
        }
        touched.push_back(index);
        const std::string prefix = "--set " + setting.name + ": ";
        if (!vsthost::unitMatches(plugin, index, setting.value.unit)) {
            error = prefix + "'" + setting.value.unit + "' is not its unit; its display runs " +
                    vsthost::parameterRangeText(plugin, index);
            return false;
        }
        if (setting.value.normalised) {
            plugin.setParameter(index, static_cast<float>(setting.value.number));
            continue;
        }
        vsthost::DisplayMatch used;
        if (!vsthost::setParameterByDisplay(plugin, index, setting.value, used)) {
            error = prefix + "no display value matches '" + setting.valueText + "'; its display runs " +
                    vsthost::parameterRangeText(plugin, index) + " (or give 0..1 followed by n)";
            return false;
        }
        if (used.fit == vsthost::DisplayMatch::Fit::PastTheEnds)
            notes.push_back(prefix + "'" + setting.valueText + "' is past what its display shows; using the nearest, " +
                            used.shown + "; its display runs " + vsthost::parameterRangeText(plugin, index));
        else if (used.fit == vsthost::DisplayMatch::Fit::BetweenSteps)
            notes.push_back(prefix + "'" + setting.valueText + "' lies between two values its display shows, " +
                            used.below + " and " + used.above + "; using " + used.shown);
    }
    return true;
}

} // namespace render
