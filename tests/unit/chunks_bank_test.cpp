// The bank chunk: its block layout, byte-identical round trips through the
// writer and the reader, and hostile chunks that must change nothing.
#include "framework/synth/BankChunk.h"
#include "framework/synth/BankChunkBlock.h"
#include "os/Random.h"
#include "support/FakeChunkHost.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace chunk_test;

namespace {

struct BlockView {
    std::string tagBytes; // as stored
    uint32_t size;
    int32_t order;
    size_t offset;
};

// An independent reading of the layout: walks by the size words it finds.
std::vector<BlockView> blocksOf(const Bytes& bank) {
    std::vector<BlockView> blocks;
    size_t at = 0;
    while (at + 12 <= bank.size()) {
        BlockView v{std::string(bank.begin() + static_cast<std::ptrdiff_t>(at),
                                bank.begin() + static_cast<std::ptrdiff_t>(at + 4)),
                    wordAt(bank, at + 4), static_cast<int32_t>(wordAt(bank, at + 8)), at};
        blocks.push_back(v);
        if (v.size < 12)
            break;
        at += v.size;
    }
    return blocks;
}

} // namespace

TEST(ChunksBank, LayoutOfTheInstrumentsBank) {
    FakeChunkHost host;
    host.setEveryValue(3);
    host.instrument->setHeaderValue(9); // the written order is the part, whatever the header says
    const Bytes bank = host.bank();
    ASSERT_FALSE(bank.empty());

    const std::vector<BlockView> blocks = blocksOf(bank);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].tagBytes, "0GYS");
    EXPECT_EQ(blocks[1].tagBytes, "1GYS");
    EXPECT_EQ(blocks[1].order, 0);
    EXPECT_EQ(blocks[2].tagBytes, "0NUT");
    EXPECT_EQ(blocks[2].order, 0);
    EXPECT_EQ(blocks[3].tagBytes, "GORP");
    EXPECT_EQ(blocks[3].order, 0);
    size_t sum = 0;
    for (const BlockView& b : blocks) {
        EXPECT_EQ(b.size % 4, 0u) << b.tagBytes;
        sum += b.size;
    }
    EXPECT_EQ(sum, bank.size());

    // The settings blocks are the sets' own chunks; the program block holds
    // the part's module rows in table order.
    EXPECT_EQ(Bytes(bank.begin(), bank.begin() + blocks[0].size), rowChunk(*host.global, 0));
    const Bytes prog(bank.begin() + static_cast<std::ptrdiff_t>(blocks[3].offset + 12), bank.end());
    const std::vector<BlockView> inner = blocksOf(prog);
    ASSERT_GE(inner.size(), 3u);
    EXPECT_EQ(inner[0].tagBytes, "1CSO");
    EXPECT_EQ(inner[1].tagBytes, "1VNE");
    EXPECT_EQ(inner[1].order, 0);
    EXPECT_EQ(inner[2].tagBytes, "1VNE");
    EXPECT_EQ(inner[2].order, 1);
}

TEST(ChunksBank, SeveralPartsAndBankOnlyRowsInTheirPlaces) {
    FakeChunkHost host({3, true, false});
    host.setEveryValue(1);
    const std::vector<BlockView> blocks = blocksOf(host.bank());
    std::vector<std::string> tags;
    std::vector<int32_t> orders;
    for (const BlockView& b : blocks) {
        tags.push_back(b.tagBytes);
        orders.push_back(b.order);
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"0GYS", "1GYS", "1GYS", "1GYS", "2BXF", "0NUT", "GORP", "GORP",
                                              "GORP"}));
    EXPECT_EQ(orders, (std::vector<int32_t>{0, 0, 1, 2, 3, 0, 0, 1, 2}));
}

TEST(ChunksBank, RoundTripRestoresEveryValueAndRewritesTheSameBytes) {
    for (const HostShape shape : {HostShape{1, false, false}, HostShape{3, true, false}}) {
        FakeChunkHost source(shape);
        source.setEveryValue(7);
        const Bytes bank = source.bank();
        ASSERT_FALSE(bank.empty());
        EXPECT_EQ(source.bank(), bank); // canonical: a second request is identical

        FakeChunkHost target(shape);
        ASSERT_NE(target.snapshot(), source.snapshot());
        EXPECT_EQ(loadBankChunk(target, bank.data(), bank.size()), bank.size());
        EXPECT_TRUE(target.errors.empty());
        EXPECT_EQ(target.snapshot(), source.snapshot());
        EXPECT_EQ(target.bank(), bank);
        EXPECT_EQ(target.log.front(), "begin");
        EXPECT_EQ(target.log.back(), "end");
        EXPECT_EQ(target.log[target.log.size() - 2], "closing");
        EXPECT_EQ(target.toIdle.pendingCount(), 0u);
    }
}

