#include "framework/voice/MidiEventQueue.h"

bool MidiEventQueue::insert(int32_t offset, const uint8_t bytes[3]) {
    if (count_ >= kCapacity || bytes == nullptr) return false;
    // Walk back from the end: events usually arrive in time order, so this is short.
    int32_t i = count_;
    while (i > 0 && entries_[i - 1].offset > offset) {
        entries_[i] = entries_[i - 1];
        --i;
    }
    entries_[i] = MidiQueueEntry{offset, {bytes[0], bytes[1], bytes[2]}, 0};
    ++count_;
    return true;
}
