// The parts of the plug-in base: which channels, keys and velocities a part
// takes, the weight of notes where parts share keys, mute and solo, choke
// groups, the "NotesOn" count as voices start and end, and the pin labels.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace testsynth;

namespace {

struct Parts {
    explicit Parts(int32_t parts, SynthConfig config = testConfig())
        : synth(&FakeHost::callback, withParts(config, parts)) {
        host.canDo["supplyIdle"] = 1;
        synth.resume();
        render(8);
    }
    static SynthConfig withParts(SynthConfig config, int32_t parts) {
        config.parts = parts;
        return config;
    }
    // One host buffer for every output channel the plug-in has.
    void render(int32_t frames) {
        std::vector<std::vector<float>> buffers(static_cast<size_t>(synth.outputChannels()),
                                                std::vector<float>(static_cast<size_t>(frames), 0.5f));
        std::vector<float*> pointers;
        for (auto& b : buffers) pointers.push_back(b.data());
        synth.processReplacing(nullptr, pointers.data(), frames);
    }
    void play(uint8_t status, uint8_t key, uint8_t velocity) {
        Events e;
        e.add(0, status, key, velocity);
        synth.processEvents(e.list());
        render(8);
    }
    int32_t setting(int32_t part, int32_t column) { return synth.instrumentSettings().getValue(part, column); }
    void set(int32_t part, int32_t column, int32_t value) { synth.instrumentSettings().setValue(part, column, value); }
    // A "Solo" or "Mute" write as the parameter road makes it: the value,
    // then the change handler.
    void solo(int32_t part, int32_t on) {
        synth.setSolo(part, false, on);
        synth.onParameterChanged(part, &synth.instrumentSettings(), SynGloIns_c::kSolo);
    }
    void mute(int32_t part, int32_t on) {
        synth.setMute(part, false, on);
        synth.onParameterChanged(part, &synth.instrumentSettings(), SynGloIns_c::kMute);
    }
    std::vector<int32_t> mutes() {
        std::vector<int32_t> m;
        for (int32_t i = 0; i < synth.partCount(); ++i) m.push_back(synth.getMute(i, false));
        return m;
    }
    // Held or released voices of a part.
    int32_t sounding(int32_t part) {
        int32_t n = 0;
        for (int32_t v = 0; v < synth.voiceCount(); ++v) {
            const VoiceSlot* s = synth.voiceTable().getSlot(v);
            n += (s->state == kVoiceHeld || s->state == kVoiceReleased) && s->instrument == part;
        }
        return n;
    }
    int32_t startNote(int32_t part, int32_t key) {
        const NoteC_c note(key, 100, 0);
        return synth.noteOnPart(part, note, note);
    }
    FakeHost host;
    TestSynth synth;
};

} // namespace

TEST(SynthParts, ChannelsKeysAndVelocities) {
    Parts p(1);
    for (int32_t channel = 0; channel < 16; ++channel) EXPECT_TRUE(p.synth.partListensOnChannel(channel, 0));
    p.set(0, SynGloIns_c::kChannel, 3);
    EXPECT_TRUE(p.synth.partListensOnChannel(3, 0));
    EXPECT_FALSE(p.synth.partListensOnChannel(4, 0));
    EXPECT_FALSE(p.synth.partListensOnChannel(20, 0)); // taken as channel 15
    p.set(0, SynGloIns_c::kChannel, 15);
    EXPECT_TRUE(p.synth.partListensOnChannel(20, 0));

    p.set(0, SynGloIns_c::kChannel, 16);
    p.set(0, SynGloIns_c::kNoteLo, 40);
    p.set(0, SynGloIns_c::kNoteHi, 80);
    p.set(0, SynGloIns_c::kVeloLo, 1);
    p.set(0, SynGloIns_c::kVeloHi, 100);
    EXPECT_FALSE(p.synth.partAcceptsNote(0, NoteC_c(40, 0, 0))); // below "Velo Lo"
    EXPECT_TRUE(p.synth.partAcceptsNote(0, NoteC_c(40, 1, 0)));
    EXPECT_TRUE(p.synth.partAcceptsNote(0, NoteC_c(80, 100, 9)));
    EXPECT_FALSE(p.synth.partAcceptsNote(0, NoteC_c(81, 100, 0)));
    EXPECT_FALSE(p.synth.partAcceptsNote(0, NoteC_c(60, 101, 0)));
    // Played: only the key inside the zone takes a voice.
    p.play(0x90, 39, 90);
    p.play(0x90, 60, 90);
    EXPECT_EQ(p.synth.voiceTable().voicesInUse(), 1);
}

