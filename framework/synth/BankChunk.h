#pragma once
// The bank chunk: everything the plug-in saves in a host project, as a
// sequence of BankChunkBlocks in this order: the global settings ('SYG0'),
// one instrument-settings block per part ('SYG1', order = the part), one
// block per bank-only module row, the tuning table ('TUN0', order 0), one
// 'PROG' block per part program slot with a stored program, one 'FXPG' block
// per effect program slot likewise.
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/ChunkModuleRegistry.h"
#include "framework/synth/MemC_c.h"
#include <cstddef>
#include <cstdint>
#include <string>

// What the bank writer and reader need of the plug-in besides its module
// rows. Synth implements it. Every call comes on the thread of the chunk
// operation, which holds the plug-in's Lock_c.
class BankChunkHost : public ChunkModuleRegistry {
public:
    virtual int partCount() const = 0;           // rows of the instrument settings written
    virtual int partProgramSlots() const = 0;
    virtual int effectProgramSlots() const = 0;
    virtual ParaSet_c* globalSettingsSet() = 0;      // 'SYG0', row 0
    virtual ParaSet_c* instrumentSettingsSet() = 0;  // 'SYG1', one row per part
    virtual ParaSet_c* tuningSet() = 0;              // 'TUN0', row 0
    virtual ParaSet_c* controllerAssignmentSet() = 0;// 'ECS1' (read only); null when none

    // Captures the slot's program and answers the stored chunk; null when
    // the slot has none. Valid until the next call for the slot.
    virtual const MemC_c* capturedPartProgram(int slot) = 0;
    virtual const MemC_c* capturedEffectProgram(int slot) = 0;
    // Store and apply a program chunk read from a bank (slot not checked here).
    virtual void loadPartProgram(int slot, const uint8_t* bytes, size_t size) = 0;
    virtual void loadEffectProgram(int slot, const uint8_t* bytes, size_t size) = 0;

    // Bank loading, in this order: beginBankLoad (hold the audio side off and
    // wait for a running block, then reset every registered module), the
    // blocks, runBankClosingSteps after a walk that every block passed, then
    // endBankLoad (release the hold-off, recompute the ready state). Nothing
    // of this runs for a chunk that is structurally broken.
    virtual void beginBankLoad() = 0;
    virtual void runBankClosingSteps() = 0;
    virtual void endBankLoad() = 0;

    // Posts text with the caption "Bank Load Error" to the idle side; never blocks.
    virtual void showBankLoadError(const std::string& text) = 0;
};

extern const char kBankLoadErrorCaption[]; // "Bank Load Error"

// The largest bank the plug-in writes: sums of this or more give no chunk.
constexpr size_t kBankChunkCapacity = 4000000;

// Writes the bank into store (capacity bytes); answers the bytes written, or
// 0 when it would reach kBankChunkCapacity or capacity, or a part has no
// set to write.
size_t writeBankChunk(BankChunkHost& host, uint8_t* store, size_t capacity);

// Whether the bank applies whole, checked before anything changes: every
// block lies whole inside the bytes, a row takes it, and a program block
// holds a program that applies whole (checkProgramChunk). On false, refused
// holds the first block that does not apply.
bool bankChunkAppliesWhole(BankChunkHost& host, const uint8_t* bytes, size_t size, int partOffset, int effectOffset,
                           BankChunkBlock& refused);

// Reads the blocks of a bank into the plug-in (without begin/end): first
// bankChunkAppliesWhole, and a bank that does not apply whole shows the
// error and answers 0 with nothing changed. Then block by block: 'PROG'/'FXPG' load the
// program slot offset + order; 'SYG1' the instrument settings row
// partOffset + order; 'TUN0' and 'ECS1' their set's row = order (unless
// skipTuningAndControllers); 'MID1' is skipped; any other tag goes to row 0
// of every module row with that tag and instance. A block no row takes shows
// one error, ends the walk and skips the closing steps. Answers size.
size_t readBankChunk(BankChunkHost& host, const uint8_t* bytes, size_t size, int partOffset, int effectOffset,
                     bool skipTuningAndControllers);

// setChunk's bank road. Fewer than 12 bytes are no bank: 0, nothing changed.
// Then bankChunkAppliesWhole, before anything changes (refused: error, 0,
// nothing changed); otherwise beginBankLoad, readBankChunk, endBankLoad.
size_t loadBankChunk(BankChunkHost& host, const uint8_t* bytes, size_t size);
