#include "framework/synth/PostponedCommands.h"

// A bounded multi-producer queue: a cell's sequence says whose turn it is
// (i: free for the producer of position i; i + 1: written, for the consumer).
PostponedCommands::PostponedCommands() {
    for (uint32_t i = 0; i < kCapacity; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
}

bool PostponedCommands::put(const HoldData_c& record, int mode) {
    uint32_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
        Cell& cell = cells_[position & (kCapacity - 1)];
        const uint32_t sequence = cell.sequence.load(std::memory_order_acquire);
        const int32_t turn = static_cast<int32_t>(sequence - position);
        if (turn == 0) {
            if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                cell.record = record;
                cell.mode = mode;
                cell.sequence.store(position + 1, std::memory_order_release);
                return true;
            }
        } else if (turn < 0) {
            return false; // full: the consumer has not taken this cell yet
        } else {
            position = tail_.load(std::memory_order_relaxed);
        }
    }
}
