// The memory block's bounds, the block walker on hostile sizes and the
// stored-form size rearrangement.
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/MemC_c.h"
#include "support/FakeChunkHost.h"

#include <gtest/gtest.h>
#include <vector>

using namespace chunk_test;

TEST(ChunksMemC, OwnedBlockIsZeroedAndWordsStopAtTheLastWholeWord) {
    MemC_c block(10); // two whole words and two spare bytes
    ASSERT_NE(block.data(), nullptr);
    EXPECT_TRUE(block.owned());
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(block.data()[i], 0);
    EXPECT_EQ(block.wordCount(), 2);
    EXPECT_NE(block.wordAddress(1), nullptr);
    EXPECT_EQ(block.wordAddress(2), nullptr);
    EXPECT_EQ(block.wordAddress(-1), nullptr);

    EXPECT_TRUE(block.writeWord(1, 0x04030201u));
    EXPECT_EQ(block.data()[4], 1);
    EXPECT_EQ(block.data()[7], 4);
    uint32_t out = 99;
    EXPECT_TRUE(block.readWord(1, out));
    EXPECT_EQ(out, 0x04030201u);
    out = 99;
    EXPECT_FALSE(block.readWord(2, out));
    EXPECT_EQ(out, 0u); // cleared before refusing
    EXPECT_FALSE(block.readWord(-5, out));
    EXPECT_FALSE(block.writeWord(2, 1));
    EXPECT_EQ(block.word(2), 0u);
}

TEST(ChunksMemC, FillClampsAndZeroesWhenShort) {
    MemC_c block(8);
    const uint8_t ones[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_TRUE(block.fill(ones, 12)); // clamped to 8
    EXPECT_EQ(block.word(1), 0x01010101u);
    const uint8_t two[2] = {2, 2};
    ASSERT_TRUE(block.fill(two, 2)); // short: the rest zeroed
    EXPECT_EQ(block.word(0), 0x00000202u);
    EXPECT_EQ(block.word(1), 0u);

    MemC_c empty;
    EXPECT_FALSE(empty.fill(ones, 4));
    EXPECT_EQ(empty.wordAddress(0), nullptr);

    uint8_t callers[8] = {};
    MemC_c borrowed(callers, sizeof callers);
    EXPECT_FALSE(borrowed.owned());
    EXPECT_TRUE(borrowed.writeWord(0, 7));
    EXPECT_EQ(callers[0], 7);

    auto copy = MemC_c::copyOf(ones, 5);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->size(), 5u);
    EXPECT_EQ(copy->data()[4], 1);
}

namespace {

Bytes block(uint32_t tag, uint32_t size, uint32_t order, size_t payload) {
    Bytes b;
    appendWord(b, tag);
    appendWord(b, size);
    appendWord(b, order);
    b.resize(b.size() + payload, 0xEE);
    return b;
}

std::vector<size_t> walkOffsets(const Bytes& bytes, BankChunkWalker::Stop& stop, bool endAtEmpty = false) {
    BankChunkWalker walker(bytes.data(), bytes.size());
    walker.endAtEmptyBlock(endAtEmpty);
    std::vector<size_t> offsets;
    BankChunkBlock b;
    while (walker.next(b)) {
        offsets.push_back(b.offset);
        if (offsets.size() > bytes.size())
            break; // would be a hang
    }
    stop = walker.stop();
    return offsets;
}

} // namespace