TEST(SynthParts, NotesWhereTwoPartsShareKeysAreWeighed) {
    Parts p(2);
    p.set(0, SynGloIns_c::kNoteHi, 60);
    p.set(1, SynGloIns_c::kNoteLo, 48);
    const NoteC_c note(50, 100, 0);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(0, note, 0, 60, 1, 127), 11.0f / 14.0f);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(1, note, 48, 127, 1, 127), 3.0f / 14.0f);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(0, NoteC_c(30, 100, 0), 0, 60, 1, 127), 1.0f);
    EXPECT_EQ(p.synth.keyZoneWeight(0, NoteC_c(61, 100, 0), 0, 60, 1, 127), 0.0f);

    // Both parts take the played note; each voice keeps its part's weight.
    p.play(0x90, 50, 100);
    ASSERT_EQ(p.synth.voiceTable().voicesInUse(), 2);
    for (int32_t v = 0; v < 2; ++v) {
        const int32_t part = p.synth.voiceTable().getSlot(v)->instrument;
        EXPECT_FLOAT_EQ(p.synth.tone(v).zoneGain(), part == 0 ? 11.0f / 14.0f : 3.0f / 14.0f) << v;
    }

    // A muted neighbour no longer shares the keys.
    p.set(1, SynGloIns_c::kMute, 1);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(0, note, 0, 60, 1, 127), 1.0f);
    p.set(1, SynGloIns_c::kMute, 0);

    // Velocity zones: over all keys, 1..80 and 64..127 share 64..80.
    p.set(0, SynGloIns_c::kNoteHi, 127);
    p.set(1, SynGloIns_c::kNoteLo, 0);
    p.set(0, SynGloIns_c::kVeloHi, 80);
    p.set(1, SynGloIns_c::kVeloLo, 64);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(0, NoteC_c(50, 70, 0), 0, 127, 1, 80), 11.0f / 18.0f);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(1, NoteC_c(50, 70, 0), 0, 127, 64, 127), 7.0f / 18.0f);
    EXPECT_FLOAT_EQ(p.synth.keyZoneWeight(0, NoteC_c(50, 20, 0), 0, 127, 1, 80), 1.0f);
}

TEST(SynthParts, SoloMutesTheOthersAndRestoresThem) {
    Parts p(3);
    using M = std::vector<int32_t>;
    p.solo(1, 1);
    EXPECT_EQ(p.mutes(), (M{1, 0, 1}));
    EXPECT_EQ(p.synth.soloCount(), 1);
    p.solo(1, 0);
    EXPECT_EQ(p.mutes(), (M{0, 0, 0}));
    EXPECT_EQ(p.synth.soloCount(), 0);

    // A part muted before the first solo is muted again when the last one ends.
    p.mute(2, 1);
    p.solo(1, 1);
    p.solo(0, 1);
    EXPECT_EQ(p.mutes(), (M{0, 0, 1}));
    EXPECT_EQ(p.synth.soloCount(), 2);
    p.solo(0, 0);
    EXPECT_EQ(p.mutes(), (M{1, 0, 1}));
    p.solo(1, 0);
    EXPECT_EQ(p.mutes(), (M{0, 0, 1}));

    // Unmuting a part while another is soloed solos it too; muting a soloed
    // part takes its solo away.
    p.mute(2, 0);
    p.solo(1, 1);
    p.mute(2, 0);
    EXPECT_EQ(p.synth.getSolo(2, false), 1);
    EXPECT_EQ(p.mutes(), (M{1, 0, 0}));
    EXPECT_EQ(p.synth.soloCount(), 2);
    p.mute(1, 1);
    EXPECT_EQ(p.synth.getSolo(1, false), 0);
    EXPECT_EQ(p.mutes(), (M{1, 1, 0}));
    p.mute(2, 1);
    EXPECT_EQ(p.synth.soloCount(), 0);
    EXPECT_EQ(p.mutes(), (M{0, 0, 1})); // the others' states from before the first solo

    // Switching off the solo of a part while no solo is on keeps it audible.
    p.mute(2, 0);
    p.solo(0, 0);
    EXPECT_EQ(p.mutes(), (M{0, 0, 0}));

    // A muted part takes no voice; the FX forms answer 0 and change nothing.
    p.mute(1, 1);
    EXPECT_LT(p.startNote(1, 60), 0);
    EXPECT_GE(p.startNote(0, 60), 0);
    EXPECT_EQ(p.synth.getMute(1, true), 0);
    p.synth.setSolo(0, true, 1);
    p.synth.updateMuteSolo(0, true, 0, 2, true);
    EXPECT_EQ(p.mutes(), (M{0, 1, 0}));

    // A bank that brings solos: the count follows them.
    p.set(0, SynGloIns_c::kSolo, 1);
    p.set(2, SynGloIns_c::kSolo, 1);
    p.synth.recountSolo();
    EXPECT_EQ(p.synth.soloCount(), 2);
}

