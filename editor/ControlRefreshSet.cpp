#include "editor/ControlRefreshSet.h"

namespace editor {

ControlRefreshSet::ControlRefreshSet() {
    for (auto& w : words_) w.store(0, std::memory_order_relaxed);
}

void ControlRefreshSet::mark(int32_t index) {
    if (index < 0 || index >= kCapacity) return;
    const uint64_t bit = uint64_t{1} << (index & 63);
    const uint64_t before = words_[index >> 6].fetch_or(bit, std::memory_order_acq_rel);
    if (before & bit) return;  // already waiting: costs nothing more
    if (distinct_.fetch_add(1, std::memory_order_acq_rel) + 1 > kDistinctLimit) markAll();
}

bool ControlRefreshSet::pending() const {
    return refreshAll_.load(std::memory_order_acquire) || distinct_.load(std::memory_order_acquire) > 0;
}

void ControlRefreshSet::clearBits() {
    for (auto& w : words_) {
        const uint64_t bits = w.exchange(0, std::memory_order_acq_rel);
        if (bits) distinct_.fetch_sub(popcount(bits), std::memory_order_acq_rel);
    }
}

void ControlRefreshSet::clear() {
    refreshAll_.store(false, std::memory_order_release);
    clearBits();
}

} // namespace editor
