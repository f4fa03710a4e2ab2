#pragma once
// The nesting of parameter writes: only the outermost write of a thread takes
// the part's parameter lock (blocking), so a handler that writes further
// parameters does not enter it again, and one thread's nesting can never make
// another thread skip or keep the lock. The depth is per thread; the lock is
// re-entrant anyway, the depth only decides who enters and leaves it.
//
// Threads: any thread but the audio thread (a write may wait for a render).
#include "os/Lock.h"

#include <cstdint>

class ParameterWriteScope {
public:
    explicit ParameterWriteScope(os::RecursiveLock& lock) : lock_(lock), outermost_(depth() == 0) {
        if (outermost_) lock_.enter();
        ++depth();
    }
    ~ParameterWriteScope() {
        --depth();
        if (outermost_) lock_.leave();
    }
    ParameterWriteScope(const ParameterWriteScope&) = delete;
    ParameterWriteScope& operator=(const ParameterWriteScope&) = delete;

    bool isOutermost() const { return outermost_; }
    // Parameter writes running on this thread right now.
    static int32_t currentDepth() { return depth(); }

private:
    static int32_t& depth() {
        static thread_local int32_t value = 0;
        return value;
    }
    os::RecursiveLock& lock_;
    const bool outermost_;
};
