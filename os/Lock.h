#pragma once
// Re-entrant lock, the Linux realisation of a Windows critical section:
// the owner may enter again, and try-enter by the owner succeeds.
#include <mutex>

namespace os {

class RecursiveLock {
public:
    RecursiveLock() = default;
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void enter() { mutex_.lock(); }
    bool tryEnter() { return mutex_.try_lock(); }
    void leave() { mutex_.unlock(); }

    // std::lock_guard / unique_lock compatibility.
    void lock() { enter(); }
    bool try_lock() { return tryEnter(); }
    void unlock() { leave(); }

private:
    std::recursive_mutex mutex_;
};

} // namespace os
