#include "framework/synth/ProgramChunk.h"

#include "framework/model/ChunkWords.h"
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/CommandPost.h"
#include "framework/synth/SynthCommand.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

const char kProgramLoadErrorCaption[] = "Load Error";

namespace {

bool rowHasSlot(const ChunkModuleRow& row, int kind, int slot) {
    return row.kind == kind && row.set != nullptr && row.set->isRowValid(slot);
}

// The first row of the kind with the slot that takes the block; -1 when none.
int rowTaking(const ChunkModuleRegistry& registry, int kind, int slot, const BankChunkBlock& block) {
    const int rows = registry.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (rowHasSlot(row, kind, slot) && row.tag == block.tag && row.instance == block.order)
            return i;
    }
    return -1;
}

// Every row of the kind with the slot has had a block (a row that shares its
// tag and instance with an earlier one is served by that one's block).
bool programComplete(const ChunkModuleRegistry& registry, int kind, int slot, const std::vector<bool>& taken) {
    const int rows = registry.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (!rowHasSlot(row, kind, slot))
            continue;
        BankChunkBlock same;
        same.tag = row.tag;
        same.order = row.instance;
        if (!taken[static_cast<size_t>(rowTaking(registry, kind, slot, same))])
            return false;
    }
    return true;
}

} // namespace

void postProgramLoadError(CmdBuffer_c& toIdle, const BankChunkBlock& block) {
    char text[96];
    formatMismatchText(block, false, text, sizeof text);
    const intptr_t owned = makeOwnedText(text);
    if (owned == 0)
        return;
    postCommand(toIdle, true,
                makeCommand(kCmdErrorMessageBox, 0, 0, owned, HoldData_c::fromPointer(kProgramLoadErrorCaption)),
                kPushAppend);
}

ProgramChunkCheck checkProgramChunk(const ChunkModuleRegistry& registry, int slot, int kind, const uint8_t* bytes,
                                    size_t size) {
    ProgramChunkCheck check;
    if (bytes == nullptr)
        return check;
    std::vector<bool> taken(static_cast<size_t>(std::max(0, registry.moduleRowCount())), false);
    int blocks = 0;
    BankChunkWalker walker(bytes, size);
    walker.endAtEmptyBlock(true);
    BankChunkBlock block;
    while (walker.next(block)) {
        const int row = rowTaking(registry, kind, slot, block);
        if (row < 0) {
            if (blocks > 0 && programComplete(registry, kind, slot, taken)) {
                check.applies = true; // the rest is slack
                check.extent = block.offset;
            } else {
                check.refused = block;
            }
            check.hasBlock = true;
            return check;
        }
        taken[static_cast<size_t>(row)] = true;
        ++blocks;
    }
    check.hasBlock = blocks > 0 || walker.stop() == BankChunkWalker::Stop::Broken;
    if (walker.stop() == BankChunkWalker::Stop::Broken) {
        // Cut short: refused when a row would take it, slack after a complete program.
        if (blocks > 0 && rowTaking(registry, kind, slot, block) < 0 && programComplete(registry, kind, slot, taken)) {
            check.applies = true;
            check.extent = block.offset;
        } else {
            check.refused = block;
        }
        return check;
    }
    check.applies = blocks > 0;
    check.extent = walker.stop() == BankChunkWalker::Stop::EmptyBlock ? block.offset : size;
    return check;
}

std::unique_ptr<MemC_c> captureProgram(const ChunkModuleRegistry& registry, int slot, int kind) {
    size_t total = 0;
    const int rows = registry.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (row.kind != kind)
            continue;
        if (row.set == nullptr)
            return nullptr;
        ChunkSetGuard guard(registry, row.set);
        total += row.set->getChunkSize(slot);
    }
    if (total == 0)
        return nullptr;
    std::unique_ptr<MemC_c> chunk(new (std::nothrow) MemC_c(total)); // zeroed
    if (!chunk || chunk->data() == nullptr)
        return nullptr;
    size_t position = 0;
    for (int i = 0; i < rows && position < total; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (row.kind != kind)
            continue;
        ChunkSetGuard guard(registry, row.set);
        const size_t written = row.set->writeChunk(chunk->data() + position, total - position, slot);
        if (written >= BankChunkBlock::kHeaderSize && row.instance >= 0) // blocks meet rows by instance
            putChunkWord(chunk->data() + position + 8, static_cast<uint32_t>(row.instance));
        position += written & ~static_cast<size_t>(3);
    }
    return chunk;
}

int applyProgramChunk(ChunkModuleRegistry& registry, int slot, int kind, const uint8_t* bytes, size_t size,
                      CmdBuffer_c& toIdle) {
    const ProgramChunkCheck check = checkProgramChunk(registry, slot, kind, bytes, size);
    if (!check.applies) {
        if (check.hasBlock)
            postProgramLoadError(toIdle, check.refused);
        return 0;
    }
    const int rows = registry.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (rowHasSlot(row, kind, slot)) {
            ChunkSetGuard guard(registry, row.set);
            row.set->resetRow(slot);
        }
    }

    int applied = 0;
    BankChunkWalker walker(bytes, check.extent);
    walker.endAtEmptyBlock(true);
    BankChunkBlock block;
    while (walker.next(block)) {
        const int i = rowTaking(registry, kind, slot, block);
        if (i < 0) { // the check took every block: a row table changed under us
            postProgramLoadError(toIdle, block);
            return applied;
        }
        const ChunkModuleRow row = registry.moduleRow(i);
        ChunkSetGuard guard(registry, row.set);
        row.set->readChunk(block.bytes, block.size, slot);
        ++applied;
    }
    return applied;
}
