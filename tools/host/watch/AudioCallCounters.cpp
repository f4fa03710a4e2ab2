#include "tools/host/watch/AudioCallCounters.h"
#include "tools/host/watch/AudioCallWatch.h"

namespace vsthost {
namespace watch_detail {

thread_local bool armedThread = false;
std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> loaderCalls{0};
std::atomic<std::size_t> firstAllocationBytes{0};

} // namespace watch_detail

AudioCallCounts audioCallCounts() {
    AudioCallCounts counts;
    counts.allocations = watch_detail::allocations.load();
    counts.loaderCalls = watch_detail::loaderCalls.load();
    counts.firstAllocationBytes = watch_detail::firstAllocationBytes.load();
    return counts;
}

void resetAudioCallCounts() {
    watch_detail::allocations.store(0);
    watch_detail::loaderCalls.store(0);
    watch_detail::firstAllocationBytes.store(0);
}

ArmedAudioSection::ArmedAudioSection() {
    watch_detail::armedThread = true;
}

ArmedAudioSection::~ArmedAudioSection() {
    watch_detail::armedThread = false;
}

} // namespace vsthost
