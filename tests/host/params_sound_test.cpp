// First sound through the built plug-in: notes from processEvents at their
// sample offsets, their end, and automation of the main volume mid-note.
#include <gtest/gtest.h>

#include "support/PluginRig.h"

namespace {

using pluginrig::firstSound;
using pluginrig::peakOf;
using pluginrig::Rig;
using pluginrig::rmsOf;

constexpr int kBlock = 512;

TEST(ParamsSound, ANoteSoundsFromItsOffsetAndEnds) {
    Rig rig(44100.0f, kBlock);
    auto& p = *rig.plugin;
    p.setParameter(8, 0.0f);  // Base Decay: shortest
    p.setParameter(20, 0.0f); // Noise Decay: shortest
    rig.renderSilence(kBlock);
    rig.note(kBlock, 300, 60, 110);
    const long onset = firstSound(rig.left);
    ASSERT_GE(onset, kBlock + 300);
    EXPECT_LT(onset, kBlock + 300 + 8); // within the first control step
    EXPECT_GT(peakOf(rig.left, kBlock + 300, 2 * kBlock), 0.01);
    rig.note(kBlock, 0, 60, 0);
    rig.renderSilence(44100);
    // The last half second is silence again, on both channels.
    const size_t end = rig.left.size();
    EXPECT_LT(peakOf(rig.left, end - 22050, end), pluginrig::kSilence);
    EXPECT_LT(peakOf(rig.right, end - 22050, end), pluginrig::kSilence);
    EXPECT_EQ(rig.left, rig.right);
}

TEST(ParamsSound, NotesInOneBlockStartAtTheirOwnOffsets) {
    Rig rig(48000.0f, kBlock);
    auto& p = *rig.plugin;
    p.setParameter(8, 0.0f);
    p.setParameter(20, 0.0f);
    vsthost::EventList events;
    events.addMidi(511, 0x90, 72, 100);
    rig.render(kBlock, &events);
    const long onset = firstSound(rig.left);
    ASSERT_GE(onset, 511);
    EXPECT_LT(onset, kBlock + 8);
}

TEST(ParamsSound, MainVolumeAutomationTakesEffectAtTheBlockWhereItArrives) {
    Rig rig(44100.0f, kBlock);
    auto& p = *rig.plugin;
    p.setParameter(8, 1.0f);  // Base Decay: longest
    p.setParameter(20, 1.0f); // Noise Decay: longest
    p.setParameter(21, 1.0f); // Main Volume: top
    p.setParameter(17, 0.0f); // Noise Mix: the oscillator alone, a steady level
    rig.note(kBlock, 0, 57, 120);
    rig.renderSilence(4 * kBlock);
    const size_t before = rig.left.size();
    p.setParameter(21, 0.6f);
    rig.renderSilence(kBlock);
    const double loud = rmsOf(rig.left, before - kBlock, before);
    const double quiet = rmsOf(rig.left, before, before + kBlock);
    ASSERT_GT(loud, 1e-3);
    // The block before the change is as loud as the one before it; the block
    // of the change is clearly quieter.
    EXPECT_NEAR(rmsOf(rig.left, before - 2 * kBlock, before - kBlock) / loud, 1.0, 0.2);
    EXPECT_LT(quiet / loud, 0.5);
}

} // namespace
