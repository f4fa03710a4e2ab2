#pragma once
// A part's (or effect unit's) program as a chunk: the set chunks of every
// module row of one kind, for one set row, end to end.
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

// Applies a program chunk to set row `slot` of the module rows of the kind.
// Every row of the kind that has the slot is reset first; then each block
// goes to the first row of the kind with its tag and instance. A block that
// no row takes, or one whose size is not sound, ends the walk after posting
// one error record (command 80, owned text "format mismatch %s Order %ld",
// caption "Load Error") to toIdle; the blocks before it stay applied (preset
// files of earlier versions end in unzeroed slack, and the blocks before it
// must still load). A zero size field ends the walk quietly (zeroed slack).
// Chunks of fewer than 4 bytes reset the rows and read nothing.
// Answers the number of blocks applied.
int applyProgramChunk(ChunkModuleRegistry& registry, int slot, int kind, const uint8_t* bytes, size_t size,
                      CmdBuffer_c& toIdle);

extern const char kProgramLoadErrorCaption[]; // "Load Error"
