#pragma once
// The voice table shared by all instruments of the plug-in: which slot a new note
// takes (a free slot, a released voice of the same note, or a stolen voice), each
// slot's state, note and times, and the voice counters of the whole table and of
// each owning instrument.
//
// Threads: audio thread only (the note roads and the instruments' render walk);
// no locking. The slots are allocated by the constructor; nothing else allocates.
// Times come from a 32-bit millisecond clock (the plug-in's note clock: audio
// rendered, not the wall clock) and are compared by wrapped difference, so
// stealing keeps working when the clock passes 2^31 or wraps at 2^32.
#include "framework/voice/VoiceSlot.h"

#include <cstdint>

class PolyNoteTable_c {
public:
    // Reads the millisecond clock; context is the one given with it.
    using Clock = uint32_t (*)(const void* context);

    // Answers of findFirstOf / findNextOf besides a slot index.
    static constexpr int32_t kNotIterating = -1;
    static constexpr int32_t kNoMore = -2;
    static constexpr int32_t kTableIdle = -3;
    static constexpr int32_t kAnyChannel = 16;
    static constexpr int32_t kAnyNote = 128;

    // clock: the millisecond clock and its context (the plug-in passes its note
    // clock; tests their own); none: the os clock.
    explicit PolyNoteTable_c(int32_t slotCount, Clock clock = nullptr, const void* clockContext = nullptr);
    ~PolyNoteTable_c();
    PolyNoteTable_c(const PolyNoteTable_c&) = delete;
    PolyNoteTable_c& operator=(const PolyNoteTable_c&) = delete;

    // Frees every slot without touching the voices; every former owner's counters become 0.
    void reset();

    // Takes a slot for a note of an instrument whose polyphony is `limit` (0 counts as 1).
    // reused: false when a free slot was taken. Returns the slot or -1.
    int32_t allocate(int32_t instrument, VoiceOwner* owner, int32_t limit, const VoiceNote& note,
                     bool* reused, bool preferSameNote);
    // Releases the lowest held slot of that instrument, key and channel (16 = any), with
    // the note's velocity as release velocity. Returns the slot or -1.
    int32_t noteOff(int32_t instrument, const VoiceNote& note);

    // Slot arguments below are clamped to 0..slot count - 1.
    // A free slot stays free (it has no note to release or kill).
    void release(int32_t slot, int32_t releaseVelocity);
    const VoiceSlot* freeSlot(int32_t slot);
    const VoiceSlot* markKilled(int32_t slot);

    // Iteration over one instrument's slots that are not free; one cursor, one walk at a time.
    // findFirstOf: kTableIdle when no slot is in use, else the first slot or kNoMore.
    int32_t findFirstOf(int32_t instrument, VoiceNote* note);
    // The next slot after the cursor, kNoMore at the end, kNotIterating when no walk runs.
    int32_t findNextOf(int32_t instrument, VoiceNote* note);

    // First held or released slot of the instrument with that key (128 = any) and
    // channel (16 = any), or -1.
    int32_t findSounding(int32_t instrument, int32_t key, int32_t channel) const;
    // Copies the slot's note; false for a slot outside the table.
    bool getNoteInfo(int32_t slot, VoiceNote* note) const;
    bool getNoteOf(int32_t slot, int32_t instrument, VoiceNote* note) const;
    bool getHeldNote(int32_t slot, int32_t* instrument, VoiceNote* note) const;
    const VoiceSlot* getSlot(int32_t slot) const;
    int32_t countHeldOnChannel(int32_t channel) const;

    // The slot to steal for a note, in six passes (see the .cpp), or -1.
    int32_t findVoiceToSteal(int32_t instrument, int32_t key, int32_t channel) const;
    // Frees k voices of the instrument: oldest released first, then oldest held.
    void freeExcess(int32_t instrument, int32_t k);

    int32_t slotCount() const { return slotCount_; }
    int32_t voicesInUse() const { return voicesInUse_; }
    int32_t heldVoices() const { return heldVoices_; }

private:
    int32_t clampSlot(int32_t slot) const;
    void assign(int32_t instrument, VoiceOwner* owner, int32_t slot, const VoiceNote& note);
    void setState(int32_t slot, VoiceState to, VoiceOwner* newOwner);
    void clampCounters(VoiceOwner* owner) const;
    bool onlyHeldOnChannel(int32_t slot, int32_t channel) const;
    int32_t findFirstFrom(int32_t start, int32_t instrument, VoiceNote* note);

    uint32_t now() const { return clock_(clockContext_); }

    Clock clock_;
    const void* clockContext_;
    int32_t cursor_ = kNoMore;
    int32_t slotCount_ = 0;
    VoiceSlot* slots_ = nullptr; // slotCount_ + 1 records; the last is spare
    int32_t voicesInUse_ = 0;
    int32_t heldVoices_ = 0;
};
