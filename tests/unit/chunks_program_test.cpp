// Program chunks: captures are canonical and free of stale memory, the
// program reader applies blocks to the right rows, and refuses what it
// cannot take with one posted "Load Error".
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/ProgramChunk.h"
#include "framework/synth/SynthCommand.h"
#include "os/Random.h"
#include "support/FakeChunkHost.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace chunk_test;

namespace {

Bytes capture(const FakeChunkHost& host, int slot) {
    std::unique_ptr<MemC_c> chunk = captureProgram(host, slot, kPartProgramRow);
    return chunk ? Bytes(chunk->data(), chunk->data() + chunk->size()) : Bytes{};
}

// The pending error records: their texts and captions; the ring is emptied.
std::vector<std::string> drainErrors(CmdBuffer_c& ring) {
    std::vector<std::string> texts;
    HoldData_c record;
    while (ring.pop(record)) {
        EXPECT_EQ(record.code, kCmdErrorMessageBox);
        EXPECT_STREQ(record.qAs<const char>(), "Load Error");
        texts.emplace_back(ownedText(record));
        releaseOwnedPayload(record);
    }
    return texts;
}

int applyTo(FakeChunkHost& host, int slot, const Bytes& chunk) {
    return applyProgramChunk(host, slot, kPartProgramRow, chunk.data(), chunk.size(), host.toIdle);
}

} // namespace

