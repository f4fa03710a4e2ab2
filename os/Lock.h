#pragma once
// Re-entrant lock, the Linux realisation of a Windows critical section:
// the owner may enter again, and try-enter by the owner succeeds.
#include <atomic>
#include <mutex>
#include <thread>

namespace os {

class RecursiveLock {
public:
    RecursiveLock() = default;
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void enter() {
        mutex_.lock();
        taken();
    }
    bool tryEnter() {
        if (!mutex_.try_lock()) return false;
        taken();
        return true;
    }
    void leave() {
        if (--depth_ == 0) owner_.store(std::thread::id(), std::memory_order_relaxed);
        mutex_.unlock();
    }
    // Whether the calling thread holds the lock (any thread may ask).
    bool heldByThisThread() const { return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

    // std::lock_guard / unique_lock compatibility.
    void lock() { enter(); }
    bool try_lock() { return tryEnter(); }
    void unlock() { leave(); }

private:
    void taken() {
        if (depth_++ == 0) owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }

    std::recursive_mutex mutex_;
    int depth_ = 0; // written by the owner only
    // Only the owner stores its own id, so a thread reads its own id here
    // exactly while it holds the lock.
    std::atomic<std::thread::id> owner_{};
};

} // namespace os