TEST(ChunksBank, TwoRowsWithTheSameTagAndInstanceBothReadTheBlock) {
    FakeChunkHost source({1, true, true});
    setValues(*source.bankOnly, 0, 40);
    FakeChunkHost target({1, true, true});
    const Bytes bank = source.bank();
    ASSERT_EQ(loadBankChunk(target, bank.data(), bank.size()), bank.size());
    // The last FXB2 block written (the twin's defaults) is read by both rows last.
    EXPECT_EQ(rowChunk(*target.bankOnly, 0), rowChunk(*target.twin, 0));
    EXPECT_EQ(rowChunk(*target.twin, 0), rowChunk(*source.twin, 0));
}

TEST(ChunksBank, ABankThatCannotApplyWholeChangesNothing) {
    FakeChunkHost source;
    source.setEveryValue(5);
    const Bytes bank = source.bank();
    const std::vector<BlockView> blocks = blocksOf(bank);
    ASSERT_EQ(blocks.back().tagBytes, "GORP");
    const size_t programAt = blocks.back().offset;
    Bytes foreign;
    appendWord(foreign, static_cast<uint32_t>(makeSetTypeId("ZZZZ")));
    appendWord(foreign, 16);
    appendWord(foreign, 4);
    appendWord(foreign, 0);
    // A program block whose program is the given bytes.
    const auto withProgram = [&](const Bytes& program) {
        Bytes b(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(programAt));
        appendWord(b, static_cast<uint32_t>(makeSetTypeId("PROG")));
        appendWord(b, static_cast<uint32_t>(12 + program.size()));
        appendWord(b, 0);
        b.insert(b.end(), program.begin(), program.end());
        return b;
    };
    const Bytes program(bank.begin() + static_cast<std::ptrdiff_t>(programAt + 12), bank.end());

    struct Case {
        const char* what;
        Bytes bytes;
        const char* error; // nullptr: the bank applies
    };
    std::vector<Case> cases;
    Bytes firstUnknown = bank;
    putWordAt(firstUnknown, 0, static_cast<uint32_t>(makeSetTypeId("ZZZZ")));
    cases.push_back({"unknown first tag", firstUnknown, "format mismatch ZZZZ Order 0 Size "});
    Bytes middle = bank;
    middle.insert(middle.begin() + static_cast<std::ptrdiff_t>(blocks[2].offset), foreign.begin(), foreign.end());
    cases.push_back({"unknown tag after two blocks", middle, "format mismatch ZZZZ Order 4 Size 16"});
    Bytes junkProgram(64);
    for (size_t i = 0; i < junkProgram.size(); ++i)
        junkProgram[i] = static_cast<uint8_t>(i * 73 + 41);
    cases.push_back({"junk program", withProgram(junkProgram), "format mismatch PROG Order 0 Size "});
    Bytes programWithForeign(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(wordAt(program, 4)));
    programWithForeign.insert(programWithForeign.end(), foreign.begin(), foreign.end());
    cases.push_back({"program applying in part", withProgram(programWithForeign), "format mismatch PROG Order 0 Size "});
    Bytes cutLast(bank.begin(), bank.end() - 4);
    cases.push_back({"last block cut short", cutLast, "format mismatch PROG Order 0 Size "});
    // A program from an earlier version: unzeroed slack after its last block.
    Bytes slack = program;
    for (size_t i = 0; i < 24; ++i)
        slack.push_back(static_cast<uint8_t>(0xC3 ^ i));
    cases.push_back({"program with stale slack", withProgram(slack), nullptr});
    cases.push_back({"valid bank", bank, nullptr});

    for (const Case& c : cases) {
        FakeChunkHost target;
        target.setEveryValue(9);
        const std::vector<Bytes> before = target.snapshot();
        const size_t read = loadBankChunk(target, c.bytes.data(), c.bytes.size());
        if (c.error == nullptr) {
            EXPECT_EQ(read, c.bytes.size()) << c.what;
            EXPECT_TRUE(target.errors.empty()) << c.what;
            EXPECT_EQ(target.snapshot(), source.snapshot()) << c.what;
            continue;
        }
        EXPECT_EQ(read, 0u) << c.what;
        EXPECT_EQ(target.snapshot(), before) << c.what;
        EXPECT_TRUE(target.log.empty()) << c.what; // never began: no reset, no hold-off
        ASSERT_EQ(target.errors.size(), 1u) << c.what;
        EXPECT_EQ(target.errors[0].rfind(c.error, 0), 0u) << c.what << ": " << target.errors[0];
    }
}

