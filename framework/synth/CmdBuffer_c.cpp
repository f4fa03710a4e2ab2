#include "framework/synth/CmdBuffer_c.h"

#include "framework/synth/CommandPayload.h"
#include "framework/synth/SynthCommand.h"

#include <new>
#include <thread>

namespace {
// Spins this many times before yielding the processor: a holder only copies
// or scans at most one ring of records, so waiting longer means it was
// preempted and needs the processor back.
constexpr int kSpinsBeforeYield = 4096;

inline void cpuRelax() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#endif
}
} // namespace

class CmdBuffer_c::Guard {
public:
    explicit Guard(const CmdBuffer_c& ring) : ring_(ring) { ring_.acquire(); }
    ~Guard() { ring_.releaseGuard(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    const CmdBuffer_c& ring_;
};

CmdBuffer_c::ReleaseHook CmdBuffer_c::defaultRelease() { return &releaseOwnedPayload; }

CmdBuffer_c::CmdBuffer_c(uint32_t capacity, ReleaseHook release)
    : capacity_(capacity), release_(release),
      entries_(capacity > 0 ? new (std::nothrow) HoldData_c[capacity] : nullptr) {}

CmdBuffer_c::~CmdBuffer_c() {
    if (!entries_ || release_ == nullptr)
        return;
    HoldData_c record;
    while (popLocked(record))  // no other thread may use a ring being destroyed
        release_(record);
}

void CmdBuffer_c::acquire() const {
    int spins = 0;
    for (;;) {
        if (!busy_.load(std::memory_order_relaxed) && !busy_.exchange(true, std::memory_order_acquire))
            return;
        if (++spins < kSpinsBeforeYield) {
            cpuRelax();
        } else {
            spins = 0;
            std::this_thread::yield();
        }
    }
}


void CmdBuffer_c::discard(HoldData_c& record) const {
    if (release_ != nullptr)
        release_(record);
}

bool CmdBuffer_c::findIdenticalLocked(const HoldData_c& record) const {
    for (uint32_t i = read_; i != write_; i = advance(i))
        if (entries_[i].identical(record))
            return true;
    return false;
}

void CmdBuffer_c::removeIdenticalLocked(const HoldData_c& record) {
    // Identical records share p, so the one appended next keeps owning any
    // payload: nothing is released here.
    uint32_t to = read_;
    for (uint32_t from = read_; from != write_; from = advance(from)) {
        if (entries_[from].identical(record))
            continue;
        if (to != from)
            entries_[to] = entries_[from];
        to = advance(to);
    }
    write_ = to;
}

bool CmdBuffer_c::pushLocked(const HoldData_c& record, int mode) {
    if (mode == kPushSkipIdentical && findIdenticalLocked(record))
        return true;
    if (mode == kPushReplace)
        removeIdenticalLocked(record);
    const uint32_t next = advance(write_);
    if (next == read_)
        return false;
    entries_[write_] = record;
    write_ = next;
    return true;
}

bool CmdBuffer_c::push(const HoldData_c& record, int mode) {
    if (record.code == kCmdNone)
        return false;
    bool stored = false;
    if (entries_ && knownMode(mode)) {
        Guard guard(*this);
        stored = pushLocked(record, mode);
    }
    if (!stored) {
        HoldData_c dropped = record;
        discard(dropped);
    }
    return stored;
}

CmdBuffer_c::PushOutcome CmdBuffer_c::tryPush(const HoldData_c& record, int mode) {
    if (record.code == kCmdNone)
        return PushOutcome::Refused;
    bool stored = false;
    if (entries_ && knownMode(mode)) {
        if (!tryAcquire())
            return PushOutcome::Busy;
        stored = pushLocked(record, mode);
        releaseGuard();
    }
    if (!stored) {
        HoldData_c dropped = record;
        discard(dropped);
    }
    return stored ? PushOutcome::Stored : PushOutcome::Refused;
}

bool CmdBuffer_c::popLocked(HoldData_c& out) {
    if (!entries_ || read_ == write_)
        return false;
    out = entries_[read_];
    read_ = advance(read_);
    return true;
}

bool CmdBuffer_c::pop(HoldData_c& out) {
    if (!entries_)
        return false;
    Guard guard(*this);
    return popLocked(out);
}

bool CmdBuffer_c::tryPop(HoldData_c& out) {
    if (!entries_ || !tryAcquire())
        return false;
    const bool popped = popLocked(out);
    releaseGuard();
    return popped;
}

void CmdBuffer_c::cancelLocked(uint8_t code) {
    if (read_ >= capacity_ || write_ >= capacity_)
        return;
    for (uint32_t i = read_; i != write_; i = advance(i)) {
        HoldData_c& entry = entries_[i];
        if (entry.code != code)
            continue;
        discard(entry);
        entry.code = kCmdNone;
    }
}

void CmdBuffer_c::cancel(uint8_t code) {
    if (!entries_ || code == kCmdNone)
        return;
    Guard guard(*this);
    cancelLocked(code);
}

bool CmdBuffer_c::tryCancel(uint8_t code) {
    if (!entries_ || code == kCmdNone)
        return true;
    if (!tryAcquire())
        return false;
    cancelLocked(code);
    releaseGuard();
    return true;
}

void CmdBuffer_c::cancelKeyboardNotes() { cancel(kCmdKeyboardNoteOn); }

uint32_t CmdBuffer_c::pendingCount() const {
    if (!entries_)
        return 0;
    Guard guard(*this);
    return write_ >= read_ ? write_ - read_ : capacity_ - read_ + write_;
}
