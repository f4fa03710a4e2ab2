#include "framework/synth/BankChunkBlock.h"

#include "framework/model/ChunkWords.h"

#include <cstdio>

namespace {

constexpr uint32_t kSizeMask = 0x6e17u;
constexpr uint32_t kLowBits = 19;
constexpr uint32_t kLowMask = (1u << kLowBits) - 1;
constexpr uint32_t kRotation = 7;

uint32_t rotateLowBits(uint32_t value, uint32_t left) {
    const uint32_t low = value & kLowMask;
    const uint32_t rotated = ((low << left) | (low >> (kLowBits - left))) & kLowMask;
    return (value & ~kLowMask) | rotated;
}

} // namespace

uint32_t unscrambleBlockSize(uint32_t stored) { return rotateLowBits(stored ^ kSizeMask, kRotation); }

uint32_t scrambleBlockSize(uint32_t size) { return rotateLowBits(size, kLowBits - kRotation) ^ kSizeMask; }

bool BankChunkWalker::next(BankChunkBlock& block) {
    if (stop_ != Stop::None)
        return false;
    const size_t remaining = size_ - position_;
    if (remaining < BankChunkBlock::kHeaderSize) {
        stop_ = Stop::End;
        return false;
    }
    const uint8_t* at = bytes_ + position_;
    block.tag = static_cast<SetTypeId>(getChunkWord(at));
    block.sizeField = getChunkWord(at + 4);
    const int32_t order = static_cast<int32_t>(getChunkWord(at + 8));
    const bool storedForm = order < 0;
    block.order = storedForm ? ~order : order;
    block.size = storedForm ? unscrambleBlockSize(block.sizeField) : block.sizeField;
    block.offset = position_;
    block.bytes = at;

    if (endAtEmptyBlock_ && block.sizeField == 0) {
        stop_ = Stop::EmptyBlock;
        return false;
    }
    if (block.size < BankChunkBlock::kHeaderSize || block.size > remaining) {
        stop_ = Stop::Broken;
        return false;
    }
    position_ += block.size & ~static_cast<size_t>(3);
    return true;
}

bool chunkStructureIsSound(const uint8_t* bytes, size_t size, BankChunkBlock& broken) {
    BankChunkWalker walker(bytes, size);
    BankChunkBlock block;
    while (walker.next(block)) {
    }
    if (walker.stop() != BankChunkWalker::Stop::Broken)
        return true;
    broken = block;
    return false;
}

void formatMismatchText(const BankChunkBlock& block, bool withSize, char* text, size_t capacity) {
    if (text == nullptr || capacity == 0)
        return;
    char tag[5];
    setTypeIdText(block.tag, tag);
    const long order = block.order;
    const long size = static_cast<int32_t>(block.size);
    if (withSize)
        std::snprintf(text, capacity, "format mismatch %s Order %ld Size %ld", tag, order, size);
    else
        std::snprintf(text, capacity, "format mismatch %s Order %ld", tag, order);
}
