// The position a host reads is the position of the value the plug-in holds:
// a host that writes back what it read (as it does when the user only
// touches a slider) changes neither the display text nor the sound. Checked
// for every host parameter right after open and after a program load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/PluginRig.h"

namespace {

using pluginrig::Rig;

constexpr int kVisible = 26;
constexpr int kBlock = 256;
constexpr const char* kSeed = "2718";

// A rig whose noise draws repeat from one instance to the next.
std::unique_ptr<Rig> seededRig() {
    ::setenv("KELVANTI_RANDOM_SEED", kSeed, 1);
    auto rig = std::make_unique<Rig>(44100.0f, kBlock);
    ::unsetenv("KELVANTI_RANDOM_SEED");
    return rig;
}

// A held note long enough to hear any of the envelopes' decays.
std::vector<float> playNote(Rig& rig) {
    rig.note(kBlock, 0, 57, 100);
    rig.renderSilence(64 * kBlock);
    return rig.left;
}

struct Echo {
    std::vector<std::string> displayBefore, displayAfter;
    std::vector<float> positionBefore, positionAfter;
};

// Reads every visible parameter and writes the answer straight back.
Echo echoEveryParameter(vsthost::PluginInstance& p) {
    Echo e;
    for (int i = 0; i < kVisible; ++i) {
        e.displayBefore.push_back(p.parameterDisplay(i));
        e.positionBefore.push_back(p.getParameter(i));
        p.setParameter(i, e.positionBefore.back());
        e.displayAfter.push_back(p.parameterDisplay(i));
        e.positionAfter.push_back(p.getParameter(i));
    }
    return e;
}

void expectUnchanged(const Echo& e) {
    for (int i = 0; i < kVisible; ++i) {
        EXPECT_EQ(e.displayAfter[i], e.displayBefore[i]) << "parameter " << i;
        EXPECT_FLOAT_EQ(e.positionAfter[i], e.positionBefore[i]) << "parameter " << i;
    }
}

// A program made by another instance: every decay away from its default.
std::vector<uint8_t> programWithOtherDecays() {
    Rig maker;
    for (int decay : {2, 8, 15, 20}) maker.plugin->setParameter(decay, 0.61f);
    maker.plugin->setParameter(0, 0.3f);
    return maker.plugin->getChunk(true);
}

TEST(ParamsPosition, WritingBackWhatAHostReadsChangesNothingAfterOpen) {
    auto reference = seededRig();
    auto echoed = seededRig();
    auto touched = seededRig();
    ASSERT_TRUE(reference->plugin && echoed->plugin && touched->plugin);
    expectUnchanged(echoEveryParameter(*echoed->plugin));
    // Positive control: one step of "Base Decay" is heard.
    touched->plugin->setParameter(8, touched->plugin->getParameter(8) * 0.9f);
    const std::vector<float> expected = playNote(*reference);
    EXPECT_EQ(playNote(*echoed), expected);
    EXPECT_NE(playNote(*touched), expected);
}

TEST(ParamsPosition, WritingBackWhatAHostReadsChangesNothingAfterAProgramLoad) {
    const std::vector<uint8_t> program = programWithOtherDecays();
    ASSERT_FALSE(program.empty());
    auto reference = seededRig();
    auto echoed = seededRig();
    ASSERT_TRUE(reference->plugin && echoed->plugin);
    const std::string defaultDecay = echoed->plugin->parameterDisplay(8);
    for (Rig* rig : {reference.get(), echoed.get()})
        ASSERT_EQ(rig->plugin->setChunk(program, true), static_cast<VstIntPtr>(program.size()));
    // The program arrived (its decays are not the defaults).
    EXPECT_NE(echoed->plugin->parameterDisplay(8), defaultDecay);
    expectUnchanged(echoEveryParameter(*echoed->plugin));
    const std::vector<float> expected = playNote(*reference);
    EXPECT_EQ(playNote(*echoed), expected);
}

} // namespace