TEST(SynthParts, MuteAndSoloWaitForReadiness) {
    FakeHost host;
    TestSynth synth(&FakeHost::callback, testConfig(24, 2));
    synth.resume(); // not ready before the first block
    synth.setSolo(0, false, 1);
    synth.updateMuteSolo(0, true, 0, 1, false);
    EXPECT_EQ(synth.getMute(1, false), 0);
    EXPECT_EQ(synth.soloCount(), 0);
    synth.updateMuteSolo(5, true, 0, 1, false); // a part outside the parts
    EXPECT_EQ(synth.soloCount(), 0);
}

TEST(SynthParts, ChokeGroups) {
    Parts p(3);
    // "nxt" on the last part chokes part 0, after its own note started.
    p.set(2, SynGloIns_c::kChoke, 3);
    p.startNote(0, 60);
    p.startNote(1, 61);
    const NoteC_c note(62, 100, 0);
    EXPECT_GE(p.synth.noteOnWithChoke(2, note, note), 0);
    EXPECT_EQ(p.sounding(0), 0);
    EXPECT_EQ(p.sounding(1), 1);
    EXPECT_EQ(p.sounding(2), 1);

    // "prv" on part 0 chokes the last part; "me" chokes the part's own notes first.
    p.set(0, SynGloIns_c::kChoke, 2);
    p.synth.noteOnWithChoke(0, note, note);
    EXPECT_EQ(p.sounding(2), 0);
    p.set(1, SynGloIns_c::kChoke, 1);
    p.startNote(1, 63);
    ASSERT_EQ(p.sounding(1), 2);
    p.synth.noteOnWithChoke(1, note, note);
    EXPECT_EQ(p.sounding(1), 1);

    // Groups "1".."5" choke the other parts of the same group; "6".."9" nothing.
    p.synth.resetVoices();
    p.set(0, SynGloIns_c::kChoke, 5);
    p.set(1, SynGloIns_c::kChoke, 6);
    p.set(2, SynGloIns_c::kChoke, 5);
    p.startNote(0, 60);
    p.startNote(1, 61);
    p.synth.noteOnWithChoke(2, note, note);
    EXPECT_EQ(p.sounding(0), 0);
    EXPECT_EQ(p.sounding(1), 1);
    EXPECT_EQ(p.sounding(2), 1);
    for (int32_t group : {9, 12, 0}) {
        p.set(0, SynGloIns_c::kChoke, group);
        p.set(2, SynGloIns_c::kChoke, group);
        p.startNote(0, 64);
        p.synth.noteOnWithChoke(2, note, note);
        EXPECT_EQ(p.sounding(0), 1) << group;
        p.synth.resetVoices();
    }

    // With one part its neighbours are itself: the new note is choked too.
    for (int32_t neighbour : {2, 3}) {
        Parts one(1);
        one.set(0, SynGloIns_c::kChoke, neighbour);
        one.startNote(0, 60);
        one.synth.noteOnWithChoke(0, note, note);
        EXPECT_EQ(one.sounding(0), 0) << neighbour;
        EXPECT_EQ(one.synth.tone(0).kills + one.synth.tone(1).kills, 2) << neighbour;
    }
}

