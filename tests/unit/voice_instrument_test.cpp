// The instrument base: the time-sorted queue, slicing, the locks, and the
// decoding of MIDI into the note roads, through a test plug-in.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsynth;

namespace {
struct Fixture {
    Fixture() {
        host.canDo["supplyIdle"] = 1;
        synth.resume();
        render(8); // configures the outputs: ready
        instrument().clearRecords();
    }
    RecordingInstrument& instrument() { return synth.instrument(); }
    void send(int32_t offset, uint8_t s, uint8_t d1, uint8_t d2) {
        Events e;
        e.add(offset, s, d1, d2);
        synth.processEvents(e.list());
    }
    void render(int32_t frames) {
        Block block(frames);
        synth.processReplacing(nullptr, block.pointers, frames);
    }
    // The note sounding on a slot, or -1 when the slot is not held.
    int32_t heldKey(int32_t slot) {
        const VoiceSlot* s = synth.voiceTable().getSlot(slot);
        return s && s->state == kVoiceHeld ? s->note : -1;
    }
    int32_t held() { return synth.voiceTable().heldVoices(); }
    FakeHost host;
    TestSynth synth{&FakeHost::callback};
};
} // namespace

TEST(InstrumentQueue, OrderCapacityAndSlices) {
    Fixture f;
    // Equal offsets keep arrival order; an earlier offset queued later goes first.
    Events e;
    e.add(100, 0x90, 60, 1);
    e.add(100, 0x90, 61, 2);
    e.add(10, 0x90, 62, 3);
    e.add(0, 0xB0, 7, 100);
    f.synth.processEvents(e.list());
    f.render(1000);
    auto& d = f.instrument().decoded;
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].bytes[1], 7);
    EXPECT_EQ(d[0].renderedBefore, 0); // offset 0: decoded before any sample
    EXPECT_EQ(d[1].bytes[1], 62);
    EXPECT_EQ(d[1].renderedBefore, 10);
    EXPECT_EQ(d[2].bytes[1], 60);
    EXPECT_EQ(d[3].bytes[1], 61);
    EXPECT_EQ(d[3].renderedBefore, 100);
    EXPECT_EQ(f.instrument().framesRendered, 1000);
    EXPECT_EQ(f.instrument().queuedCount(), 0);

    // 1000 samples without events: 256, 256, 256, 232.
    f.instrument().clearRecords();
    f.render(1000);
    EXPECT_EQ(f.instrument().slices, (std::vector<int32_t>{256, 256, 256, 232}));
    // The output positions are back at 0 after the block.
    EXPECT_EQ(f.synth.outputPosition(0), 0);

    // The 385th event of a block is dropped; the first 384 are decoded.
    f.instrument().clearRecords();
    Events many;
    for (int i = 0; i < 385; ++i) many.add(i % 50, 0xB0, 16, static_cast<uint8_t>(i % 128));
    f.synth.processEvents(many.list());
    f.render(64);
    EXPECT_EQ(f.instrument().decoded.size(), 384u);
}

TEST(InstrumentQueue, ProgramLockSkipsRenderButDecodesAndAdvances) {
    Fixture f;
    f.instrument().programLock().enter(); // a preset is being applied on this thread...
    std::thread audio([&] {
        Events e;
        e.add(300, 0x90, 60, 100);
        f.synth.processEvents(e.list());
        Block block(600);
        f.synth.processReplacing(nullptr, block.pointers, 600);
    });
    audio.join();
    f.instrument().programLock().leave();
    // ...so nothing rendered, yet the event was decoded and the queue emptied.
    EXPECT_TRUE(f.instrument().slices.empty());
    ASSERT_EQ(f.instrument().decoded.size(), 1u);
    EXPECT_EQ(f.instrument().decoded[0].renderedBefore, 0);
    EXPECT_EQ(f.held(), 1);
    EXPECT_EQ(f.instrument().queuedCount(), 0);
    EXPECT_EQ(f.synth.outputPosition(0), 0); // advanced by 600 and rewound by 600
}

