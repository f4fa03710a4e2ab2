#include "os/Clock.h"

#include <atomic>
#include <cerrno>
#include <time.h>

namespace os {
namespace {
// Origin well above 0 so that "time 0" never looks like a recent event.
constexpr uint32_t kClockOrigin = 0x00100000u;
std::atomic<uint32_t> g_testOffset{0};
std::atomic<bool> g_held{false};
std::atomic<uint32_t> g_heldAt{0};
} // namespace

uint32_t tickMs() {
    if (g_held.load(std::memory_order_acquire))
        return g_heldAt.load(std::memory_order_relaxed);
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms) + kClockOrigin + g_testOffset.load(std::memory_order_relaxed);
}

void setTickOffsetForTesting(uint32_t offset) { g_testOffset.store(offset, std::memory_order_relaxed); }

void holdTickForTesting(uint32_t at) {
    g_heldAt.store(at, std::memory_order_relaxed);
    g_held.store(true, std::memory_order_release);
}

void releaseTickForTesting() { g_held.store(false, std::memory_order_release); }

void sleepMs(unsigned milliseconds) {
    timespec req{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
}

} // namespace os