TEST(ChunksProgram, CaptureIsTheRowsSetChunksInTableOrderWithZeroSlack) {
    // Leave stale bytes on the heap where the capture is likely to land.
    FakeChunkHost host({2, false, false});
    host.setEveryValue(8);
    const size_t bound = host.oscillator->getChunkSize(1) + host.envelope0->getChunkSize(1) +
                         host.envelope1->getChunkSize(1);
    for (int i = 0; i < 8; ++i) {
        std::unique_ptr<uint8_t[]> stale(new uint8_t[bound + 1]);
        std::memset(stale.get(), 0xAB, bound + 1);
    }
    const Bytes chunk = capture(host, 1);
    ASSERT_EQ(chunk.size(), bound);

    Bytes expected = rowChunk(*host.oscillator, 1);
    for (const ParaSet_c* set : {host.envelope0.get(), host.envelope1.get()}) {
        const Bytes row = rowChunk(*set, 1);
        expected.insert(expected.end(), row.begin(), row.end());
    }
    ASSERT_LT(expected.size(), chunk.size()); // placeholders leave slack
    EXPECT_EQ(Bytes(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    for (size_t i = expected.size(); i < chunk.size(); ++i)
        EXPECT_EQ(chunk[i], 0) << i;
    EXPECT_EQ(capture(host, 1), chunk);
}

TEST(ChunksProgram, NoCaptureWhenARowOfTheKindHasNoSet) {
    class NoSetRegistry : public ChunkModuleRegistry {
    public:
        int moduleRowCount() const override { return 1; }
        ChunkModuleRow moduleRow(int) const override { return {makeSetTypeId("NONE"), 0, kPartProgramRow, nullptr}; }
    } registry;
    EXPECT_EQ(captureProgram(registry, 0, kPartProgramRow), nullptr);
}

TEST(ChunksProgram, AppliesEachBlockToItsRowAndSlotOnly) {
    FakeChunkHost source({2, false, false});
    source.setEveryValue(3);
    const Bytes chunk = capture(source, 1);

    FakeChunkHost target({2, false, false});
    setValues(*target.oscillator, 0, 50);
    setValues(*target.oscillator, 1, 51);
    const Bytes slotZero = rowChunk(*target.oscillator, 0);
    // Slot 1's program applied to slot 0: rows of instance 0 and 1 keep apart.
    EXPECT_EQ(applyTo(target, 0, chunk), 3);
    EXPECT_TRUE(drainErrors(target.toIdle).empty());
    // The rows' header words are their instances, the same in both hosts.
    EXPECT_EQ(rowChunk(*target.envelope1, 0), rowChunk(*source.envelope1, 1));
    EXPECT_EQ(rowChunk(*target.envelope0, 0), rowChunk(*source.envelope0, 1));
    EXPECT_NE(rowChunk(*target.oscillator, 0), slotZero);
    EXPECT_EQ(capture(target, 0), chunk);
    // Slot 1 was not touched.
    FakeChunkHost fresh({2, false, false});
    setValues(*fresh.oscillator, 1, 51);
    EXPECT_EQ(rowChunk(*target.oscillator, 1), rowChunk(*fresh.oscillator, 1));
}

TEST(ChunksProgram, AProgramThatCannotApplyWholeChangesNothing) {
    FakeChunkHost source;
    source.setEveryValue(12);
    const Bytes program = capture(source, 0);
    const Bytes osc = rowChunk(*source.oscillator, 0);
    const auto block = [](const char (&tag)[5], uint32_t size, uint32_t order) {
        Bytes b;
        appendWord(b, static_cast<uint32_t>(makeSetTypeId(tag)));
        appendWord(b, size);
        appendWord(b, order);
        appendWord(b, 0);
        return b;
    };
    const auto join = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Bytes junk(64);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 73 + 41);
    Bytes stale(24);
    for (size_t i = 0; i < stale.size(); ++i)
        stale[i] = static_cast<uint8_t>(0xC3 ^ i);
    Bytes cutShort = program;
    cutShort.resize(osc.size() + 20); // inside the second block

    struct Case {
        const char* what;
        Bytes bytes;
        const char* error; // nullptr: applies; "": refused without a message
    };
    const Case cases[] = {
        {"unknown first tag", join(block("ZZZZ", 16, 5), program), "format mismatch ZZZZ Order 5"},
        {"unknown tag before the program is complete", join(join(osc, block("ZZZZ", 16, 5)), program),
         "format mismatch ZZZZ Order 5"},
        {"junk", junk, "format mismatch "},
        {"a known block cut short", cutShort, "format mismatch ENV1 Order 0"},
        {"a known block claiming 1000 bytes", join(osc, block("ENV1", 1000, 0)), "format mismatch ENV1 Order 0"},
        {"a known block of 3 bytes", join(osc, block("ENV1", 3, 0)), "format mismatch ENV1 Order 0"},
        {"no block at all", Bytes{1, 2, 3}, ""},
        {"zeroed from the start", Bytes(32, 0), ""},
        {"valid", program, nullptr},
        {"valid with stale slack of an earlier version", join(program, stale), nullptr},
        {"valid with a slack header claiming too much", join(program, block("\xff\xff\xff\xff", 500, 7)), nullptr},
    };
    for (const Case& c : cases) {
        FakeChunkHost target;
        target.setEveryValue(70);
        const std::vector<Bytes> before = target.snapshot();
        const int applied = applyTo(target, 0, c.bytes);
        const std::vector<std::string> errors = drainErrors(target.toIdle);
        if (c.error == nullptr) {
            EXPECT_EQ(applied, 3) << c.what;
            EXPECT_TRUE(errors.empty()) << c.what;
            EXPECT_EQ(capture(target, 0), program) << c.what;
            continue;
        }
        EXPECT_EQ(applied, 0) << c.what;
        EXPECT_EQ(target.snapshot(), before) << c.what;
        if (*c.error == '\0') {
            EXPECT_TRUE(errors.empty()) << c.what;
        } else {
            ASSERT_EQ(errors.size(), 1u) << c.what;
            EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << c.what << ": " << errors[0];
        }
    }
    // Zeroed slack after the last block is the end, quietly.
    FakeChunkHost target;
    EXPECT_EQ(applyTo(target, 0, join(osc, Bytes(16, 0))), 1);
    EXPECT_TRUE(drainErrors(target.toIdle).empty());
    EXPECT_EQ(rowChunk(*target.oscillator, 0), osc);
    EXPECT_EQ(rowChunk(*target.envelope0, 0), rowChunk(*FakeChunkHost().envelope0, 0)); // reset by the load
}

TEST(ChunksProgram, NegativeOrderBlocksGoToTheComplementedInstance) {
    FakeChunkHost source;
    setValues(*source.envelope1, 0, 44);
    Bytes chunk = rowChunk(*source.envelope1, 0);
    putWordAt(chunk, 4, scrambleBlockSize(static_cast<uint32_t>(chunk.size())));
    putWordAt(chunk, 8, static_cast<uint32_t>(~int32_t{1}));
    FakeChunkHost target;
    EXPECT_EQ(applyTo(target, 0, chunk), 1);
    EXPECT_TRUE(drainErrors(target.toIdle).empty());
    EXPECT_EQ(rowChunk(*target.envelope1, 0), rowChunk(*source.envelope1, 0));
    EXPECT_EQ(rowChunk(*target.envelope0, 0), rowChunk(*FakeChunkHost().envelope0, 0));
}

TEST(ChunksProgram, RandomChunksEndWithAtMostOneError) {
    os::Random15 random(777);
    FakeChunkHost source;
    source.setEveryValue(1);
    const Bytes good = capture(source, 0);
    FakeChunkHost target;
    for (int round = 0; round < 300; ++round) {
        Bytes bytes = good;
        if (round % 3 == 0) {
            bytes.resize(static_cast<size_t>(random.next() % 300));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(random.next());
        } else {
            bytes.resize(static_cast<size_t>(random.next()) % (good.size() + 1));
            for (int flips = 0; flips < 3 && !bytes.empty(); ++flips)
                bytes[static_cast<size_t>(random.next()) % bytes.size()] = static_cast<uint8_t>(random.next());
        }
        applyTo(target, 0, bytes);
        EXPECT_LE(drainErrors(target.toIdle).size(), 1u);
    }
}

TEST(ChunksProgramStore, StoresOwnedCopiesAndRefusesNothing) {
    ProgramChunkStore store(2);
    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    EXPECT_FALSE(store.store(2, bytes, 5));
    EXPECT_FALSE(store.store(-1, bytes, 5));
    EXPECT_FALSE(store.store(0, nullptr, 5));
    EXPECT_FALSE(store.store(0, bytes, 0));
    EXPECT_EQ(store.stored(0), nullptr);
    ASSERT_TRUE(store.store(1, bytes, 5));
    ASSERT_NE(store.stored(1), nullptr);
    EXPECT_NE(store.stored(1)->data(), bytes);
    EXPECT_EQ(store.stored(1)->size(), 5u);
    EXPECT_EQ(store.stored(1)->data()[4], 5);
    store.clear(1);
    EXPECT_EQ(store.stored(1), nullptr);

    FakeChunkHost host;
    host.setEveryValue(4);
    const MemC_c* captured = store.capture(host, 0, kPartProgramRow);
    ASSERT_NE(captured, nullptr);
    EXPECT_EQ(Bytes(captured->data(), captured->data() + captured->size()), capture(host, 0));
    EXPECT_EQ(store.capture(host, 5, kPartProgramRow), nullptr);
}
