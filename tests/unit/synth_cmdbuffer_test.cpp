#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/CommandPost.h"
#include "framework/synth/SynthCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

HoldData_c command(uint8_t code, int16_t a, int16_t b) { return makeCommand(code, a, b); }

std::vector<HoldData_c> drain(CmdBuffer_c& ring) {
    std::vector<HoldData_c> out;
    HoldData_c record;
    while (ring.pop(record))
        out.push_back(record);
    return out;
}

int g_released = 0;
void countingRelease(HoldData_c& record) {
    ++g_released;
    releaseOwnedPayload(record);
}

} // namespace

TEST(SynthCmdBuffer, FullRingRefusesAndStaysUnchanged) {
    CmdBuffer_c ring(640);
    for (int i = 0; i < 639; ++i)
        ASSERT_TRUE(ring.push(command(kCmdSelectGlobalBank, 0, static_cast<int16_t>(i)), kPushAppend)) << i;
    EXPECT_FALSE(ring.push(command(kCmdSelectGlobalBank, 0, 999), kPushAppend));
    // Replace mode with nothing identical pending has no room either.
    EXPECT_FALSE(ring.push(command(kCmdSelectGlobalBank, 0, 998), kPushReplace));
    EXPECT_EQ(ring.pendingCount(), 639u);
    const std::vector<HoldData_c> records = drain(ring);
    ASSERT_EQ(records.size(), 639u);
    for (int i = 0; i < 639; ++i)
        EXPECT_EQ(records[i].b, i);

    // After the ring wraps, it still holds exactly capacity - 1.
    for (int i = 0; i < 639; ++i)
        ASSERT_TRUE(ring.push(command(kCmdSelectGlobalBank, 1, static_cast<int16_t>(i)), kPushAppend));
    EXPECT_FALSE(ring.push(command(kCmdSelectGlobalBank, 1, 0), kPushAppend));
    EXPECT_EQ(ring.pendingCount(), 639u);
}

TEST(SynthCmdBuffer, RefusesCodeZeroUnknownModesAndMissingStorage) {
    CmdBuffer_c ring(8);
    EXPECT_FALSE(ring.push(command(kCmdNone, 1, 1), kPushAppend));
    EXPECT_FALSE(ring.push(command(kCmdSetCurrentPart, 1, 1), 3));
    EXPECT_FALSE(ring.push(command(kCmdSetCurrentPart, 1, 1), -1));
    EXPECT_EQ(ring.pendingCount(), 0u);

    CmdBuffer_c empty(0);
    HoldData_c out;
    EXPECT_FALSE(empty.push(command(kCmdSetCurrentPart, 1, 1), kPushAppend));
    EXPECT_FALSE(empty.pop(out));
    empty.cancel(kCmdSetCurrentPart);
    EXPECT_EQ(empty.pendingCount(), 0u);
}

TEST(SynthCmdBuffer, SkipIdenticalKeepsOneAlsoWhenItIsTheOldest) {
    CmdBuffer_c ring(16);
    const HoldData_c x = command(kCmdSelectPartProgram, 0, 5);
    EXPECT_TRUE(ring.push(x, kPushSkipIdentical));
    EXPECT_TRUE(ring.push(x, kPushSkipIdentical));
    EXPECT_EQ(ring.pendingCount(), 1u);

    EXPECT_TRUE(ring.push(command(kCmdSelectPartBank, 0, 1), kPushAppend));
    EXPECT_TRUE(ring.push(command(kCmdSetCurrentPart, 2, 0), kPushAppend));
    EXPECT_TRUE(ring.push(x, kPushSkipIdentical));  // x is the oldest pending one
    // A record differing only in a MIDI byte is not identical.
    HoldData_c y = x;
    y.midi[3] = 1;
    EXPECT_TRUE(ring.push(y, kPushSkipIdentical));
    const std::vector<HoldData_c> records = drain(ring);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_TRUE(records[0].identical(x));
    EXPECT_EQ(records[1].code, kCmdSelectPartBank);
    EXPECT_EQ(records[2].code, kCmdSetCurrentPart);
    EXPECT_TRUE(records[3].identical(y));
}

