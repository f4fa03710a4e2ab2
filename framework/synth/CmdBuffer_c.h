#pragma once
// A ring of command records (HoldData_c) handed from any thread to one
// consumer. Capacity n holds at most n - 1 pending records.
//
// Threads: any number of producers; one consumer at a time. Every access
// takes a short guard (a spin flag held only for a bounded copy or scan; the
// only call made under it is the release hook of a cancelled record), so pushes from several threads and the
// compaction of replace mode never race each other or the consumer. The
// audio-thread consumer uses tryPop, which gives up at once when the guard is
// busy; the rest is drained at the next block. Audio-side producers use
// tryPush and tryCancel, which never wait for the guard either.
//
// Memory: storage is allocated once by the constructor; push, pop and cancel
// allocate nothing. Records whose code owns a payload (CommandPayload.h) are
// released through the release hook whenever the ring drops one: a failed
// push, a cancel, and destruction with the record still pending.
#include "framework/synth/HoldData_c.h"

#include <atomic>
#include <cstdint>
#include <memory>

enum CmdPushMode : int {
    kPushReplace = 0,        // remove pending identical records, then append
    kPushSkipIdentical = 1,  // nothing when an identical record is pending (answers true)
    kPushAppend = 2,
};

class CmdBuffer_c {
public:
    using ReleaseHook = void (*)(HoldData_c& record);

    // The default hook frees the payloads of CommandPayload.h.
    explicit CmdBuffer_c(uint32_t capacity, ReleaseHook release = defaultRelease());
    ~CmdBuffer_c();
    CmdBuffer_c(const CmdBuffer_c&) = delete;
    CmdBuffer_c& operator=(const CmdBuffer_c&) = delete;

    // Takes ownership of the record's payload whatever the answer: on false
    // the payload is already released. False for code 0, no storage, a full
    // ring or an unknown mode.
    bool push(const HoldData_c& record, int mode);

    // As push, but gives up at once when another thread holds the guard:
    // Busy leaves the record (and its payload) with the caller to try again.
    enum class PushOutcome { Stored, Refused, Busy };
    PushOutcome tryPush(const HoldData_c& record, int mode);

    // Copies the oldest record into out and removes it; the caller owns its
    // payload. False (out untouched) when the ring is empty. Waits for the
    // guard: not for the audio thread.
    bool pop(HoldData_c& out);

    // As pop, but false at once when another thread holds the guard.
    // Never blocks: the audio thread's drain.
    bool tryPop(HoldData_c& out);

    // Every pending record with this code becomes code 0 in place (its
    // payload released); the pending count does not change.
    void cancel(uint8_t code);
    void cancelKeyboardNotes();
    // As cancel, but false (nothing cancelled) when the guard is busy.
    bool tryCancel(uint8_t code);

    // Holds the guard for its lifetime, as a producer stopped in the middle
    // of a push would: every other access waits or gives up meanwhile. For
    // tests of the paths that must not wait.
    class Hold {
    public:
        explicit Hold(const CmdBuffer_c& ring) : ring_(ring) { ring_.acquire(); }
        ~Hold() { ring_.releaseGuard(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    private:
        const CmdBuffer_c& ring_;
    };

    // Releases a record that never entered the ring (a post that was dropped).
    void discard(HoldData_c& record) const;

    // False only when the ring is surely empty; true when records wait or
    // another thread holds the guard. Never waits: for the audio thread.
    // Inline, as the guard's try and release: a silent block asks it.
    bool mayHoldRecords() const {
        if (!entries_) return false;
        if (!tryAcquire()) return true;
        const bool pending = read_ != write_;
        releaseGuard();
        return pending;
    }

    uint32_t capacity() const { return capacity_; }
    uint32_t pendingCount() const;

    static ReleaseHook defaultRelease();

private:
    class Guard;
    void acquire() const;
    bool tryAcquire() const {
        return !busy_.load(std::memory_order_relaxed) && !busy_.exchange(true, std::memory_order_acquire);
    }
    void releaseGuard() const { busy_.store(false, std::memory_order_release); }

    uint32_t advance(uint32_t index) const { return index + 1 == capacity_ ? 0 : index + 1; }
    bool popLocked(HoldData_c& out);
    void removeIdenticalLocked(const HoldData_c& record);
    bool findIdenticalLocked(const HoldData_c& record) const;
    // The push and cancel work with the guard held.
    bool pushLocked(const HoldData_c& record, int mode);
    void cancelLocked(uint8_t code);
    static bool knownMode(int mode) {
        return mode == kPushReplace || mode == kPushSkipIdentical || mode == kPushAppend;
    }

    const uint32_t capacity_;
    const ReleaseHook release_;
    std::unique_ptr<HoldData_c[]> entries_;
    uint32_t write_ = 0;  // guarded
    uint32_t read_ = 0;   // guarded
    mutable std::atomic<bool> busy_{false};
};