TEST(InstrumentDecoding, NotesTransposeAndFolding) {
    Fixture f;
    f.send(0, 0x90, 60, 100);
    f.render(16);
    EXPECT_EQ(f.heldKey(0), 60);
    EXPECT_EQ(f.synth.tone(0).noteOns, 1);
    // Velocity 0 is a note-off.
    f.send(0, 0x90, 60, 0);
    f.render(16);
    EXPECT_EQ(f.held(), 0);
    EXPECT_EQ(f.synth.tone(0).noteOffs, 1);

    EXPECT_EQ(Instrument_c::playedKey(127, 0), 115);
    EXPECT_EQ(Instrument_c::playedKey(125, 12), 113);
    EXPECT_EQ(Instrument_c::playedKey(0, -1), 11);
    EXPECT_EQ(Instrument_c::playedKey(60, 0), 60);
    // A huge transpose folds at once into 0..120, in the key's pitch class.
    for (int32_t t : {1 << 30, -(1 << 30), 2147483647 - 200}) {
        const int32_t k = Instrument_c::playedKey(64, t);
        EXPECT_GE(k, 0);
        EXPECT_LE(k, 120);
        EXPECT_EQ(((k - 64 - static_cast<int64_t>(t)) % 12 + 12) % 12, 0);
    }
    f.instrument().setTranspose(12);
    f.send(0, 0x90, 125, 90);
    f.render(16);
    const int32_t slot = f.synth.voiceTable().findSounding(0, 113, 0);
    ASSERT_GE(slot, 0);
    // The voice hears the played key; the note-off of the received key finds it.
    EXPECT_EQ(f.synth.tone(slot).note().key, 113);
    f.send(0, 0x80, 125, 0);
    f.render(16);
    EXPECT_EQ(f.held(), 0);
}

TEST(InstrumentDecoding, BendRpnAndControllers) {
    Fixture f;
    f.send(0, 0xE0, 0x00, 0x40);
    f.render(8);
    EXPECT_FLOAT_EQ(f.instrument().controlTarget(Instrument_c::kPitchBend), 8192.0f * 2.0f / 16383.0f - 1.0f);
    f.send(0, 0xE0, 0x00, 0x00);
    f.send(0, 0xE0, 0x7F, 0x7F);
    f.render(8);
    EXPECT_FLOAT_EQ(f.instrument().controlTarget(Instrument_c::kPitchBend), 1.0f);

    // Data entry without the 101/100 pair does nothing.
    f.send(0, 0xB0, 6, 12);
    f.render(8);
    EXPECT_TRUE(f.synth.bendRanges.empty());
    f.send(0, 0xB0, 101, 0);
    f.send(0, 0xB0, 100, 0);
    f.send(0, 0xB0, 6, 12);
    f.render(8);
    ASSERT_EQ(f.synth.bendRanges.size(), 1u);
    EXPECT_EQ(f.synth.bendRanges[0], std::make_pair(0, 12));
    // A non-controller message between the pair starts it afresh: 101, note, 100
    // leaves the number incomplete, so the data entry is ignored.
    f.send(0, 0xB0, 101, 0);
    f.send(0, 0xD0, 10, 0);
    f.send(0, 0xB0, 100, 0);
    f.send(0, 0xB0, 6, 5);
    f.render(8);
    EXPECT_EQ(f.synth.bendRanges.size(), 1u);

    f.send(0, 0xB0, 10, 64);
    f.send(0, 0xB0, 7, 127);
    f.render(8);
    EXPECT_EQ(f.instrument().pan(), 0.0f);
    EXPECT_EQ(f.instrument().volume(), 0.0f);
}

TEST(InstrumentDecoding, SustainAndAllNotesOff) {
    Fixture f;
    f.send(0, 0xB0, 64, 31);
    f.render(8);
    EXPECT_FALSE(f.instrument().sustainDown(0));
    f.send(0, 0xB0, 64, 32);
    f.send(0, 0x90, 60, 100);
    f.send(1, 0x80, 60, 0);
    f.render(8);
    EXPECT_EQ(f.held(), 1); // the note-off waits for the pedal
    EXPECT_EQ(f.instrument().heldBackCount(), 1);
    f.send(0, 0xB0, 64, 0);
    f.render(8);
    EXPECT_EQ(f.held(), 0);
    EXPECT_EQ(f.instrument().heldBackCount(), 0);

    // Every controller from 123 up releases all notes of the part.
    for (uint8_t cc : {123, 124, 127}) {
        f.send(0, 0x90, 60, 100);
        f.send(0, 0x90, 64, 100);
        f.render(8);
        ASSERT_EQ(f.held(), 2);
        f.send(0, 0xB0, cc, 0);
        f.render(8);
        EXPECT_EQ(f.held(), 0) << int(cc);
    }
}