TEST(SynthCmdBuffer, ReplaceLeavesOneAtTheNewestPositionAndKeepsTheOrder) {
    CmdBuffer_c ring(8);
    const HoldData_c x = command(kCmdHostProgramChange, 0, 7);
    // Start near the end of the storage so the compaction crosses the wrap.
    for (int i = 0; i < 5; ++i) {
        HoldData_c skip;
        ASSERT_TRUE(ring.push(command(kCmdSetCurrentPart, 0, 0), kPushAppend));
        ASSERT_TRUE(ring.pop(skip));
    }
    ASSERT_TRUE(ring.push(x, kPushAppend));
    ASSERT_TRUE(ring.push(command(kCmdSelectGlobalBank, 0, 1), kPushAppend));
    ASSERT_TRUE(ring.push(x, kPushAppend));
    ASSERT_TRUE(ring.push(command(kCmdSelectGlobalBank, 0, 2), kPushAppend));
    ASSERT_TRUE(ring.push(x, kPushAppend));
    ASSERT_TRUE(ring.push(command(kCmdSelectGlobalBank, 0, 3), kPushAppend));
    EXPECT_TRUE(ring.push(x, kPushReplace));
    const std::vector<HoldData_c> records = drain(ring);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].b, 1);
    EXPECT_EQ(records[1].b, 2);
    EXPECT_EQ(records[2].b, 3);
    EXPECT_TRUE(records[3].identical(x));

    // On a full ring, replacing frees room for the new record.
    CmdBuffer_c small(4);
    ASSERT_TRUE(small.push(x, kPushAppend));
    ASSERT_TRUE(small.push(command(kCmdSelectGlobalBank, 0, 1), kPushAppend));
    ASSERT_TRUE(small.push(command(kCmdSelectGlobalBank, 0, 2), kPushAppend));
    EXPECT_TRUE(small.push(x, kPushReplace));
    EXPECT_EQ(small.pendingCount(), 3u);
}

TEST(SynthCmdBuffer, CancelKeepsTheCountAndPopOnEmptyLeavesOutUntouched) {
    CmdBuffer_c ring(16);
    HoldData_c note = command(kCmdKeyboardNoteOn, 0, 0);
    note.midi[0] = 0x90;
    note.midi[1] = 60;
    ASSERT_TRUE(ring.push(note, kPushAppend));
    ASSERT_TRUE(ring.push(command(kCmdSelectPartBank, 0, 3), kPushAppend));
    note.midi[1] = 62;
    ASSERT_TRUE(ring.push(note, kPushAppend));
    ring.cancelKeyboardNotes();
    EXPECT_EQ(ring.pendingCount(), 3u);
    const std::vector<HoldData_c> records = drain(ring);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].code, kCmdNone);
    EXPECT_EQ(records[1].code, kCmdSelectPartBank);
    EXPECT_EQ(records[2].code, kCmdNone);

    HoldData_c out = command(kCmdSelectGlobalProgram, 11, 22);
    out.p = 33;
    out.midi[2] = 44;
    const HoldData_c before = out;
    EXPECT_FALSE(ring.pop(out));
    EXPECT_FALSE(ring.tryPop(out));
    EXPECT_TRUE(out.identical(before));
}

TEST(SynthCmdBuffer, ControllerEchoIsDroppedBeforeTheFirstBlock) {
    CmdBuffer_c ring(16);
    EXPECT_FALSE(postCommand(ring, false, makeCommand(kCmdSendControllersToHost, 0, -1), kPushAppend));
    EXPECT_TRUE(postCommand(ring, false, makeCommand(kCmdAllNotesOff, 255, 0), kPushAppend));
    EXPECT_EQ(ring.pendingCount(), 1u);
    EXPECT_TRUE(postCommand(ring, true, makeCommand(kCmdSendControllersToHost, 0, -1), kPushAppend));
    EXPECT_EQ(ring.pendingCount(), 2u);
}

