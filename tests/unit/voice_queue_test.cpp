#include "framework/voice/AudioTables.h"
#include "framework/voice/BlockSlicer.h"
#include "framework/voice/InBuffer2.h"
#include "framework/voice/MidiEventQueue.h"
#include "os/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

bool push(MidiEventQueue& q, int32_t offset, uint8_t tag) {
    const uint8_t bytes[3] = {0x90, tag, 100};
    return q.insert(offset, bytes);
}

// Renders a block the way the instrument does: spans cut into slices, events decoded.
std::string trace(const MidiEventQueue& q, int32_t n, std::vector<int32_t>* renderedAtDecode = nullptr) {
    std::string out;
    int32_t rendered = -99;
    blockslicer::walkBlock(
        q, n, rendered,
        [&](int32_t span) { blockslicer::forEachSlice(span, [&](int32_t m) { out += "S" + std::to_string(m) + " "; }); },
        [&](const MidiQueueEntry& e) {
            out += "D" + std::to_string(e.bytes[1]) + " ";
            if (renderedAtDecode) renderedAtDecode->push_back(rendered);
        });
    return out;
}

} // namespace

TEST(VoiceQueue, SortedByOffsetEqualOffsetsKeepArrivalOrderAndFullQueueDrops) {
    MidiEventQueue q;
    push(q, 10, 1);
    push(q, 5, 2);
    push(q, 10, 3);
    push(q, 0, 4);
    push(q, 5, 5);
    push(q, 10, 6);
    std::vector<int> order;
    for (int32_t i = 0; i < q.count(); ++i) order.push_back(q.at(i).bytes[1]);
    EXPECT_EQ(order, (std::vector<int>{4, 2, 5, 1, 3, 6}));
    EXPECT_EQ(q.at(0).bytes[0], 0x90);
    EXPECT_EQ(q.at(0).bytes[2], 100);

    q.clear();
    EXPECT_TRUE(q.isEmpty());
    for (int32_t i = 0; i < MidiEventQueue::kCapacity; ++i) ASSERT_TRUE(push(q, 1000 - i, 1));
    // The 385th is dropped even when it would sort first.
    EXPECT_FALSE(push(q, -1, 2));
    EXPECT_EQ(q.count(), 384);
    EXPECT_EQ(q.at(0).offset, 1000 - 383);
    EXPECT_EQ(q.at(383).offset, 1000);
}

TEST(VoiceQueue, BlocksRenderInSlicesOfAtMost256) {
    MidiEventQueue q;
    EXPECT_EQ(trace(q, 1000), "S256 S256 S256 S232 ");
    EXPECT_EQ(trace(q, 256), "S256 ");
    EXPECT_EQ(trace(q, 257), "S256 S1 ");
    EXPECT_EQ(trace(q, 512), "S256 S256 ");
    EXPECT_EQ(trace(q, 1), "S1 ");
    EXPECT_EQ(trace(q, 0), "");
}

TEST(VoiceQueue, EventsAreDecodedAtTheirOffsets) {
    MidiEventQueue q;
    push(q, 300, 2);
    push(q, 0, 1);
    push(q, 300, 3);
    push(q, 5000, 5); // beyond the block: decoded after its last sample
    push(q, 600, 4);
    push(q, -7, 0);   // behind the block start: decoded before any sample
    std::vector<int32_t> at;
    EXPECT_EQ(trace(q, 1000, &at), "D0 D1 S256 S44 D2 D3 S256 S44 D4 S256 S144 D5 ");
    EXPECT_EQ(at, (std::vector<int32_t>{0, 0, 300, 300, 600, 1000}));

    // A decode that empties the queue (an instrument reset) ends the walk; the block still completes.
    std::string out;
    int32_t rendered = 0;
    blockslicer::walkBlock(
        q, 1000, rendered, [&](int32_t span) { out += "S" + std::to_string(span) + " "; },
        [&](const MidiQueueEntry& e) {
            out += "D" + std::to_string(e.bytes[1]) + " ";
            if (e.bytes[1] == 2) q.clear();
        });
    EXPECT_EQ(out, "D0 D1 S300 D2 S700 ");
}

TEST(VoiceQueue, RandomBlocksCoverExactlyTheirFramesInOrder) {
    os::Random15 rng(7);
    for (int round = 0; round < 300; ++round) {
        MidiEventQueue q;
        const int32_t n = rng.next() % 1500;
        const int events = rng.next() % 40;
        std::vector<int32_t> offsets;
        for (int e = 0; e < events; ++e) {
            const int32_t off = rng.next() % 1700 - 100;
            offsets.push_back(off);
            const uint8_t bytes[3] = {0x90, static_cast<uint8_t>(e), 1};
            ASSERT_TRUE(q.insert(off, bytes));
        }
        int32_t total = 0;
        int32_t rendered = 0;
        std::vector<int> decoded;
        blockslicer::walkBlock(
            q, n, rendered,
            [&](int32_t span) {
                ASSERT_GT(span, 0);
                blockslicer::forEachSlice(span, [&](int32_t m) {
                    ASSERT_GE(m, 1);
                    ASSERT_LE(m, 256);
                    total += m;
                });
            },
            [&](const MidiQueueEntry& e) {
                // Every earlier sample is rendered, none past the event (or the block end).
                ASSERT_EQ(total, std::clamp(e.offset, 0, n));
                decoded.push_back(e.bytes[1]);
            });
        ASSERT_EQ(total, n);
        // Decoding order: by offset, ties in arrival order.
        std::vector<int> expected(events);
        for (int e = 0; e < events; ++e) expected[e] = e;
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) { return offsets[a] < offsets[b]; });
        ASSERT_EQ(decoded, expected);
    }
}

// A span whose rendering is skipped (program lock busy) still moves the bus by its
// frames, so later spans of the block write at their own offsets and never past the end.
TEST(VoiceQueue, SkippedSpansStillAdvanceTheOutputs) {
    InBuffer2_c bus;
    bus.openHostBound("OutBuf", 256, 2, audiotables::tinyValues());
    std::vector<float> left(1000, 0.0f), right(1000, 0.0f);
    float* ptrs[2] = {left.data(), right.data()};
    bus.setChannelPointers(ptrs);
    MidiEventQueue q;
    push(q, 100, 1);
    push(q, 700, 2);
    int32_t rendered = 0;
    int spanIndex = 0;
    std::vector<int32_t> offsetsAtDecode;
    blockslicer::walkBlock(
        q, 1000, rendered,
        [&](int32_t span) {
            const bool programLockFree = spanIndex++ != 1; // the middle span is skipped
            blockslicer::renderSpan(
                span, programLockFree,
                [&](int32_t m) {
                    float* w = nullptr;
                    ASSERT_TRUE(bus.getMonoWritePointer(&w, false, m));
                    for (int32_t i = 0; i < m; ++i) w[i] = 1.0f;
                },
                [&](int32_t m) { bus.advance(m); });
        },
        [&](const MidiQueueEntry&) { offsetsAtDecode.push_back(bus.writeOffset()); });
    EXPECT_EQ(offsetsAtDecode, (std::vector<int32_t>{100, 700}));
    EXPECT_EQ(bus.writeOffset(), 1000);
    for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(left[i], (i >= 100 && i < 700) ? 0.0f : 1.0f) << i;
}
