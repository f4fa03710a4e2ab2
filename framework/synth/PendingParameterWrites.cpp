#include "framework/synth/PendingParameterWrites.h"

#include <new>

PendingParameterWrites::PendingParameterWrites(int32_t parts, int32_t entries)
    : parts_(parts > 0 ? parts : 0), entries_(entries > 0 ? entries : 0),
      slots_(parts_ * entries_ > 0 ? new (std::nothrow) Slot[static_cast<size_t>(parts_ * entries_)] : nullptr) {}

bool PendingParameterWrites::put(int32_t part, int32_t entry, Road road, float value) {
    if (!slots_ || road == Road::None || part < 0 || part >= parts_ || entry < 0 || entry >= entries_)
        return false;
    Slot& slot = slots_[part * entries_ + entry];
    // The value first: a consumer that sees the road reads this value or a newer one.
    slot.value.store(value, std::memory_order_relaxed);
    slot.road.store(static_cast<uint8_t>(road), std::memory_order_release);
    waiting_.fetch_add(1, std::memory_order_release);
    total_.fetch_add(1, std::memory_order_relaxed);
    return true;
}
