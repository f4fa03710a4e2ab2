// MIDI intake of the plug-in base: guards against bad event lists, NRPN
// program stepping, system reset and the editor's keyboard notes.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

using namespace testsynth;

namespace {
struct Fixture {
    Fixture() {
        host.canDo["supplyIdle"] = 1;
        synth.resume();
        render(8);
    }
    void render(int32_t frames) {
        Block block(frames);
        synth.processReplacing(nullptr, block.pointers, frames);
    }
    int32_t held() { return synth.voiceTable().heldVoices(); }
    FakeHost host;
    TestSynth synth{&FakeHost::callback};
};
} // namespace

TEST(SynthMidi, BadEventListsAreSkipped) {
    {
        // Before open nothing is queued and nothing breaks.
        TestSynth closed;
        Events e;
        e.add(0, 0x90, 60, 100);
        EXPECT_EQ(closed.processEvents(e.list()), 1);
        EXPECT_EQ(closed.processEvents(nullptr), 1);
    }
    Fixture f;
    Events e;
    e.add(0, 0x3C, 60, 100);  // a data byte as status
    e.add(0, 0x90, 200, 255); // data bytes above 127 are clamped
    e.add(0, 0x90, 61, 100);
    VstEvents* list = e.list();
    e.block.events[2] = nullptr; // a null entry
    EXPECT_EQ(f.synth.processEvents(list), 1);
    ASSERT_EQ(f.synth.instrument().queuedCount(), 1);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    EXPECT_GE(f.synth.voiceTable().findSounding(0, 115, 0), 0); // 127 folded to 115
    Events zero;
    EXPECT_EQ(f.synth.processEvents(zero.list()), 1);

    // A system exclusive event type is skipped.
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof sysex;
    Events other;
    other.add(0, 0x90, 62, 100);
    other.pointers[0] = reinterpret_cast<VstEvent*>(&sysex);
    f.synth.processEvents(other.list());
    EXPECT_EQ(f.synth.instrument().queuedCount(), 0);
}

TEST(SynthMidi, NrpnProgramStepsAndSystemReset) {
    Fixture f;
    auto nrpn = [&](uint8_t value) {
        Events e;
        e.add(0, 0xB0, 99, 1025 >> 7);
        e.add(0, 0xB0, 98, 1025 & 0x7F);
        e.add(0, 0xB0, 6, value);
        f.synth.processEvents(e.list());
        f.render(8);
        f.synth.fxIdle();
    };
    nrpn(63);
    EXPECT_TRUE(f.synth.partPrograms.empty());
    nrpn(64);
    ASSERT_EQ(f.synth.partPrograms.size(), 1u);
    EXPECT_EQ(f.synth.partPrograms[0], std::make_pair(0, 1));

    // System reset ends every voice and cancels pending keyboard notes.
    Events e;
    e.add(0, 0x90, 60, 100);
    e.add(0, 0x90, 62, 100);
    f.synth.processEvents(e.list());
    f.render(8);
    ASSERT_EQ(f.held(), 2);
    EXPECT_TRUE(f.synth.queueEditorNote(0, 70, 100, 0, true));
    Events reset;
    reset.add(0, 0xFF, 0, 0);
    f.synth.processEvents(reset.list());
    f.render(8);
    EXPECT_EQ(f.synth.voiceTable().voicesInUse(), 0);
    f.render(8);
    EXPECT_EQ(f.held(), 0); // the cancelled keyboard note never played
}

TEST(SynthMidi, EditorKeyboardNotes) {
    Fixture f;
    f.synth.padVelocity = false;
    EXPECT_TRUE(f.synth.queueEditorNote(0, 60, 50, 20, true));
    HoldData_c record;
    ASSERT_TRUE(f.synth.toAudioRing().pop(record));
    EXPECT_EQ(record.code, kCmdKeyboardNoteOn);
    EXPECT_EQ(record.midi[0], 0x9F); // channel clamped to 15
    EXPECT_EQ(record.midi[2], 127);  // pad velocity off: full velocity
    EXPECT_TRUE(f.synth.queueEditorNote(0, 60, 0, 0, false));
    ASSERT_TRUE(f.synth.toAudioRing().pop(record));
    EXPECT_EQ(record.code, kCmdKeyboardNoteOff);
    EXPECT_EQ(record.midi[2], 0);

    // Played through the ring at the next block; the part filter is not asked.
    f.synth.padVelocity = true;
    f.synth.channels = {5};
    f.synth.queueEditorNote(0, 64, 90, 0, true);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    f.synth.queueEditorNote(0, 64, 0, 0, false);
    f.render(8);
    EXPECT_EQ(f.held(), 0);
}
