#pragma once
// Commands the audio side could not push because another thread held a
// ring's guard: kept here in order, with their push mode, and pushed again at
// the start of the next block.
//
// Threads: any number of audio-side producers (put never waits: a full store
// answers false); one consumer at a time, the block of the owning plug-in.
// Memory: fixed storage, nothing allocated. A record keeps its payload while
// it waits; the consumer hands it on with the push.
#include "framework/synth/HoldData_c.h"

#include <atomic>
#include <cstdint>

class PostponedCommands {
public:
    static constexpr uint32_t kCapacity = 64; // a power of two

    PostponedCommands();
    PostponedCommands(const PostponedCommands&) = delete;
    PostponedCommands& operator=(const PostponedCommands&) = delete;

    // False when the store is full (the caller drops the record).
    bool put(const HoldData_c& record, int mode);
    bool empty() const {
        return tail_.load(std::memory_order_acquire) == head_.load(std::memory_order_acquire);
    }

    // Hands the oldest records to push(record, mode) in order while it
    // answers true (taken); stops at the first false and keeps that record
    // and the rest for the next call. Consumer only.
    template <class Push>
    void flush(Push&& push) {
        for (;;) {
            const uint32_t head = head_.load(std::memory_order_relaxed);
            Cell& cell = cells_[head & (kCapacity - 1)];
            if (cell.sequence.load(std::memory_order_acquire) != head + 1)
                return; // empty, or a producer has not finished writing it
            if (!push(cell.record, cell.mode))
                return;
            cell.sequence.store(head + kCapacity, std::memory_order_release);
            head_.store(head + 1, std::memory_order_release);
        }
    }

private:
    struct Cell {
        std::atomic<uint32_t> sequence{0};
        HoldData_c record;
        int mode = 0;
    };
    Cell cells_[kCapacity];
    std::atomic<uint32_t> tail_{0};
    std::atomic<uint32_t> head_{0};
};
