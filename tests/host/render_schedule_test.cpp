#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/EventSchedule.h"
#include "tools/host/lib/MidiFile.h"
#include <gtest/gtest.h>
#include <stdexcept>

using namespace kelvanti_host;
using namespace smf_bytes;

namespace {

// 480 ticks per quarter at 120 bpm: one tick is 1/960 s, 50 samples at 48 kHz.
Performance notesAtTicks(std::initializer_list<uint32_t> ticks) {
    Body body;
    uint32_t previous = 0;
    uint8_t key = 40;
    for (uint32_t tick : ticks) {
        body.event(tick - previous, {0x90, key++, 100});
        previous = tick;
    }
    const Bytes bytes = file(0, 480, {body.end().bytes});
    Performance performance;
    std::string error;
    EXPECT_TRUE(parseMidiFile(bytes.data(), bytes.size(), performance.midi, error)) << error;
    return performance;
}

struct Placed {
    int64_t sample;
    uint8_t key;
};

// Every MIDI event of the render with its absolute sample, block by block.
std::vector<Placed> renderPositions(const EventSchedule& schedule, int64_t totalFrames, int blockSize) {
    std::vector<Placed> placed;
    BlockEvents block;
    for (int64_t i = 0; i < schedule.blockCount(totalFrames); ++i) {
        schedule.block(i, totalFrames, block);
        EXPECT_EQ(block.firstSample, i * blockSize);
        for (const BlockMidiEvent& e : block.midi) {
            EXPECT_GE(e.offset, 0);
            EXPECT_LT(e.offset, block.frames);
            placed.push_back({block.firstSample + e.offset, e.data1});
        }
    }
    return placed;
}

} // namespace

TEST(EventSchedule, EventsLandOnExactSamplesForEveryBlockSize) {
    // Ticks 63/64 straddle the 3200-sample mark, a boundary for blocks of 64, 100, 128 and 3200.
    const Performance performance = notesAtTicks({0, 1, 63, 64, 100, 1000});
    const int64_t expected[] = {0, 50, 3150, 3200, 5000, 50000};
    for (int blockSize : {1, 7, 64, 100, 128, 441, 3200, 4096, 65536}) {
        SCOPED_TRACE(blockSize);
        const EventSchedule schedule(performance, 48000.0, blockSize);
        EXPECT_EQ(schedule.endSample(), 50001);
        const int64_t total = schedule.totalFrames(0.0);
        const auto placed = renderPositions(schedule, total, blockSize);
        ASSERT_EQ(placed.size(), 6u);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].sample, expected[i]) << i;
            EXPECT_EQ(placed[i].key, 40 + i) << i;
        }
    }
}

TEST(EventSchedule, RoundsToNearestSampleAtUnevenRates) {
    // At 44.1 kHz one tick is 45.9375 samples: ticks 1, 2, 8 give 45.9375, 91.875, 367.5.
    const Performance performance = notesAtTicks({1, 2, 8});
    const EventSchedule schedule(performance, 44100.0, 64);
    const auto placed = renderPositions(schedule, schedule.totalFrames(0.0), 64);
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0].sample, 46);
    EXPECT_EQ(placed[1].sample, 92);
    EXPECT_EQ(placed[2].sample, 368);  // halves round away from zero
}

TEST(EventSchedule, LengthTailPartialBlockAndParameterChanges) {
    Performance performance;
    performance.midi = {{0.0, 0x90, 60, 100}, {0.5, 0x80, 60, 0}, {0.5, 0x90, 60, 90}, {1.0, 0x80, 60, 0}};
    performance.parameterChanges = {{0.25, "Main Volume", 0.5f}, {1.25, "Timbre Drive", 0.75f}};
    const EventSchedule schedule(performance, 1000.0, 300);

    // The last event is the parameter change at sample 1250.
    EXPECT_EQ(schedule.endSample(), 1251);
    const int64_t total = schedule.totalFrames(0.5);
    EXPECT_EQ(total, 1750);   // half a second from the last event's sample
    EXPECT_EQ(schedule.totalFrames(-3.0), 1251);   // never less than through the last event
    EXPECT_EQ(schedule.totalFrames(0.0), 1251);
    EXPECT_EQ(schedule.totalFrames(0.001), 1251);
    EXPECT_EQ(schedule.totalFrames(0.002), 1252);
    ASSERT_EQ(schedule.blockCount(total), 6);
    EXPECT_EQ(schedule.blockCount(0), 0);

    BlockEvents block;
    schedule.block(0, total, block);
    ASSERT_EQ(block.parameterChanges.size(), 1u);
    EXPECT_EQ(block.parameterChanges[0]->name, "Main Volume");
    ASSERT_EQ(block.midi.size(), 1u);

    // Same-sample events keep their order: the note-off before the new note-on.
    schedule.block(1, total, block);
    ASSERT_EQ(block.midi.size(), 2u);
    EXPECT_EQ(block.midi[0].status, 0x80);
    EXPECT_EQ(block.midi[1].status, 0x90);
    EXPECT_EQ(block.midi[0].offset, 200);
    EXPECT_EQ(block.midi[1].offset, 200);
    EXPECT_TRUE(block.parameterChanges.empty());

    schedule.block(4, total, block);
    ASSERT_EQ(block.parameterChanges.size(), 1u);
    EXPECT_EQ(block.parameterChanges[0]->value, 0.75f);

    schedule.block(5, total, block);
    EXPECT_EQ(block.firstSample, 1500);
    EXPECT_EQ(block.frames, 250);
    EXPECT_TRUE(block.midi.empty());

    const Performance empty;
    EXPECT_EQ(EventSchedule(empty, 48000.0, 64).endSample(), 0);
    EXPECT_THROW(EventSchedule(empty, 0.0, 64), std::invalid_argument);
    EXPECT_THROW(EventSchedule(empty, 48000.0, 0), std::invalid_argument);
}
