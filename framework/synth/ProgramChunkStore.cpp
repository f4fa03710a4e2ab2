#include "framework/synth/ProgramChunkStore.h"

#include "framework/synth/ProgramChunk.h"

const MemC_c* ProgramChunkStore::capture(const ChunkModuleRegistry& registry, int slot, int kind) {
    if (!hasSlot(slot))
        return nullptr;
    slots_[static_cast<size_t>(slot)] = captureProgram(registry, slot, kind);
    return slots_[static_cast<size_t>(slot)].get();
}

const MemC_c* ProgramChunkStore::stored(int slot) const {
    return hasSlot(slot) ? slots_[static_cast<size_t>(slot)].get() : nullptr;
}

bool ProgramChunkStore::store(int slot, const uint8_t* bytes, size_t size) {
    if (!hasSlot(slot) || bytes == nullptr || size == 0)
        return false;
    std::unique_ptr<MemC_c> copy = MemC_c::copyOf(bytes, size);
    if (!copy)
        return false;
    slots_[static_cast<size_t>(slot)] = std::move(copy);
    return true;
}

void ProgramChunkStore::clear(int slot) {
    if (hasSlot(slot))
        slots_[static_cast<size_t>(slot)].reset();
}
