#pragma once
// The tagged blocks that bank and program chunks are made of, and a walker
// that never trusts them.
//
// A block is little-endian 32-bit words: tag (a four-character code whose
// first character is the high byte, so the stored bytes read reversed,
// '1','G','Y','S' for 'SYG1'), size (the whole block in bytes, these 12
// header bytes included), order (instance or ordinal), then size - 12 bytes
// of payload. A negative order marks the stored form: the order is then its
// bitwise complement and the size field is scrambled (unscrambleBlockSize).
// A parameter-set block is the set chunk of one row; its header word is the
// order.
#include "framework/model/SetTypeId.h"
#include <cstddef>
#include <cstdint>

struct BankChunkBlock {
    static constexpr size_t kHeaderSize = 12;

    SetTypeId tag = 0;
    int32_t order = 0;        // complemented already for the stored form
    uint32_t sizeField = 0;   // the size as it stands in the block's header
    size_t size = 0;          // unscrambled; within the walked bytes when accepted
    size_t offset = 0;        // of the block's first byte in the chunk
    const uint8_t* bytes = nullptr; // the block, header included, size bytes

    const uint8_t* payload() const { return bytes + kHeaderSize; }
    size_t payloadSize() const { return size - kHeaderSize; }
};

namespace chunk_tags {
constexpr SetTypeId kPartProgram = makeSetTypeId("PROG");
constexpr SetTypeId kEffectProgram = makeSetTypeId("FXPG");
constexpr SetTypeId kGlobalSettings = makeSetTypeId("SYG0");
constexpr SetTypeId kInstrumentSettings = makeSetTypeId("SYG1");
constexpr SetTypeId kTuning = makeSetTypeId("TUN0");
constexpr SetTypeId kControllerAssignment = makeSetTypeId("ECS1");
constexpr SetTypeId kMidiSkipped = makeSetTypeId("MID1");
} // namespace chunk_tags

// The size of a block stored with a negative order. No writer produces this
// form; the rearrangement is ours and fixed: XOR with 0x6e17, then the low 19
// bits rotated left by 7 (bits 0..11 move to 7..18, bits 12..18 to 0..6).
// Bits 19..31 pass unchanged. A bijection on 32-bit values.
uint32_t unscrambleBlockSize(uint32_t stored);
// The inverse: scrambleBlockSize(unscrambleBlockSize(x)) == x for every x.
uint32_t scrambleBlockSize(uint32_t size);

// Walks the blocks of a chunk in order. A block is accepted only when its
// 12-byte header lies inside the bytes and 12 <= size <= the bytes from its
// start to the end; the next block starts size rounded down to a whole word
// further on, so every step advances at least 12 bytes and the walk ends.
// Fewer than 12 bytes left end the walk cleanly (a chunk may end in a
// fragment or in zeroed slack that is too short for a header).
class BankChunkWalker {
public:
    enum class Stop { None, End, EmptyBlock, Broken };

    BankChunkWalker(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(bytes != nullptr ? size : 0) {}

    // The next accepted block. False at the end of the chunk or at the first
    // block that cannot be accepted; stop() says which, and the refused
    // block's header fields stand in block (its size and offset as read).
    bool next(BankChunkBlock& block);
    Stop stop() const { return stop_; }

    // Program chunks end at a block whose size field is 0 (zeroed slack after
    // the last block) instead of calling it broken.
    void endAtEmptyBlock(bool on) { endAtEmptyBlock_ = on; }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t position_ = 0;
    Stop stop_ = Stop::None;
    bool endAtEmptyBlock_ = false;
};

// Walks the whole chunk: true when the walk ends without a broken block.
// On false, broken holds the first refused block's header fields.
bool chunkStructureIsSound(const uint8_t* bytes, size_t size, BankChunkBlock& broken);

// The error text for a block: "format mismatch %s Order %ld Size %ld" with
// the tag's characters high byte first (withSize false leaves " Size ..." out).
void formatMismatchText(const BankChunkBlock& block, bool withSize, char* text, size_t capacity);
