#pragma once
// What a host set between open and the plug-in's start-up preset load. A
// host restoring a project (or kelvanti-render applying --set and --fxp)
// sets its values before the first resume; the start-up load must not undo
// them. A host's parameter writes are kept here and written again after the
// default preset; a program chunk the host loaded stands for the whole
// program, so the default preset is not loaded over it at all.
//
// Threads: record and noteChunk come from any host thread, the audio thread
// included: atomics only, nothing allocated or locked. replay runs on the
// thread that performs the start-up load.
// Memory: one slot per (part, entry), allocated at construction.
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

class EarlyHostWrites {
public:
    explicit EarlyHostWrites(int32_t slots)
        : values_(new (std::nothrow) std::atomic<float>[static_cast<size_t>(slots > 0 ? slots : 0)]()),
          written_(new (std::nothrow) std::atomic<bool>[static_cast<size_t>(slots > 0 ? slots : 0)]()),
          slots_(values_ && written_ && slots > 0 ? slots : 0) {}

    // A host write of value to slot has landed; the last value wins.
    void record(int32_t slot, float value) {
        if (slot < 0 || slot >= slots_) return;
        values_[slot].store(value, std::memory_order_relaxed);
        written_[slot].store(true, std::memory_order_release);
    }

    // A host chunk replaced the program: the writes before it are part of it.
    void noteChunk() {
        forget();
        chunk_.store(true, std::memory_order_release);
    }
    bool chunkLoaded() const { return chunk_.load(std::memory_order_acquire); }

    // apply(slot, value) for every slot written, in slot order; then nothing
    // is kept any more.
    template <class Apply>
    void replay(Apply&& apply) {
        for (int32_t slot = 0; slot < slots_; ++slot)
            if (written_[slot].exchange(false, std::memory_order_acq_rel))
                apply(slot, values_[slot].load(std::memory_order_relaxed));
        chunk_.store(false, std::memory_order_release);
    }

    void forget() {
        for (int32_t slot = 0; slot < slots_; ++slot) written_[slot].store(false, std::memory_order_relaxed);
    }

private:
    std::unique_ptr<std::atomic<float>[]> values_;
    std::unique_ptr<std::atomic<bool>[]> written_;
    int32_t slots_;
    std::atomic<bool> chunk_{false};
};