TEST(SynthParts, NotesOnFollowsTheVoices) {
    Parts p(1);
    auto notesOn = [&] { return p.setting(0, SynGloIns_c::kNotesOn); };
    auto bank = [&] {
        void* data = nullptr;
        const VstInt32 size = p.synth.getChunk(&data, false);
        return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + std::max(size, 0));
    };
    const std::vector<uint8_t> silentBank = bank();
    ASSERT_FALSE(silentBank.empty());
    p.play(0x90, 60, 100);
    p.play(0x90, 62, 100);
    EXPECT_EQ(notesOn(), 2);
    // The count is no setting: a bank saved while notes sound is the same.
    EXPECT_TRUE(bank() == silentBank);
    const int32_t first = p.synth.voiceTable().findSounding(0, 60, PolyNoteTable_c::kAnyChannel);
    const int32_t second = p.synth.voiceTable().findSounding(0, 62, PolyNoteTable_c::kAnyChannel);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    p.play(0x80, 60, 0);
    EXPECT_EQ(notesOn(), 2); // released, still sounding
    p.synth.tone(first).finishOnRender = true;
    p.render(8);
    EXPECT_EQ(notesOn(), 1);

    // A killed voice counts until its end.
    p.synth.killVoice(second);
    EXPECT_EQ(p.synth.tone(second).kills, 1);
    EXPECT_EQ(p.synth.voiceTable().getSlot(second)->state, kVoiceKilled);
    EXPECT_EQ(notesOn(), 1);
    p.synth.tone(second).finishOnRender = true;
    p.render(8);
    EXPECT_EQ(notesOn(), 0);

    // Voice numbers outside the table touch no voice.
    p.synth.tone(first).finishOnRender = false;
    p.synth.tone(second).finishOnRender = false;
    p.play(0x90, 64, 100);
    const int32_t held = p.synth.voiceTable().findSounding(0, 64, PolyNoteTable_c::kAnyChannel);
    ASSERT_GE(held, 0);
    const int kills = p.synth.tone(held).kills;
    for (int32_t outside : {-1, p.synth.voiceCount(), 1000}) {
        p.synth.killVoice(outside);
        p.synth.updateNotesOn(outside);
    }
    EXPECT_EQ(p.synth.tone(held).kills, kills);
    EXPECT_EQ(p.synth.voiceTable().getSlot(held)->state, kVoiceHeld);
    EXPECT_EQ(notesOn(), 1);
}

TEST(SynthParts, OutputPinLabels) {
    {
        Parts p(1);
        VstPinProperties pin{};
        for (VstInt32 index : {0, 1, 5}) {
            ASSERT_TRUE(p.synth.getOutputProperties(index, &pin));
            EXPECT_STREQ(pin.label, "Kelvan");
            EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        }
        EXPECT_FALSE(p.synth.getOutputProperties(0, nullptr));
        EXPECT_EQ(p.synth.dispatcher(effGetOutputProperties, 0, 0, nullptr, 0.0f), 0);
    }
    SynthConfig config = testConfig();
    config.stereoOutputPairs = 2;
    config.monoOutputs = 1;
    Parts p(1, config);
    const char* labels[] = {"Ke S01", "Ke S01", "Ke S02", "Ke S02", "Ke M01"};
    for (VstInt32 index = 0; index < 5; ++index) {
        VstPinProperties pin{};
        ASSERT_TRUE(p.synth.getOutputProperties(index, &pin));
        EXPECT_STREQ(pin.label, labels[index]);
        EXPECT_EQ(pin.flags, index < 4 ? kVstPinIsActive | kVstPinIsStereo : kVstPinIsActive);
        EXPECT_EQ(pin.shortLabel[0], '\0'); // only the label and the flags are written
    }
    VstPinProperties pin{};
    EXPECT_FALSE(p.synth.getOutputProperties(-1, &pin));

    // A product name shorter than two characters is not read past its end.
    config.productName = "K";
    Parts shortName(1, config);
    ASSERT_TRUE(shortName.synth.getOutputProperties(4, &pin));
    EXPECT_STREQ(pin.label, "K M01");
}