TEST(InstrumentDecoding, MonoKeyMemory) {
    Fixture f;
    f.instrument().setPolyphony(1);
    ASSERT_TRUE(f.instrument().isMono());
    f.send(0, 0x90, 60, 100);
    f.render(8);
    f.render(480); // 10 ms of audio between the presses
    f.send(0, 0x90, 64, 100);
    f.render(8);
    EXPECT_EQ(f.synth.voiceTable().findSounding(0, 64, 16) >= 0, true);
    EXPECT_EQ(f.held(), 1);
    // Releasing the newest key restarts the older one.
    f.send(0, 0x80, 64, 0);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    const int32_t slot = f.synth.voiceTable().findSounding(0, 60, 0);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(f.heldKey(slot), 60);
    f.send(0, 0x80, 60, 0);
    f.render(8);
    EXPECT_EQ(f.held(), 0);

    // Press 60, then 64, release 60: nothing restarts and 60 is forgotten.
    f.send(0, 0x90, 60, 100);
    f.render(8);
    f.render(480); // 10 ms of audio between the presses
    f.send(0, 0x90, 64, 100);
    f.render(8);
    f.send(0, 0x80, 60, 0);
    f.render(8);
    EXPECT_FALSE(f.instrument().keyHeld(60));
    EXPECT_EQ(f.held(), 1);
    EXPECT_GE(f.synth.voiceTable().findSounding(0, 64, 0), 0);
}

TEST(InstrumentParts, RoutingMuteAndDisable) {
    Fixture f;
    // A part on channel 3 hears only channel 3.
    f.synth.channels = {3};
    f.send(0, 0x90, 60, 100);
    f.send(0, 0x93, 61, 100);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    EXPECT_GE(f.synth.voiceTable().findSounding(0, 61, 3), 0);
    f.synth.channels.clear();

    // A muted part takes no voice and shows nothing.
    f.synth.muted = true;
    const int editorNotes = f.synth.editorNotes;
    f.send(0, 0x90, 70, 100);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    EXPECT_EQ(f.synth.editorNotes, editorNotes);
    f.synth.muted = false;

    // Disabling kills the part's voices at once and ignores further events;
    // a killed voice keeps its slot (never stolen) until its fade has ended.
    const int32_t slot = f.synth.voiceTable().findSounding(0, 61, 3);
    f.instrument().setEnabled(false);
    EXPECT_EQ(f.held(), 0);
    EXPECT_EQ(f.synth.voiceTable().getSlot(slot)->state, kVoiceKilled);
    EXPECT_EQ(f.synth.voiceTable().voicesInUse(), 1);
    EXPECT_EQ(f.synth.tone(slot).kills, 1);
    f.send(0, 0x90, 60, 100);
    f.render(8);
    EXPECT_EQ(f.held(), 0);
    f.instrument().setEnabled(true);
    f.send(0, 0x90, 60, 100);
    f.render(8);
    EXPECT_EQ(f.held(), 1);

    EXPECT_EQ(f.synth.voiceTable().voicesInUse(), 2);

    // A finished voice, held or faded, frees its slot during the render.
    const int32_t s = f.synth.voiceTable().findSounding(0, 60, 0);
    EXPECT_NE(s, slot);
    f.synth.tone(s).finishOnRender = true;
    f.synth.tone(slot).finishOnRender = true;
    f.render(8);
    EXPECT_EQ(f.synth.voiceTable().voicesInUse(), 0);
}

TEST(InstrumentParts, AcceptanceAndBendRangeLiveInTheSettings) {
    Fixture f;
    SynGloIns_c& settings = f.synth.instrumentSettings();
    settings.setValue(0, SynGloIns_c::kChannel, 3);
    settings.setValue(0, SynGloIns_c::kVeloLo, 50);
    f.send(0, 0x90, 60, 100); // channel 0: not heard
    f.send(0, 0x93, 61, 40);  // below the velocity window
    f.send(0, 0x93, 62, 60);
    f.render(8);
    EXPECT_EQ(f.held(), 1);
    const int32_t slot = f.synth.voiceTable().findSounding(0, 62, 3);
    ASSERT_GE(slot, 0);
    settings.setValue(0, SynGloIns_c::kChannel, 16);
    settings.setValue(0, SynGloIns_c::kVeloLo, 1);

    // RPN 0 data entry writes the bend range; the down amount follows the up.
    f.send(0, 0xB0, 101, 0);
    f.send(0, 0xB0, 100, 0);
    f.send(0, 0xB0, 6, 12);
    f.render(8);
    EXPECT_EQ(settings.getValue(0, SynGloIns_c::kPitchBendUp), 12);
    EXPECT_EQ(settings.getValue(0, SynGloIns_c::kPitchBendDown), -1);
    f.send(0, 0x90, 70, 100);
    f.render(8);
    const int32_t voice = f.synth.voiceTable().findSounding(0, 70, 0);
    ASSERT_GE(voice, 0);
    EXPECT_FLOAT_EQ(f.synth.tone(voice).bendUp(), 12.0f / 48.0f);
    EXPECT_FLOAT_EQ(f.synth.tone(voice).bendDown(), 12.0f / 48.0f);

    // A muted part takes no voice.
    settings.setValue(0, SynGloIns_c::kMute, 1);
    f.send(0, 0x90, 72, 100);
    f.render(8);
    EXPECT_LT(f.synth.voiceTable().findSounding(0, 72, 0), 0);
}
