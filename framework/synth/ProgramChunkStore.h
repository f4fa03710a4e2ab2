#pragma once
// The stored program chunks: one owned MemC_c (or none) per program slot.
// Synth keeps one store for the part program slots and one for the effect
// program slots.
//
// Threads: no lock; Synth calls it under its Lock_c (chunk calls) or with the
// part's program lock held (applying a program).
#include "framework/synth/ChunkModuleRegistry.h"
#include "framework/synth/MemC_c.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ProgramChunkStore {
public:
    explicit ProgramChunkStore(int slots) : slots_(slots > 0 ? static_cast<size_t>(slots) : 0) {}

    int slotCount() const { return static_cast<int>(slots_.size()); }
    bool hasSlot(int slot) const { return slot >= 0 && slot < slotCount(); }

    // Replaces the slot's chunk with a fresh capture of the module rows of
    // the kind; answers it, or null (and the slot empty) when there is none.
    const MemC_c* capture(const ChunkModuleRegistry& registry, int slot, int kind);
    // The slot's chunk, or null.
    const MemC_c* stored(int slot) const;
    // The slot's chunk becomes an owned copy of the bytes. False (the slot
    // unchanged) for a slot outside the store, no bytes, size 0 or no memory.
    bool store(int slot, const uint8_t* bytes, size_t size);
    void clear(int slot);

private:
    std::vector<std::unique_ptr<MemC_c>> slots_;
};
