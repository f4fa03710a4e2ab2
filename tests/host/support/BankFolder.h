#pragma once
// A data folder holding a bank of presets that the plug-in itself wrote:
// "<data>/Kelvanti Banks/Diverse/Prog NN.FXP", each with its own "Timbre
// Range" (host parameter 0), plus a second bank folder "Drums" with two
// presets. KELVANTI_DATA_DIR points the plug-in at it; build it before the
// instances under test resume (they list the folder then). Removed at exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace bankfolder {

struct Bank {
    bool ok = false;                // every preset written
    std::filesystem::path data;    // what KELVANTI_DATA_DIR names
    std::filesystem::path diverse; // the default bank folder
    std::vector<std::string> names; // the file names without extension, in order
    std::vector<float> timbre;      // host parameter 0 of each preset
};

// The name of program i; program 5 has a name longer than a host's 23 characters.
inline std::string programName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, i == 5 ? "Prog %02d has a much longer name" : "Prog %02d", i);
    return name;
}

inline bool writePreset(vsthost::PluginInstance& plugin, const std::filesystem::path& path, float timbre) {
    plugin.setParameter(0, timbre);
    kelvanti_host::ChunkPreset preset;
    preset.pluginId = plugin.effect()->uniqueID;
    preset.pluginVersion = 1;
    preset.numParams = 1;
    preset.programName = path.stem().string();
    preset.chunk = plugin.getChunk(true);
    std::string error;
    return !preset.chunk.empty() && kelvanti_host::writeChunkPreset(path.string(), preset, error);
}

// Twelve presets of the plug-in at pluginPath (built once per process; ok
// stays false for a plug-in that gives no program chunk).
inline const Bank& bank(const std::string& pluginPath = KELVANTI_PLUGIN_PATH) {
    static const Bank made = [&pluginPath] {
        Bank b;
        std::random_device seed;
        b.data = std::filesystem::temp_directory_path() /
                 ("kelvanti-banks-" + std::to_string(seed()) + std::to_string(seed()));
        b.diverse = b.data / "Kelvanti Banks" / "Diverse";
        std::filesystem::create_directories(b.diverse);
        std::filesystem::create_directories(b.data / "Kelvanti Banks" / "Drums");
        // Settings of this process's own: a default preset stored by another
        // test process must not win over this bank's first preset.
        std::filesystem::create_directories(b.data / "registry");
        ::setenv("KELVANTI_REGISTRY_DIR", (b.data / "registry").string().c_str(), 1);
        static struct Cleanup {
            std::filesystem::path dir;
            ~Cleanup() {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            }
        } cleanup{b.data};
        vsthost::Host host;
        std::string error;
        auto plugin = vsthost::PluginInstance::load(pluginPath, host, error);
        if (!plugin) return b;
        plugin->open();
        b.ok = true;
        for (int i = 0; i < 12; ++i) {
            const float timbre = static_cast<float>(i + 1) / 16.0f;
            b.names.push_back(programName(i));
            b.timbre.push_back(timbre);
            b.ok = writePreset(*plugin, b.diverse / (b.names.back() + ".FXP"), timbre) && b.ok;
        }
        b.ok = writePreset(*plugin, b.data / "Kelvanti Banks" / "Drums" / "Kick.FXP", 0.9f) && b.ok;
        b.ok = writePreset(*plugin, b.data / "Kelvanti Banks" / "Drums" / "Snare.FXP", 0.95f) && b.ok;
        plugin->close();
        ::setenv("KELVANTI_DATA_DIR", b.data.string().c_str(), 1);
        return b;
    }();
    return made;
}

} // namespace bankfolder
