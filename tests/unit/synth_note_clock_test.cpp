// Notes are stamped with the time of the audio rendered, not the wall clock:
// which voice a note steals, and which key a mono release brings back, follow
// the events' places in the audio however fast the blocks come. The wall
// clock is held still here, as it nearly is in a fast render.
#include "framework/voice/NoteClock.h"
#include "os/Clock.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace testsynth;

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kTenMs = 480;

// A plug-in at 48 kHz, played block by block with events at sample positions.
struct Player {
    Player() {
        host.canDo["supplyIdle"] = 1; // no timer thread: the test's blocks are all that runs
        os::holdTickForTesting(0x40000000u);
        synth.setSampleRate(kRate);
        synth.resume();
        render(8);
    }
    ~Player() { os::releaseTickForTesting(); }
    void render(int32_t frames) {
        Block block(frames);
        synth.processReplacing(nullptr, block.pointers, frames);
    }
    // Plays the events (absolute sample, status, key) in blocks of `blockSize` up to `end`.
    struct At {
        int64_t sample;
        uint8_t status;
        uint8_t key;
    };
    void play(const std::vector<At>& events, int64_t end, int32_t blockSize) {
        for (int64_t start = 0; start < end; start += blockSize) {
            const auto frames = static_cast<int32_t>(std::min<int64_t>(blockSize, end - start));
            Events e;
            for (const At& a : events)
                if (a.sample >= start && a.sample < start + frames)
                    e.add(static_cast<int32_t>(a.sample - start), a.status, a.key, a.status == 0x90 ? 100 : 0);
            synth.processEvents(e.list());
            render(frames);
        }
    }
    int32_t slotOf(uint8_t key) { return synth.voiceTable().findSounding(0, key, 0); }
    FakeHost host;
    TestSynth synth{&FakeHost::callback};
};

} // namespace

// 24 voices held, a note every 10 ms: each new note steals the oldest voice,
// also when several notes share a block; with blocks of 256 and of 1024.
TEST(NoteClock, NotesStealTheVoiceStartedEarliestInTheAudio) {
    for (const int32_t blockSize : {256, 1024}) {
        SCOPED_TRACE(blockSize);
        Player p;
        std::vector<Player::At> notes;
        for (int i = 0; i < 30; ++i) notes.push_back({int64_t{kTenMs} * i, 0x90, static_cast<uint8_t>(40 + i)});
        p.play(notes, int64_t{kTenMs} * 30, blockSize);
        // Notes 0..23 took slots 0..23; notes 24..29 took the voices of notes 0..5.
        for (int i = 0; i < 30; ++i) {
            const int32_t expected = i < 6 ? -1 : i < 24 ? i : i - 24;
            EXPECT_EQ(p.slotOf(static_cast<uint8_t>(40 + i)), expected) << "note " << i;
        }
    }
}

// Within one block the event's offset is its time: of two voices released in
// the same block, the one released at the smaller offset is the older.
TEST(NoteClock, AReleaseEarlierInTheBlockIsOlder) {
    Player p;
    std::vector<Player::At> notes;
    for (int i = 0; i < 24; ++i) notes.push_back({int64_t{kTenMs} * i, 0x90, static_cast<uint8_t>(40 + i)});
    // Block [12288, 13312): note 40 (slot 0) released at offset 900, note 45 (slot 5) at 100.
    notes.push_back({12288 + 100, 0x80, 45});
    notes.push_back({12288 + 900, 0x80, 40});
    notes.push_back({13312 + 50, 0x90, 100});
    p.play(notes, 14336, 1024);
    EXPECT_EQ(p.slotOf(100), 5);
    // Positive control: the voice released later is still sounding its release.
    EXPECT_EQ(p.synth.voiceTable().getSlot(0)->state, kVoiceReleased);
}

