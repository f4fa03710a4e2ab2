#include "framework/voice/PolyNoteTable.h"

#include "os/Clock.h"

#include <cstddef>
#include <new>

namespace {

// Age of a time stamp in ms. Unsigned wrapped difference: correct across the 2^31
// and 2^32 boundaries for any age below 49.7 days, so "older" never flips sign.
inline uint32_t ageOf(uint32_t now, uint32_t stamp) { return now - stamp; }

uint32_t osClock(const void* /*context*/) { return os::tickMs(); }

inline bool channelMatches(int32_t wanted, int32_t channel) {
    return wanted == PolyNoteTable_c::kAnyChannel || wanted == channel;
}

} // namespace

PolyNoteTable_c::PolyNoteTable_c(int32_t slotCount, Clock clock, const void* clockContext)
    : clock_(clock != nullptr ? clock : osClock), clockContext_(clockContext) {
    if (slotCount <= 0) return;
    slots_ = new (std::nothrow) VoiceSlot[static_cast<std::size_t>(slotCount) + 1];
    if (slots_ == nullptr) return;
    slotCount_ = slotCount;
    reset();
    cursor_ = kNoMore;
}

PolyNoteTable_c::~PolyNoteTable_c() { delete[] slots_; }

int32_t PolyNoteTable_c::clampSlot(int32_t slot) const {
    if (slot < 0) return 0;
    return slot >= slotCount_ ? slotCount_ - 1 : slot;
}

void PolyNoteTable_c::reset() {
    for (int32_t i = 0; i < slotCount_; ++i) {
        VoiceSlot& s = slots_[i];
        if (s.owner != nullptr) {
            s.owner->voicesInUse_ = 0;
            s.owner->heldVoices_ = 0;
        }
        s = VoiceSlot{};
    }
    voicesInUse_ = 0;
    heldVoices_ = 0;
    cursor_ = kNoMore; // a walk that was running has nothing left to visit
}

// ---------------------------------------------------------------- taking voices

int32_t PolyNoteTable_c::allocate(int32_t instrument, VoiceOwner* owner, int32_t limit, const VoiceNote& note,
                                  bool* reused, bool preferSameNote) {
    bool reuse = true;
    if (reused != nullptr) *reused = reuse;
    if (slots_ == nullptr || owner == nullptr) return -1;
    if (limit < 1) limit = 1;

    if (owner->voicesInUse_ > limit) freeExcess(instrument, owner->voicesInUse_ - limit);

    int32_t firstFree = -1;
    for (int32_t i = 0; i < slotCount_ && firstFree < 0; ++i)
        if (slots_[i].state == kVoiceFree) firstFree = i;

    int32_t slot = -1;
    if (owner->voicesInUse_ < limit && firstFree >= 0) {
        if (preferSameNote) {
            for (int32_t i = 0; i < slotCount_ && slot < 0; ++i) {
                const VoiceSlot& s = slots_[i];
                if (s.state == kVoiceReleased && s.instrument == instrument && s.note == note.key &&
                    channelMatches(note.channel, s.channel))
                    slot = i;
            }
        }
        if (slot < 0) {
            slot = firstFree;
            reuse = false;
        }
    }
    if (slot < 0) slot = findVoiceToSteal(instrument, note.key, note.channel);
    if (slot >= 0) assign(instrument, owner, slot, note);
    if (reused != nullptr) *reused = reuse;
    return slot;
}

int32_t PolyNoteTable_c::findVoiceToSteal(int32_t instrument, int32_t key, int32_t channel) const {
    struct Pass {
        VoiceState state;
        bool sameInstrument;
        bool sameKey;
    };
    // Released before held, this instrument's own voices before anyone's; channel is
    // matched whenever the instrument is.
    static constexpr Pass kPasses[6] = {
        {kVoiceReleased, true, true}, {kVoiceReleased, true, false}, {kVoiceHeld, true, true},
        {kVoiceHeld, true, false},    {kVoiceReleased, false, false}, {kVoiceHeld, false, false},
    };
    const uint32_t nowMs = now();
    for (const Pass& pass : kPasses) {
        int32_t best = -1;
        uint32_t bestAge = 0;
        for (int32_t i = 0; i < slotCount_; ++i) {
            const VoiceSlot& s = slots_[i];
            if (s.state != pass.state) continue;
            if (pass.sameInstrument && (s.instrument != instrument || !channelMatches(channel, s.channel))) continue;
            if (pass.sameKey && s.note != key) continue;
            const uint32_t age = ageOf(nowMs, pass.state == kVoiceReleased ? s.offTime : s.onTime);
            // Strictly older replaces: of equal times the lowest slot stays chosen.
            if (best < 0 || age > bestAge) {
                best = i;
                bestAge = age;
            }
        }
        if (best >= 0) return best;
    }
    return -1;
}