TEST(ChunksBank, StructurallyBrokenBanksChangeNothing) {
    FakeChunkHost source({2, true, false});
    source.setEveryValue(2);
    const Bytes bank = source.bank();
    const std::vector<BlockView> blocks = blocksOf(bank);

    for (size_t victim = 0; victim < blocks.size(); ++victim) {
        const size_t remaining = bank.size() - blocks[victim].offset;
        for (uint32_t size : {0u, 3u, 8u, static_cast<uint32_t>(remaining + 4), 0x7fffffffu}) {
            Bytes broken = bank;
            putWordAt(broken, blocks[victim].offset + 4, size);
            FakeChunkHost target({2, true, false});
            target.setEveryValue(11);
            const std::vector<Bytes> before = target.snapshot();
            EXPECT_EQ(loadBankChunk(target, broken.data(), broken.size()), 0u);
            EXPECT_EQ(target.snapshot(), before) << victim << " " << size;
            EXPECT_TRUE(target.log.empty());
            EXPECT_EQ(target.errors.size(), 1u);
        }
    }
}

TEST(ChunksBank, TruncatedBanksApplyAllOrNothing) {
    FakeChunkHost source;
    source.setEveryValue(4);
    const Bytes bank = source.bank();
    for (size_t length = 0; length < bank.size(); ++length) {
        const Bytes cut(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(length));
        FakeChunkHost target;
        target.setEveryValue(9);
        const std::vector<Bytes> before = target.snapshot();
        const size_t read = loadBankChunk(target, cut.data(), cut.size());
        if (read == 0) {
            EXPECT_EQ(target.snapshot(), before) << length;
        } else {
            EXPECT_EQ(read, length);
            EXPECT_TRUE(target.errors.empty());
        }
    }
    // Cut inside the last block: its size claims more than remains.
    const Bytes cut(bank.begin(), bank.end() - 4);
    FakeChunkHost target;
    EXPECT_EQ(loadBankChunk(target, cut.data(), cut.size()), 0u);
}

TEST(ChunksBank, NegativeOrderBlocksAreReadWithTheComplementedOrder) {
    FakeChunkHost source({2, false, false});
    setValues(*source.instrument, 1, 21);
    // A bank of one SYG1 block for part 1 in the stored form.
    Bytes bank = rowChunk(*source.instrument, 1);
    const uint32_t size = static_cast<uint32_t>(bank.size());
    putWordAt(bank, 4, scrambleBlockSize(size));
    putWordAt(bank, 8, static_cast<uint32_t>(~int32_t{1}));
    FakeChunkHost target({2, false, false});
    const Bytes row0 = rowChunk(*target.instrument, 0);
    EXPECT_EQ(loadBankChunk(target, bank.data(), bank.size()), bank.size());
    EXPECT_TRUE(target.errors.empty());
    EXPECT_EQ(rowChunk(*target.instrument, 1), rowChunk(*source.instrument, 1));
    EXPECT_EQ(rowChunk(*target.instrument, 0), row0);

    // Left unscrambled, the same size field would not pass.
    putWordAt(bank, 4, size);
    FakeChunkHost plain({2, false, false});
    EXPECT_EQ(loadBankChunk(plain, bank.data(), bank.size()), 0u);
}

TEST(ChunksBank, RandomAndMutatedBytesNeverHangOrReadOutside) {
    os::Random15 random(12345);
    FakeChunkHost source({2, true, false});
    source.setEveryValue(6);
    const Bytes bank = source.bank();
    FakeChunkHost target({2, true, false});
    for (int round = 0; round < 300; ++round) {
        Bytes bytes;
        if (round % 2 == 0) {
            bytes.resize(static_cast<size_t>(random.next() % 400));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(random.next());
        } else {
            bytes = bank;
            for (int flips = 0; flips < 4; ++flips)
                bytes[static_cast<size_t>(random.next()) * 31 % bytes.size()] = static_cast<uint8_t>(random.next());
        }
        // An exact-size copy, so the sanitizer build sees any read past the end.
        const size_t read = loadBankChunk(target, bytes.data(), bytes.size());
        EXPECT_TRUE(read == 0 || read == bytes.size());
    }
}

TEST(ChunksBank, NoChunkWhenTheStoreIsTooSmall) {
    FakeChunkHost host;
    Bytes store(64);
    EXPECT_EQ(writeBankChunk(host, store.data(), store.size()), 0u);
    EXPECT_EQ(writeBankChunk(host, nullptr, 100000), 0u);
    FakeChunkHost target;
    EXPECT_EQ(loadBankChunk(target, nullptr, 100), 0u);
    EXPECT_TRUE(target.log.empty());
}
