#pragma once
// Parameter writes the audio side hands on instead of doing them: one slot
// per host parameter (part × entries + entry) that keeps the latest value
// and the road it came by. A later write of the same parameter replaces the
// waiting one, so nothing is ever refused and the store never fills.
//
// Threads: put from any thread, never waiting; takeEach from one consumer at
// a time. Memory: the slots are allocated by the constructor.
#include <atomic>
#include <cstdint>
#include <memory>

class PendingParameterWrites {
public:
    enum class Road : uint8_t { None = 0, Host = 1, Controller = 2 };

    PendingParameterWrites(int32_t parts, int32_t entries);

    // False for a slot outside the store (the write is lost).
    bool put(int32_t part, int32_t entry, Road road, float value);

    // Calls apply(part, entry, road, value) for every waiting write, in
    // slot order; each is taken before it is applied.
    template <class Apply>
    void takeEach(Apply&& apply) {
        if (!slots_ || waiting_.load(std::memory_order_acquire) == 0) return;
        waiting_.store(0, std::memory_order_relaxed);
        for (int32_t i = 0; i < parts_ * entries_; ++i) {
            Slot& slot = slots_[i];
            const auto road = static_cast<Road>(slot.road.exchange(0, std::memory_order_acquire));
            if (road != Road::None) apply(i / entries_, i % entries_, road, slot.value.load(std::memory_order_relaxed));
        }
    }
    // Whether a write waits (approximate while writers run); writes put so far.
    bool anyWaiting() const { return waiting_.load(std::memory_order_acquire) != 0; }
    uint32_t postponedTotal() const { return total_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<float> value{0.0f};
        std::atomic<uint8_t> road{0};
    };
    const int32_t parts_;
    const int32_t entries_;
    std::unique_ptr<Slot[]> slots_;
    std::atomic<uint32_t> waiting_{0};
    std::atomic<uint32_t> total_{0};
};
