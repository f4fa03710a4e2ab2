#include "tools/host/watch/AudioCallCounters.h"

#include <atomic>
#include <cstdint>

#include "tools/host/watch/AudioCallWatch.h"

namespace vsthost {
namespace {

// File-local and constant-initialised: reading it needs no TLS wrapper call.
thread_local bool armedThread = false;
std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> loaderCalls{0};
std::atomic<std::size_t> firstAllocationBytes{0};

} // namespace

namespace watch_detail {

void noteAllocation(std::size_t bytes) {
    if (!armedThread) return;
    if (allocations.fetch_add(1, std::memory_order_relaxed) == 0) {
        firstAllocationBytes.store(bytes, std::memory_order_relaxed);
    }
}

void noteLoaderCall() {
    if (armedThread) loaderCalls.fetch_add(1, std::memory_order_relaxed);
}

} // namespace watch_detail

AudioCallCounts audioCallCounts() {
    AudioCallCounts counts;
    counts.allocations = allocations.load();
    counts.loaderCalls = loaderCalls.load();
    counts.firstAllocationBytes = firstAllocationBytes.load();
    return counts;
}

void resetAudioCallCounts() {
    allocations.store(0);
    loaderCalls.store(0);
    firstAllocationBytes.store(0);
}

ArmedAudioSection::ArmedAudioSection() {
    armedThread = true;
}

ArmedAudioSection::~ArmedAudioSection() {
    armedThread = false;
}

} // namespace vsthost