TEST(ChunksWalker, AcceptsOnlySizesFromTwelveToWhatRemains) {
    const uint32_t tag = static_cast<uint32_t>(makeSetTypeId("ABCD"));
    BankChunkWalker::Stop stop;

    Bytes good = block(tag, 16, 0, 4);
    Bytes second = block(tag, 12, 1, 0);
    good.insert(good.end(), second.begin(), second.end());
    EXPECT_EQ(walkOffsets(good, stop), (std::vector<size_t>{0, 16}));
    EXPECT_EQ(stop, BankChunkWalker::Stop::End);

    for (uint32_t badSize : {0u, 3u, 4u, 11u, 29u, 0xFFFFFFFFu, 0x80000000u}) {
        Bytes bad = block(tag, 16, 0, 4);
        Bytes next = block(tag, badSize, 0, 16);
        bad.insert(bad.end(), next.begin(), next.end()); // 28 bytes remain at the second block
        EXPECT_EQ(walkOffsets(bad, stop), std::vector<size_t>{0}) << badSize;
        EXPECT_EQ(stop, BankChunkWalker::Stop::Broken) << badSize;
        BankChunkBlock broken;
        EXPECT_FALSE(chunkStructureIsSound(bad.data(), bad.size(), broken));
        EXPECT_EQ(broken.offset, 16u);
    }

    // A size of exactly what remains is the last block.
    Bytes exact = block(tag, 20, 0, 8);
    EXPECT_EQ(walkOffsets(exact, stop).size(), 1u);
    EXPECT_EQ(stop, BankChunkWalker::Stop::End);
    // A fragment shorter than a header ends the walk cleanly.
    exact.resize(exact.size() + 8, 0);
    EXPECT_EQ(walkOffsets(exact, stop).size(), 1u);
    EXPECT_EQ(stop, BankChunkWalker::Stop::End);
    // Zeroed slack: broken for a bank, the end for a program.
    exact.resize(exact.size() + 8, 0);
    walkOffsets(exact, stop);
    EXPECT_EQ(stop, BankChunkWalker::Stop::Broken);
    walkOffsets(exact, stop, true);
    EXPECT_EQ(stop, BankChunkWalker::Stop::EmptyBlock);
}

TEST(ChunksWalker, SizesOffTheWordGridStillAdvanceAndStayInside) {
    const uint32_t tag = static_cast<uint32_t>(makeSetTypeId("ABCD"));
    Bytes bytes = block(tag, 13, 0, 1);  // 13 bytes, next block at 12
    bytes.resize(12);
    Bytes next = block(tag, 15, 0, 3);
    bytes.insert(bytes.end(), next.begin(), next.end()); // 27 bytes
    BankChunkWalker walker(bytes.data(), bytes.size());
    BankChunkBlock b;
    ASSERT_TRUE(walker.next(b));
    EXPECT_EQ(b.size, 13u);
    ASSERT_TRUE(walker.next(b));
    EXPECT_EQ(b.offset, 12u);
    EXPECT_LE(b.offset + b.size, bytes.size());
    EXPECT_FALSE(walker.next(b));
}

TEST(ChunksWalker, NegativeOrderIsComplementedAndItsSizeUnscrambled) {
    const uint32_t tag = static_cast<uint32_t>(makeSetTypeId("ABCD"));
    Bytes bytes = block(tag, scrambleBlockSize(24), static_cast<uint32_t>(~int32_t{5}), 12);
    Bytes plain = block(tag, 12, 2, 0);
    bytes.insert(bytes.end(), plain.begin(), plain.end());
    BankChunkWalker walker(bytes.data(), bytes.size());
    BankChunkBlock b;
    ASSERT_TRUE(walker.next(b));
    EXPECT_EQ(b.order, 5);
    EXPECT_EQ(b.size, 24u);
    ASSERT_TRUE(walker.next(b));
    EXPECT_EQ(b.offset, 24u);
    EXPECT_EQ(b.order, 2);
}

TEST(ChunksWalker, SizeRearrangementIsABijection) {
    // Every low-19-bit pattern under a few high patterns: the inverse undoes
    // it, and no two inputs meet.
    for (uint32_t high : {0u, 0x00080000u, 0x7ff80000u, 0xfff80000u}) {
        std::vector<bool> seen(1u << 19, false);
        for (uint32_t low = 0; low < (1u << 19); ++low) {
            const uint32_t x = high | low;
            const uint32_t u = unscrambleBlockSize(x);
            ASSERT_EQ(u & 0xfff80000u, high);
            ASSERT_FALSE(seen[u & 0x7ffffu]) << x;
            seen[u & 0x7ffffu] = true;
            ASSERT_EQ(scrambleBlockSize(u), x);
        }
    }
    // The rearrangement is not the identity on sizes a block can have.
    EXPECT_NE(unscrambleBlockSize(24 ^ 0x6e17u), 24u);
}

TEST(ChunksWalker, MismatchTextNamesTagOrderAndSize) {
    BankChunkBlock b;
    b.tag = makeSetTypeId("ZZZ9");
    b.order = -3;
    b.size = 40;
    char text[96];
    formatMismatchText(b, true, text, sizeof text);
    EXPECT_STREQ(text, "format mismatch ZZZ9 Order -3 Size 40");
    formatMismatchText(b, false, text, sizeof text);
    EXPECT_STREQ(text, "format mismatch ZZZ9 Order -3");
}