// Mono: press 60, then 64 a few ms later in the same block; releasing 60 brings
// nothing back (64 is the newer key); releasing 64 then would bring back 60.
TEST(NoteClock, MonoMemoryKnowsWhichKeyCameLastInTheAudio) {
    Player p;
    p.synth.instrument().setPolyphony(1);
    p.play({{0, 0x90, 60}, {300, 0x90, 64}}, 512, 512);
    const int32_t slot = p.slotOf(64);
    ASSERT_GE(slot, 0);
    const int noteOns = p.synth.tone(slot).noteOns;
    p.play({{10, 0x80, 60}}, 512, 512);
    EXPECT_EQ(p.synth.tone(slot).noteOns, noteOns) << "releasing the older key restarted the newer one";
    EXPECT_EQ(p.slotOf(64), slot);
    // Positive control: 64 again, then 60 after it: releasing 60, the newer,
    // brings 64 back.
    p.play({{0, 0x80, 64}, {0, 0x90, 64}, {300, 0x90, 60}}, 512, 512);
    const int before = p.synth.tone(slot).noteOns;
    p.play({{10, 0x80, 60}}, 512, 512);
    EXPECT_EQ(p.synth.tone(slot).noteOns, before + 1);
    const int32_t back = p.slotOf(64);
    ASSERT_GE(back, 0);
    EXPECT_EQ(p.synth.voiceTable().getSlot(back)->state, kVoiceHeld);
}

// The clock itself: milliseconds of frames at the current rate, the same for
// any cut into blocks, kept across rate changes, wrapping at 2^32 like the os clock.
TEST(NoteClock, CountsFramesAtTheCurrentRate) {
    struct Case {
        const char* what;
        std::vector<std::pair<float, int32_t>> blocks; // rate, frames
        int32_t offset;
        uint32_t ms;
    };
    const Case cases[] = {
        {"nothing rendered", {}, 0, 0},
        {"no rate yet: frames count nothing", {{0.0f, 48000}}, 0, 0},
        {"10 ms at 48 kHz", {{48000.0f, 480}}, 0, 10},
        {"an offset into the block", {{48000.0f, 480}, {48000.0f, 0}}, 240, 15},
        {"a fraction of a ms is not yet a ms", {{48000.0f, 479}}, 0, 9},
        {"blocks of 441 at 44.1 kHz", std::vector<std::pair<float, int32_t>>(1000, {44100.0f, 441}), 0, 10000},
        {"blocks of 1 at 44.1 kHz", std::vector<std::pair<float, int32_t>>(44100, {44100.0f, 1}), 0, 1000},
        {"48 kHz then 96 kHz", {{48000.0f, 480}, {96000.0f, 960}}, 0, 20},
        {"the rate counts from its change on", {{44100.0f, 44100}, {96000.0f, 0}}, 48000, 1500},
        {"an odd rate", {{44099.5f, 44100}}, 0, 1000},
    };
    for (const Case& c : cases) {
        NoteClock clock;
        for (const auto& [rate, frames] : c.blocks) {
            clock.beginBlock(rate);
            clock.endBlock(frames);
        }
        if (!c.blocks.empty()) clock.beginBlock(c.blocks.back().first);
        EXPECT_EQ(clock.msAt(c.offset) - NoteClock::kOrigin, c.ms) << c.what;
    }

    // Past 2^32 ms (about 50 days at 384 kHz): readings go on by wrapped difference.
    NoteClock clock;
    clock.beginBlock(384000.0f);
    uint32_t last = clock.msAt(0);
    uint64_t frames = 0;
    while (frames < (uint64_t{1} << 32) * 384 + (uint64_t{1} << 31)) {
        clock.endBlock(0x7FFFFFFF);
        frames += 0x7FFFFFFF;
        const uint32_t now = clock.msAt(0);
        ASSERT_EQ(os::tickDiff(now, last), static_cast<int32_t>(frames / 384 - (frames - 0x7FFFFFFF) / 384));
        last = now;
    }
    EXPECT_EQ(last, static_cast<uint32_t>(NoteClock::kOrigin + frames / 384));
    EXPECT_GT(frames / 384, uint64_t{1} << 32); // past the wrap
}
