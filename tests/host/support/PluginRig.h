#pragma once
// The built plug-in in a host of ours: loaded, given a rate and block size,
// resumed, and played block by block with MIDI at exact offsets. The
// registry goes to a scratch folder so no test touches the user's settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/host/lib/AudioBuffers.h"
#include "tools/host/lib/EventList.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace pluginrig {

// A fresh registry folder for this process, removed at exit.
inline const std::string& scratchRegistry() {
    static const std::string path = [] {
        std::random_device seed;
        const auto dir = std::filesystem::temp_directory_path() /
                         ("kelvanti-params-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(dir);
        ::setenv("KELVANTI_REGISTRY_DIR", dir.string().c_str(), 1);
        static struct Cleanup {
            std::filesystem::path dir;
            ~Cleanup() {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            }
        } cleanup{dir};
        return dir.string();
    }();
    return path;
}

// The silence the plug-in writes before rendering is ±1e-7.
constexpr float kSilence = 1e-6f;

struct Rig {
    explicit Rig(float rate = 44100.0f, int block = 512) : rate(rate), block(block), out(2, block) {
        scratchRegistry();
        std::string error;
        plugin = vsthost::PluginInstance::load(KELVANTI_PLUGIN_PATH, host, error);
        if (!plugin) {
            ADD_FAILURE() << error;
            return;
        }
        plugin->open();
        plugin->setSampleRate(rate);
        plugin->setBlockSize(block);
        plugin->resume();
    }

    // Renders frames with the events given (offsets within this block) and
    // appends both channels to the recordings.
    void render(int frames, vsthost::EventList* events = nullptr) {
        if (!plugin) return;
        if (events && !events->empty()) plugin->sendEvents(*events);
        vsthost::AudioBuffers in(0, frames);
        out.resize(2, frames);
        plugin->processReplacing(in, out, frames);
        left.insert(left.end(), out.channel(0).begin(), out.channel(0).end());
        right.insert(right.end(), out.channel(1).begin(), out.channel(1).end());
    }
    void renderSilence(int frames) {
        while (frames > 0) {
            const int n = std::min(frames, block);
            render(n);
            frames -= n;
        }
    }
    void note(int frames, int offset, int key, int velocity) {
        vsthost::EventList events;
        events.addMidi(offset, velocity > 0 ? 0x90 : 0x80, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity));
        render(frames, &events);
    }

    float rate;
    int block;
    vsthost::Host host;
    std::unique_ptr<vsthost::PluginInstance> plugin;
    vsthost::AudioBuffers out;
    std::vector<float> left, right;
};

inline double peakOf(const std::vector<float>& x, size_t from, size_t to) {
    double p = 0.0;
    for (size_t i = from; i < std::min(to, x.size()); ++i) p = std::max(p, std::fabs(static_cast<double>(x[i])));
    return p;
}

inline double rmsOf(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = from; i < std::min(to, x.size()); ++i, ++n) sum += static_cast<double>(x[i]) * x[i];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

// The first sample from `from` whose magnitude exceeds the silence; -1 when none.
inline long firstSound(const std::vector<float>& x, size_t from = 0) {
    for (size_t i = from; i < x.size(); ++i)
        if (std::fabs(x[i]) > kSilence) return static_cast<long>(i);
    return -1;
}

} // namespace pluginrig
