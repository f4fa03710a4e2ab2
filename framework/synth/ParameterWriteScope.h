#pragma once
// The nesting of parameter writes: only the outermost write of a thread takes
// the part's parameter lock, so a handler that writes further parameters does
// not enter it again, and one thread's nesting can never make another thread
// skip or keep the lock. The depth is per thread; the lock is re-entrant
// anyway, the depth only decides who enters and leaves it.
//
// Threads: any. A writer that may not wait (the audio thread's controller
// road) only tries the lock and writes either way, as the renderer does.
#include "os/Lock.h"

#include <cstdint>

class ParameterWriteScope {
public:
    enum class Wait { Block, TryOnly };

    explicit ParameterWriteScope(os::RecursiveLock& lock, Wait wait = Wait::Block)
        : lock_(lock), outermost_(depth() == 0) {
        if (outermost_) held_ = wait == Wait::Block ? (lock_.enter(), true) : lock_.tryEnter();
        ++depth();
    }
    ~ParameterWriteScope() {
        --depth();
        if (held_) lock_.leave();
    }
    ParameterWriteScope(const ParameterWriteScope&) = delete;
    ParameterWriteScope& operator=(const ParameterWriteScope&) = delete;

    bool isOutermost() const { return outermost_; }
    // Whether this scope holds the lock (the outermost, unless a try failed).
    bool holdsLock() const { return held_; }
    // Parameter writes running on this thread right now.
    static int32_t currentDepth() { return depth(); }

private:
    static int32_t& depth() {
        static thread_local int32_t value = 0;
        return value;
    }
    os::RecursiveLock& lock_;
    const bool outermost_;
    bool held_ = false;
};
