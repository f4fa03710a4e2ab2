#pragma once
// The counters both watches share (internal to the watch sources).
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vsthost::watch_detail {

// Plain thread_local in the executable: initial-exec TLS, reading it never allocates.
extern thread_local bool armedThread;
extern std::atomic<std::uint64_t> allocations;
extern std::atomic<std::uint64_t> loaderCalls;
extern std::atomic<std::size_t> firstAllocationBytes;

inline void noteAllocation(std::size_t bytes) {
    if (!armedThread) return;
    if (allocations.fetch_add(1, std::memory_order_relaxed) == 0) {
        firstAllocationBytes.store(bytes, std::memory_order_relaxed);
    }
}

inline void noteLoaderCall() {
    if (armedThread) loaderCalls.fetch_add(1, std::memory_order_relaxed);
}

} // namespace vsthost::watch_detail
