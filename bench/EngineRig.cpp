#include "bench/EngineRig.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include "tools/host/watch/AudioCallWatch.h"

namespace bench {

void useScratchRegistry() {
    static const std::filesystem::path dir = [] {
        std::random_device seed;
        auto path = std::filesystem::temp_directory_path() /
                    ("kelvanti-bench-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path);
        ::setenv("KELVANTI_REGISTRY_DIR", path.string().c_str(), 1);
        return path;
    }();
    static struct Cleanup {
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    } cleanup;
}

int heldKey(int index) { return 36 + 2 * index; }

EngineRig::EngineRig(const std::string& pluginPath, float rate, int block, bool hostSuppliesIdle)
    : rate_(rate), block_(block), in_(0, block), out_(2, block) {
    useScratchRegistry();
    host_.answers().recordCalls = false;   // answering the plug-in then allocates nothing
    if (hostSuppliesIdle) host_.answers().canDo["supplyIdle"] = 1;
    host_.answers().sampleRate = static_cast<VstIntPtr>(rate);
    host_.answers().blockSize = block;
    plugin_ = vsthost::PluginInstance::load(pluginPath, host_, error_);
    if (!plugin_) return;
    plugin_->open();
    plugin_->setSampleRate(rate);
    plugin_->setBlockSize(block);
    plugin_->resume();
}

int EngineRig::setLongestDecays(std::string& display) {
    int set = 0;
    const std::string suffix = "Decay";
    for (VstInt32 i = 0; i < plugin_->numParams(); ++i) {
        const std::string name = plugin_->parameterName(i);
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        plugin_->setParameter(i, 1.0f);
        display = plugin_->parameterDisplay(i);
        ++set;
    }
    return set;
}

void EngineRig::holdNotes(int voices, int velocity) {
    for (int v = 0; v < voices; ++v)
        events_.addMidi(0, 0x90, static_cast<std::uint8_t>(heldKey(v)), static_cast<std::uint8_t>(velocity));
}

void EngineRig::queueMidi(int offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    events_.addMidi(offset, status, data1, data2);
}

void EngineRig::process() {
    VstEvents* record = events_.empty() ? nullptr : events_.events();
    if (watch_) {
        vsthost::ArmedAudioSection armed;
        if (record) plugin_->dispatch(effProcessEvents, 0, 0, record);
        plugin_->processReplacing(in_, out_, block_);
    } else {
        if (record) plugin_->dispatch(effProcessEvents, 0, 0, record);
        plugin_->processReplacing(in_, out_, block_);
    }
    events_.clear();
}

} // namespace bench