void PolyNoteTable_c::freeExcess(int32_t instrument, int32_t k) {
    for (int32_t pass = 0; pass < k; ++pass) {
        const uint32_t nowMs = now();
        int32_t best = -1;
        uint32_t bestAge = 0;
        static constexpr VoiceState kOrder[2] = {kVoiceReleased, kVoiceHeld};
        for (const VoiceState state : kOrder) {
            for (int32_t i = 0; i < slotCount_; ++i) {
                const VoiceSlot& s = slots_[i];
                if (s.state != state || s.instrument != instrument) continue;
                const uint32_t age = ageOf(nowMs, state == kVoiceReleased ? s.offTime : s.onTime);
                if (best < 0 || age > bestAge) {
                    best = i;
                    bestAge = age;
                }
            }
            if (best >= 0) break;
        }
        if (best < 0) return; // nothing left to free
        setState(best, kVoiceFree, nullptr);
    }
}

void PolyNoteTable_c::assign(int32_t instrument, VoiceOwner* owner, int32_t slot, const VoiceNote& note) {
    owner->setSingleHeld(note.channel, false);
    VoiceSlot& s = slots_[slot];
    s.instrument = instrument;
    s.note = note.key;
    s.velocity = note.velocity;
    s.channel = note.channel;
    s.onTime = now();
    // Legato when the earliest other held voice of this instrument and channel began > 30 ms ago.
    bool found = false;
    uint32_t oldest = 0;
    for (int32_t i = 0; i < slotCount_; ++i) {
        const VoiceSlot& o = slots_[i];
        if (i == slot || o.state != kVoiceHeld || o.instrument != instrument || o.channel != note.channel) continue;
        const uint32_t age = ageOf(s.onTime, o.onTime);
        if (!found || age > oldest) oldest = age;
        found = true;
    }
    s.legato = found && oldest > 30;
    setState(slot, kVoiceHeld, owner);
}

// ---------------------------------------------------------------- state and counters

bool PolyNoteTable_c::onlyHeldOnChannel(int32_t slot, int32_t channel) const {
    for (int32_t i = 0; i < slotCount_; ++i)
        if (i != slot && slots_[i].state == kVoiceHeld && slots_[i].channel == channel) return false;
    return true;
}

void PolyNoteTable_c::clampCounters(VoiceOwner* owner) const {
    if (owner == nullptr) return;
    auto clamp = [this](int32_t& v) { v = v < 0 ? 0 : v > slotCount_ ? slotCount_ : v; };
    clamp(owner->voicesInUse_);
    clamp(owner->heldVoices_);
}

void PolyNoteTable_c::setState(int32_t slot, VoiceState to, VoiceOwner* newOwner) {
    VoiceSlot& s = slots_[slot];
    const VoiceState from = s.state;
    VoiceOwner* oldOwner = s.owner;

    if (to == kVoiceHeld) {
        if (newOwner == nullptr) return;
        if (from == kVoiceFree) {
            ++voicesInUse_;
            ++heldVoices_;
            ++newOwner->voicesInUse_;
            ++newOwner->heldVoices_;
            newOwner->setSingleHeld(s.channel, onlyHeldOnChannel(slot, s.channel));
        } else if (from == kVoiceHeld) {
            if (oldOwner != nullptr) {
                --oldOwner->voicesInUse_;
                --oldOwner->heldVoices_;
            }
            ++newOwner->voicesInUse_;
            ++newOwner->heldVoices_;
            if (oldOwner != newOwner) newOwner->setSingleHeld(s.channel, onlyHeldOnChannel(slot, s.channel));
        } else { // released or killed
            ++heldVoices_;
            if (oldOwner != nullptr) --oldOwner->voicesInUse_;
            ++newOwner->voicesInUse_;
            ++newOwner->heldVoices_;
            newOwner->setSingleHeld(s.channel, onlyHeldOnChannel(slot, s.channel));
        }
        s.state = kVoiceHeld;
        s.owner = newOwner;
        clampCounters(oldOwner);
        clampCounters(newOwner);
        return;
    }

    // A free slot has no voice: releasing or killing it would count a voice nobody holds.
    if (from == kVoiceFree) return;

    if (from == kVoiceHeld && (to == kVoiceReleased || to == kVoiceKilled)) {
        --heldVoices_;
        if (oldOwner != nullptr) --oldOwner->heldVoices_;
    } else if (from == kVoiceHeld && to == kVoiceFree) {
        --voicesInUse_;
        --heldVoices_;
        if (oldOwner != nullptr) {
            --oldOwner->voicesInUse_;
            --oldOwner->heldVoices_;
        }
    } else if ((from == kVoiceReleased || from == kVoiceKilled) && to == kVoiceFree) {
        --voicesInUse_;
        if (oldOwner != nullptr) --oldOwner->voicesInUse_;
    }
    s.state = to;
    clampCounters(oldOwner);
}

