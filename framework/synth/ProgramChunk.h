#pragma once
// A part's (or effect unit's) program as a chunk: the set chunks of every
// module row of one kind, for one set row, end to end.
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/ChunkModuleRegistry.h"
#include "framework/synth/MemC_c.h"
#include <cstddef>
#include <cstdint>
#include <memory>

class CmdBuffer_c;

// Writes the row `slot` of every module row of the kind, in table order,
// into a new owned block. Null when a row of the kind has no set, when there
// is nothing to write or the block cannot be allocated. Each block's order
// word is its row's instance. The block is sized by
// the sets' upper bounds and the bytes after the last set chunk are zero, so
// the chunk is the same every time for the same values.
std::unique_ptr<MemC_c> captureProgram(const ChunkModuleRegistry& registry, int slot, int kind);

// Whether a program chunk applies whole, found before anything changes.
// Every block up to the end must be taken by a row of the kind that has the
// slot (the first row with its tag and instance) and lie whole inside the
// bytes. Two endings are not part of the program: a zero size field (zeroed
// slack after the last block) and, once every row of the kind has had its
// block, whatever follows (preset files of earlier versions end in unzeroed
// slack). A block of a known row that is cut short, a block no row takes
// before the program is complete, or no block at all refuses the chunk.
struct ProgramChunkCheck {
    bool applies = false;
    bool hasBlock = false;  // false: too short for a block, or zeroed from the start
    size_t extent = 0;      // the bytes that hold the program's blocks
    BankChunkBlock refused; // when it does not apply: the first block that cannot be applied
};
ProgramChunkCheck checkProgramChunk(const ChunkModuleRegistry& registry, int slot, int kind, const uint8_t* bytes,
                                    size_t size);

// Posts the refusal of a block: one error record (command 80, owned text
// "format mismatch %s Order %ld", caption "Load Error") to toIdle. Never blocks.
void postProgramLoadError(CmdBuffer_c& toIdle, const BankChunkBlock& block);

// Applies a program chunk to set row `slot` of the module rows of the kind.
// A chunk that does not apply whole (checkProgramChunk) changes nothing: it
// posts the error (none when it holds no block at all) and answers 0.
// Otherwise every row of the kind that has the slot is reset and each block
// goes to the first row of the kind with its tag and instance.
// Answers the number of blocks applied.
int applyProgramChunk(ChunkModuleRegistry& registry, int slot, int kind, const uint8_t* bytes, size_t size,
                      CmdBuffer_c& toIdle);

extern const char kProgramLoadErrorCaption[]; // "Load Error"
