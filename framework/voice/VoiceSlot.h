#pragma once
// One slot of the voice table and what the table keeps in each instrument that
// owns voices. Slot i is voice i; the voice objects themselves live in the plug-in.
#include <cstdint>

class VoiceOwner;

enum VoiceState : int32_t {
    kVoiceFree = 0,
    kVoiceHeld = 1,
    kVoiceReleased = 2,
    kVoiceKilled = 3, // fading out fast; never stolen
};

// Played key, velocity and MIDI channel of a voice's note. In queries, channel 16
// means any channel.
struct VoiceNote {
    int32_t key;
    int32_t velocity;
    int32_t channel;
};

struct VoiceSlot {
    VoiceState state = kVoiceFree;
    int32_t instrument = -1;     // part index of the owning instrument
    VoiceOwner* owner = nullptr; // its voice counters follow this slot; not owned
    int32_t note = -1;           // played key
    int32_t velocity = -1;       // note-on velocity; the release velocity after note off
    int32_t channel = -1;
    bool legato = false;         // another held voice of the instrument and channel started > 30 ms earlier
    uint32_t onTime = 0xFFFFFFFFu;  // table's clock (ms) at assignment; compare by wrapped difference only
    uint32_t offTime = 0xFFFFFFFFu; // table's clock (ms) at release
};

// Base of every instrument that owns voices (the instrument derives from it). The
// voice table alone writes the counters; they always equal the number of slots
// this owner has in use (held, released or killed) and held, within 0..slot count.
// Threads: written and read on the audio thread (the note roads).
class VoiceOwner {
public:
    static constexpr int32_t kChannels = 16;

    virtual ~VoiceOwner() = default;

    int32_t voicesInUse() const { return voicesInUse_; }
    int32_t heldVoices() const { return heldVoices_; }

    // Per MIDI channel: whether exactly one voice is held on the channel, as seen when
    // this owner last took a voice there. Out-of-range channels read false and are ignored.
    virtual bool getSingleHeld(int32_t channel) const {
        return channel >= 0 && channel < kChannels && singleHeld_[channel];
    }
    virtual void setSingleHeld(int32_t channel, bool flag) {
        if (channel >= 0 && channel < kChannels) singleHeld_[channel] = flag;
    }

private:
    friend class PolyNoteTable_c;
    int32_t voicesInUse_ = 0;
    int32_t heldVoices_ = 0;
    bool singleHeld_[kChannels] = {};
};
