#include "framework/synth/ProgramChunk.h"

#include "framework/model/ChunkWords.h"
#include "framework/synth/BankChunkBlock.h"
#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/CommandPost.h"
#include "framework/synth/SynthCommand.h"

#include <new>
#include <string>

const char kProgramLoadErrorCaption[] = "Load Error";

namespace {

bool rowHasSlot(const ChunkModuleRow& row, int kind, int slot) {
    return row.kind == kind && row.set != nullptr && row.set->isRowValid(slot);
}

void postLoadError(CmdBuffer_c& toIdle, const BankChunkBlock& block) {
    char text[96];
    formatMismatchText(block, false, text, sizeof text);
    const intptr_t owned = makeOwnedText(text);
    if (owned == 0)
        return;
    postCommand(toIdle, true,
                makeCommand(kCmdErrorMessageBox, 0, 0, owned, HoldData_c::fromPointer(kProgramLoadErrorCaption)),
                kPushAppend);
}

} // namespace

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
    if (bytes == nullptr)
        return 0;
    const int rows = registry.moduleRowCount();
    for (int i = 0; i < rows; ++i) {
        const ChunkModuleRow row = registry.moduleRow(i);
        if (rowHasSlot(row, kind, slot)) {
            ChunkSetGuard guard(registry, row.set);
            row.set->resetRow(slot);
        }
    }
    if (size < 4)
        return 0;

    int applied = 0;
    BankChunkWalker walker(bytes, size);
    walker.endAtEmptyBlock(true);
    BankChunkBlock block;
    while (walker.next(block)) {
        bool taken = false;
        for (int i = 0; i < rows && !taken; ++i) {
            const ChunkModuleRow row = registry.moduleRow(i);
            if (rowHasSlot(row, kind, slot) && row.tag == block.tag && row.instance == block.order) {
                ChunkSetGuard guard(registry, row.set);
                row.set->readChunk(block.bytes, block.size, slot);
                taken = true;
            }
        }
        if (!taken) {
            postLoadError(toIdle, block);
            return applied;
        }
        ++applied;
    }
    if (walker.stop() == BankChunkWalker::Stop::Broken)
        postLoadError(toIdle, block);
    return applied;
}
