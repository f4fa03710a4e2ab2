#pragma once
// Watches what a plug-in does on the audio thread: heap allocations and calls
// into the dynamic loader. The test executable replaces the allocation
// functions and the loader entry points (dlopen, dlsym, dlclose, dladdr) and
// exports them, so calls made from inside a dlopen'ed plug-in reach them too.
// Only calls on a thread inside an armed section are counted, so the host's
// own threads and set-up work never show up.
#include <cstddef>
#include <cstdint>

namespace vsthost {

struct AudioCallCounts {
    std::uint64_t allocations = 0;      // malloc, calloc, realloc, aligned and operator new forms
    std::uint64_t loaderCalls = 0;      // dlopen, dlsym, dlclose, dladdr
    std::size_t firstAllocationBytes = 0;
};

// Counting is process-wide; tests that arm sections must not overlap.
AudioCallCounts audioCallCounts();
void resetAudioCallCounts();

// False when this build cannot watch that kind of call (a sanitizer owns the
// loader entry points); the check is then reported as not measured.
bool allocationWatchAvailable();
bool loaderWatchAvailable();

// Arms counting on the constructing thread for the scope's lifetime.
class ArmedAudioSection {
public:
    ArmedAudioSection();
    ~ArmedAudioSection();
    ArmedAudioSection(const ArmedAudioSection&) = delete;
    ArmedAudioSection& operator=(const ArmedAudioSection&) = delete;
};

} // namespace vsthost