TEST(SynthCmdBuffer, ErrorTextIsFreedWheneverTheRingDropsIt) {
    const auto textRecord = [](const char* text) {
        return makeCommand(kCmdErrorMessageBox, 0, 0, makeOwnedText(text), HoldData_c::fromPointer("Load Error"));
    };
    g_released = 0;
    {
        CmdBuffer_c ring(3, &countingRelease);
        ASSERT_TRUE(ring.push(textRecord("first"), kPushAppend));
        ASSERT_TRUE(ring.push(textRecord("second"), kPushAppend));
        EXPECT_FALSE(ring.push(textRecord("refused: ring full"), kPushAppend));
        EXPECT_EQ(g_released, 1);
        EXPECT_FALSE(ring.push(textRecord("refused: bad mode"), 7));
        EXPECT_EQ(g_released, 2);

        // The popped record belongs to the caller, who frees it after use.
        HoldData_c popped;
        ASSERT_TRUE(ring.pop(popped));
        EXPECT_STREQ(ownedText(popped), "first");
        releaseOwnedPayload(popped);
        EXPECT_EQ(popped.p, 0);
        EXPECT_EQ(g_released, 2);

        // An identical record shares the pending one's text: skipped and
        // replaced pushes must not free it (a double free under ASan).
        HoldData_c same;
        ASSERT_TRUE(ring.push(textRecord("third"), kPushAppend));
        ASSERT_TRUE(ring.pop(same));
        ASSERT_TRUE(ring.push(same, kPushAppend));
        EXPECT_TRUE(ring.push(same, kPushSkipIdentical));
        EXPECT_TRUE(ring.push(same, kPushReplace));
        EXPECT_EQ(g_released, 2);
        EXPECT_EQ(ring.pendingCount(), 2u);

        ring.cancel(kCmdErrorMessageBox);
        EXPECT_EQ(g_released, 4);
        EXPECT_EQ(ring.pendingCount(), 2u);
        for (const HoldData_c& cancelled : drain(ring)) {
            EXPECT_EQ(cancelled.code, kCmdNone);
            EXPECT_EQ(cancelled.p, 0);
        }
        ASSERT_TRUE(ring.push(textRecord("pending at destruction"), kPushAppend));
    }
    EXPECT_EQ(g_released, 5);

    // The default hook frees the texts (ASan's leak check sees any leak).
    CmdBuffer_c ring(2);
    ASSERT_TRUE(ring.push(textRecord("kept"), kPushAppend));
    EXPECT_FALSE(ring.push(textRecord("dropped"), kPushAppend));
}

TEST(SynthCmdBuffer, ManyProducersAndANonBlockingConsumerLoseNothing) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 20000;
    CmdBuffer_c ring(640);
    std::atomic<bool> go{false};
    std::vector<std::thread> producers;
    for (int t = 0; t < kProducers; ++t) {
        producers.emplace_back([&ring, &go, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kPerProducer; ++i) {
                HoldData_c record = makeCommand(kCmdSelectPartProgram, static_cast<int16_t>(t),
                                                static_cast<int16_t>(i & 0x7FFF), i);
                record.midi[0] = static_cast<uint8_t>(i);
                // Replace mode compacts the pending records while the consumer pops.
                const int mode = (i % 3 == 0) ? kPushReplace : kPushAppend;
                while (!ring.push(record, mode))
                    std::this_thread::yield();
            }
        });
    }
    go = true;
    std::vector<int> next(kProducers, 0);
    int received = 0;
    bool inOrder = true;
    while (received < kProducers * kPerProducer) {
        HoldData_c record;
        if (!ring.tryPop(record)) {
            std::this_thread::yield();
            continue;
        }
        const int t = record.a;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kProducers);
        const int expected = next[t]++;
        if (record.p != expected || record.midi[0] != static_cast<uint8_t>(expected) ||
            record.code != kCmdSelectPartProgram)
            inOrder = false;
        ++received;
    }
    for (std::thread& producer : producers)
        producer.join();
    EXPECT_TRUE(inOrder);
    for (int t = 0; t < kProducers; ++t)
        EXPECT_EQ(next[t], kPerProducer);
    EXPECT_EQ(ring.pendingCount(), 0u);
}