int32_t PolyNoteTable_c::noteOff(int32_t instrument, const VoiceNote& note) {
    for (int32_t i = 0; i < slotCount_; ++i) {
        const VoiceSlot& s = slots_[i];
        if (s.state == kVoiceHeld && s.instrument == instrument && s.note == note.key &&
            channelMatches(note.channel, s.channel)) {
            release(i, note.velocity);
            return i;
        }
    }
    return -1;
}

void PolyNoteTable_c::release(int32_t slot, int32_t releaseVelocity) {
    if (slots_ == nullptr) return;
    slot = clampSlot(slot);
    VoiceSlot& s = slots_[slot];
    if (s.state == kVoiceFree) return;
    s.offTime = now();
    s.velocity = releaseVelocity;
    setState(slot, kVoiceReleased, nullptr);
}

const VoiceSlot* PolyNoteTable_c::freeSlot(int32_t slot) {
    if (slots_ == nullptr) return nullptr;
    slot = clampSlot(slot);
    setState(slot, kVoiceFree, nullptr);
    return &slots_[slot];
}

const VoiceSlot* PolyNoteTable_c::markKilled(int32_t slot) {
    if (slots_ == nullptr) return nullptr;
    slot = clampSlot(slot);
    setState(slot, kVoiceKilled, nullptr);
    return &slots_[slot];
}

// ---------------------------------------------------------------- queries

int32_t PolyNoteTable_c::findFirstFrom(int32_t start, int32_t instrument, VoiceNote* note) {
    for (int32_t i = start; i < slotCount_; ++i) {
        const VoiceSlot& s = slots_[i];
        if (s.state != kVoiceFree && s.instrument == instrument) {
            cursor_ = i;
            if (note != nullptr) *note = VoiceNote{s.note, s.velocity, s.channel};
            return i;
        }
    }
    cursor_ = kNoMore;
    return kNoMore;
}

int32_t PolyNoteTable_c::findFirstOf(int32_t instrument, VoiceNote* note) {
    if (voicesInUse_ == 0) return kTableIdle;
    return findFirstFrom(0, instrument, note);
}

int32_t PolyNoteTable_c::findNextOf(int32_t instrument, VoiceNote* note) {
    if (cursor_ < -1) return kNotIterating;
    return findFirstFrom(cursor_ + 1, instrument, note);
}

int32_t PolyNoteTable_c::findSounding(int32_t instrument, int32_t key, int32_t channel) const {
    for (int32_t i = 0; i < slotCount_; ++i) {
        const VoiceSlot& s = slots_[i];
        if ((s.state == kVoiceHeld || s.state == kVoiceReleased) && s.instrument == instrument &&
            (key == kAnyNote || s.note == key) && channelMatches(channel, s.channel))
            return i;
    }
    return -1;
}

bool PolyNoteTable_c::getNoteInfo(int32_t slot, VoiceNote* note) const {
    if (note == nullptr || slot < 0 || slot >= slotCount_) return false;
    const VoiceSlot& s = slots_[slot];
    *note = VoiceNote{s.note, s.velocity, s.channel};
    return true;
}

bool PolyNoteTable_c::getNoteOf(int32_t slot, int32_t instrument, VoiceNote* note) const {
    if (slots_ == nullptr) return false;
    const VoiceSlot& s = slots_[clampSlot(slot)];
    if (s.state == kVoiceFree || s.instrument != instrument) return false;
    if (note != nullptr) *note = VoiceNote{s.note, s.velocity, s.channel};
    return true;
}

bool PolyNoteTable_c::getHeldNote(int32_t slot, int32_t* instrument, VoiceNote* note) const {
    if (instrument != nullptr) *instrument = -1;
    if (note != nullptr) *note = VoiceNote{-1, -1, -1};
    if (slots_ == nullptr) return false;
    const VoiceSlot& s = slots_[clampSlot(slot)];
    if (s.state != kVoiceHeld) return false;
    if (instrument != nullptr) *instrument = s.instrument;
    if (note != nullptr) *note = VoiceNote{s.note, s.velocity, s.channel};
    return true;
}

const VoiceSlot* PolyNoteTable_c::getSlot(int32_t slot) const {
    return slots_ == nullptr ? nullptr : &slots_[clampSlot(slot)];
}

int32_t PolyNoteTable_c::countHeldOnChannel(int32_t channel) const {
    int32_t count = 0;
    for (int32_t i = 0; i < slotCount_; ++i)
        if (slots_[i].state == kVoiceHeld && channelMatches(channel, slots_[i].channel)) ++count;
    return count;
}
