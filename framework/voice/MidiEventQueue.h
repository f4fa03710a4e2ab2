#pragma once
// The time-sorted MIDI event queue of one instrument: up to 384 events of the
// coming block, ordered by sample offset; events with equal offsets keep their
// arrival order.
//
// Threads: not locked here. The owning instrument inserts under its queue lock
// (any thread delivering MIDI) and walks and empties it under the same lock on
// the audio thread. Fixed storage: nothing allocates.
#include <cstdint>

struct MidiQueueEntry {
    int32_t offset;     // sample offset within the block (host deltaFrames)
    uint8_t bytes[3];   // status, data 1, data 2
    uint8_t pad;
};

class MidiEventQueue {
public:
    static constexpr int32_t kCapacity = 384;

    // Inserts after every entry with an offset not greater than this one.
    // A full queue drops the event and answers false.
    bool insert(int32_t offset, const uint8_t bytes[3]);
    void clear() { count_ = 0; }

    int32_t count() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    // i in 0..count() - 1.
    const MidiQueueEntry& at(int32_t i) const { return entries_[i]; }

private:
    MidiQueueEntry entries_[kCapacity] = {};
    int32_t count_ = 0;
};
