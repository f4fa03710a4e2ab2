#include "tools/host/render/PluginState.h"

#include "tools/host/lib/FileBytes.h"
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/ParameterLookup.h"

namespace render {
namespace {

constexpr std::size_t kMaxBankFileBytes = 64u << 20;

bool keepsChunks(vsthost::PluginInstance& plugin, const char* option, std::string& error) {
    if (plugin.effect() && (plugin.effect()->flags & effFlagsProgramChunks)) return true;
    error = std::string(option) + ": the plug-in does not keep its programs as chunks (no programChunks flag)";
    return false;
}

bool giveChunk(vsthost::PluginInstance& plugin, const std::vector<uint8_t>& chunk, bool preset,
               const std::string& path, std::string& error) {
    if (plugin.setChunk(chunk, preset) != 0) return true;
    error = path + ": the plug-in refused the " + (preset ? "program" : "bank") + " chunk (" +
            std::to_string(chunk.size()) + " bytes)";
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

bool loadBank(vsthost::PluginInstance& plugin, const std::string& path, std::string& error) {
    if (!keepsChunks(plugin, "--bank", error)) return false;
    std::vector<uint8_t> bytes;
    if (!kelvanti_host::readWholeFile(path, kMaxBankFileBytes, bytes, error)) return false;
    if (bytes.empty()) {
        error = path + ": empty file";
        return false;
    }
    return giveChunk(plugin, bytes, false, path, error);
}

bool loadPreset(vsthost::PluginInstance& plugin, const std::string& path, std::string& error) {
    if (!keepsChunks(plugin, "--fxp", error)) return false;
    kelvanti_host::ChunkPreset preset;
    if (!kelvanti_host::readChunkPreset(path, preset, error)) return false;
    const VstInt32 id = plugin.effect()->uniqueID;
    if (preset.pluginId != id) {
        error = path + ": a preset for plug-in " + vsthost::fourCCText(preset.pluginId) + ", not for " +
                vsthost::fourCCText(id);
        return false;
    }
    return giveChunk(plugin, preset.chunk, true, path, error);
}

bool saveBank(vsthost::PluginInstance& plugin, const std::string& path, std::string& error) {
    std::vector<uint8_t> chunk;
    return keepsChunks(plugin, "--save-bank", error) && takeChunk(plugin, false, chunk, error) &&
           kelvanti_host::writeWholeFile(path, chunk, error);
}

bool savePreset(vsthost::PluginInstance& plugin, const std::string& path, std::string& error) {
    kelvanti_host::ChunkPreset preset;
    if (!keepsChunks(plugin, "--save-fxp", error) || !takeChunk(plugin, true, preset.chunk, error)) return false;
    preset.pluginId = plugin.effect()->uniqueID;
    preset.pluginVersion = plugin.effect()->version;
    preset.numParams = plugin.numParams();
    preset.programName = plugin.programName().substr(0, kelvanti_host::kFxpProgramNameChars);
    return kelvanti_host::writeChunkPreset(path, preset, error);
}

bool applySettings(vsthost::PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                   std::string& error) {
    for (const ParameterSetting& setting : settings) {
        const VstInt32 index = vsthost::findParameter(plugin, setting.name);
        if (index < 0) {
            error = "--set: the plug-in has no parameter named '" + setting.name + "' (--info lists them)";
            return false;
        }
        if (setting.value.normalised) {
            plugin.setParameter(index, static_cast<float>(setting.value.number));
            continue;
        }
        float normalised = 0.0f;
        if (!vsthost::setParameterByDisplay(plugin, index, setting.value.number, normalised)) {
            error = "--set " + setting.name + ": its display shows no numbers to match '" + setting.valueText +
                    "'; give the value as 0..1 followed by n";
            return false;
        }
    }
    return true;
}

} // namespace render
