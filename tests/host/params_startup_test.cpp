// What a host sets between open and the first resume survives the plug-in's
// start-up preset load: the default preset of the bank folder fills in the
// values the host left alone, never the ones it set, and never replaces a
// program chunk the host loaded.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/host/support/BankFolder.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace {

constexpr int kTimbreRange = 0;   // differs between the bank's presets
constexpr int kBaseDecay = 8;

struct Instance {
    vsthost::Host host;
    std::unique_ptr<vsthost::PluginInstance> plugin;
};

// Loaded and opened, not yet resumed (the bank folder must exist first).
std::unique_ptr<Instance> openInstance() {
    auto made = std::make_unique<Instance>();
    std::string error;
    made->plugin = vsthost::PluginInstance::load(KELVANTI_PLUGIN_PATH, made->host, error);
    if (!made->plugin) {
        ADD_FAILURE() << error;
        return made;
    }
    made->plugin->open();
    made->plugin->setSampleRate(44100.0f);
    made->plugin->setBlockSize(256);
    return made;
}

// The position a host write of x leaves (the value's own step).
float settled(int index, float x) {
    auto probe = openInstance();
    probe->plugin->setParameter(index, x);
    return probe->plugin->getParameter(index);
}

TEST(ParamsStartup, HostWritesBeforeTheFirstResumeSurviveTheDefaultPreset) {
    const bankfolder::Bank& bank = bankfolder::bank();
    ASSERT_TRUE(bank.ok);
    const float presetTimbre = settled(kTimbreRange, bank.timbre[0]);
    const float hostTimbre = settled(kTimbreRange, 0.8f);
    const float hostDecay = settled(kBaseDecay, 0.3f);
    const float defaultDecay = openInstance()->plugin->getParameter(kBaseDecay);
    ASSERT_NE(presetTimbre, hostTimbre);
    ASSERT_NE(hostDecay, defaultDecay);

    struct Case {
        const char* what;
        std::vector<std::pair<int, float>> writes;
        bool namesFirst;   // the host asks for program names before it resumes
        float timbre, decay;
    };
    const std::vector<Case> cases = {
        // Positive control: the default preset does load at the first resume.
        {"nothing written", {}, false, presetTimbre, defaultDecay},
        {"the preset's own parameter", {{kTimbreRange, 0.8f}}, false, hostTimbre, defaultDecay},
        {"another parameter", {{kBaseDecay, 0.3f}}, false, presetTimbre, hostDecay},
        {"written twice, the last counts", {{kTimbreRange, 0.1f}, {kTimbreRange, 0.8f}}, false, hostTimbre,
         defaultDecay},
        {"names asked first", {{kTimbreRange, 0.8f}}, true, hostTimbre, defaultDecay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto instance = openInstance();
        auto& p = *instance->plugin;
        for (const auto& [index, value] : c.writes) p.setParameter(index, value);
        if (c.namesFirst) {
            EXPECT_EQ(p.programNameIndexed(0), bank.names[0]);
        }
        p.resume();
        EXPECT_EQ(p.programNameIndexed(0), bank.names[0]);   // the folder was listed
        EXPECT_FLOAT_EQ(p.getParameter(kTimbreRange), c.timbre);
        EXPECT_FLOAT_EQ(p.getParameter(kBaseDecay), c.decay);
        // Later resumes load nothing: the values stay.
        p.suspend();
        p.resume();
        EXPECT_FLOAT_EQ(p.getParameter(kTimbreRange), c.timbre);
    }
}

TEST(ParamsStartup, AProgramChunkLoadedBeforeTheFirstResumeIsKept) {
    const bankfolder::Bank& bank = bankfolder::bank();
    ASSERT_TRUE(bank.ok);
    auto maker = openInstance();
    maker->plugin->setParameter(kTimbreRange, 0.55f);
    maker->plugin->setParameter(kBaseDecay, 0.3f);
    const float chunkTimbre = maker->plugin->getParameter(kTimbreRange);
    const float chunkDecay = maker->plugin->getParameter(kBaseDecay);
    const std::vector<uint8_t> program = maker->plugin->getChunk(true);
    ASSERT_FALSE(program.empty());

    // A host write made before the chunk is replaced by it; one made after stays.
    auto instance = openInstance();
    auto& p = *instance->plugin;
    p.setParameter(kBaseDecay, 0.9f);
    ASSERT_EQ(p.setChunk(program, true), static_cast<VstIntPtr>(program.size()));
    p.setParameter(kTimbreRange, 0.8f);
    p.resume();
    EXPECT_FLOAT_EQ(p.getParameter(kTimbreRange), settled(kTimbreRange, 0.8f));
    EXPECT_FLOAT_EQ(p.getParameter(kBaseDecay), chunkDecay);

    auto chunkOnly = openInstance();
    ASSERT_EQ(chunkOnly->plugin->setChunk(program, true), static_cast<VstIntPtr>(program.size()));
    chunkOnly->plugin->resume();
    EXPECT_FLOAT_EQ(chunkOnly->plugin->getParameter(kTimbreRange), chunkTimbre);
    EXPECT_NE(chunkTimbre, settled(kTimbreRange, bank.timbre[0]));
}

} // namespace
