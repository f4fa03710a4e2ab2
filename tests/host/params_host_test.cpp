// The host's view of the parameters through the built plug-in: names, labels,
// display texts, the values a write leaves, the writes that must not land,
// and indexes outside the map.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/PluginRig.h"

namespace {

using pluginrig::Rig;

const char* const kVisibleNames[26] = {
    "Timbre Range", "Timbre Attack", "Timbre Decay", "Timbre Env-Amount", "Timbre Drive", "Base Range",
    "Base Attack", "Base Hold", "Base Decay", "Base Sound", "Waveform", "Pitch Timbre On/Off",
    "Pitch Base On/Off", "Pitch Depth", "Pitch Attack", "Pitch Decay", "Pitch Detune", "Noise Mix",
    "Noise Colour", "Noise Attack", "Noise Decay", "Main Volume", "Velocity Curve", "Velocity Attack",
    "Velocity Timbre", "-"};

std::vector<float> allValues(vsthost::PluginInstance& p) {
    std::vector<float> v;
    for (int i = 0; i < 44; ++i) v.push_back(p.getParameter(i));
    return v;
}

TEST(ParamsHost, NamesLabelsAndTheHiddenAndReservedRanges) {
    Rig rig;
    auto& p = *rig.plugin;
    EXPECT_EQ(p.numParams(), 26);
    for (int i = 0; i < 26; ++i) EXPECT_EQ(p.parameterName(i), kVisibleNames[i]) << i;
    for (int i = 26; i < 44; ++i) EXPECT_EQ(p.parameterName(i), "hidden") << i;
    for (int i : {44, 100, 255}) EXPECT_EQ(p.parameterName(i), "reserved") << i;
    // The label is the name of the module column behind the entry.
    EXPECT_EQ(p.parameterLabel(0), "TimRng");
    EXPECT_EQ(p.parameterLabel(2), "D Time");
    EXPECT_EQ(p.parameterLabel(21), "Main Vol.");
    EXPECT_EQ(p.parameterLabel(10), "Waveform");
    // Entries without a module show "-".
    for (int i : {26, 29, 30, 36, 38, 44}) EXPECT_EQ(p.parameterLabel(i), "-") << i;
    for (int i : {26, 29, 30, 36, 38}) EXPECT_EQ(p.parameterDisplay(i), "-") << i;
}

TEST(ParamsHost, TextsNeverOverrunTheHostsParameterTextSize) {
    Rig rig;
    auto& p = *rig.plugin;
    // Entry 33's column is named "Version string to display" (25 characters).
    for (VstInt32 opcode : {effGetParamLabel, effGetParamName, effGetParamDisplay}) {
        for (int index : {0, 3, 27, 33, 42, 200}) {
            char buffer[64];
            std::memset(buffer, 'x', sizeof buffer);
            p.dispatch(opcode, index, 0, buffer);
            const size_t length = strnlen(buffer, sizeof buffer);
            EXPECT_LE(length, 23u) << opcode << " " << index;
            for (size_t i = 24; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 'x') << opcode << " " << index;
        }
    }
    EXPECT_EQ(p.parameterLabel(33), std::string("Version string to display").substr(0, 23));
}

TEST(ParamsHost, DefaultsAndDisplayTextsOfKnownValues) {
    Rig rig;
    auto& p = *rig.plugin;
    EXPECT_NEAR(p.getParameter(21), 0.7289157f, 1e-6);
    EXPECT_NEAR(p.getParameter(4), 0.5734597f, 1e-6);
    p.setParameter(2, 0.5f);
    EXPECT_EQ(p.parameterDisplay(2), "0.232");
    p.setParameter(21, 1.0f);
    EXPECT_EQ(p.parameterDisplay(21), "9.0");
    p.setParameter(21, 0.0f);
    EXPECT_EQ(p.parameterDisplay(21), "-oo");
    p.setParameter(10, 1.0f);
    EXPECT_EQ(p.parameterDisplay(10), "2");
}

TEST(ParamsHost, SetThenGetAnswersTheQuantisedValue) {
    Rig rig;
    auto& p = *rig.plugin;
    // Three waveforms: a position takes the step it reaches within a tenth.
    p.setParameter(10, 0.47f);
    EXPECT_FLOAT_EQ(p.getParameter(10), 0.5f);
    p.setParameter(10, 0.4f);
    EXPECT_FLOAT_EQ(p.getParameter(10), 0.0f);
    p.setParameter(10, 0.97f);
    EXPECT_FLOAT_EQ(p.getParameter(10), 1.0f);
    // Every visible entry: the answer is a step of its own (writing it back
    // changes nothing) and lies near the written position.
    for (int i = 0; i < 25; ++i) {
        for (float x : {0.0f, 0.37f, 0.81f, 1.0f}) {
            p.setParameter(i, x);
            const float y = p.getParameter(i);
            EXPECT_GE(y, 0.0f) << i;
            EXPECT_LE(y, 1.0f) << i;
            p.setParameter(i, y);
            EXPECT_FLOAT_EQ(p.getParameter(i), y) << i << " at " << x;
        }
    }
}

TEST(ParamsHost, WritesToTheMarkerAndHiddenEntriesAreIgnored) {
    Rig rig;
    auto& p = *rig.plugin;
    const std::vector<float> before = allValues(p);
    for (int i = 25; i < 44; ++i) {
        p.setParameter(i, 0.93f);
        p.setParameter(i, 0.07f);
    }
    EXPECT_EQ(allValues(p), before);
    const std::string version = p.parameterDisplay(33);
    p.setParameter(33, 0.5f);
    EXPECT_EQ(p.parameterDisplay(33), version);
}

TEST(ParamsHost, NegativeIndexesAreHarmless) {
    Rig rig;
    auto& p = *rig.plugin;
    const std::vector<float> before = allValues(p);
    for (int index : {-1, -2, -255, -256, -257, -70000}) {
        p.setParameter(index, 1.0f);
        EXPECT_EQ(p.getParameter(index), 0.0f);
        EXPECT_EQ(p.parameterLabel(index), "-");
        EXPECT_EQ(p.parameterDisplay(index), "-");
        EXPECT_EQ(p.parameterName(index), "reserved");
    }
    EXPECT_EQ(allValues(p), before);
}

TEST(ParamsHost, NamesBeforeOpenOpenThePlugin) {
    pluginrig::scratchRegistry();
    vsthost::Host host;
    std::string error;
    auto plugin = vsthost::PluginInstance::load(KELVANTI_PLUGIN_PATH, host, error);
    ASSERT_TRUE(plugin) << error;
    EXPECT_EQ(plugin->parameterName(0), "Timbre Range");
    EXPECT_EQ(plugin->parameterLabel(21), "Main Vol.");
}

} // namespace
