#pragma once
// The 32-bit millisecond clock (GetTickCount/timeGetTime on Windows). It starts
// well above 0 and wraps after about 49.7 days: compare times only through
// elapsedMs / tickDiff, never with < on raw values.
#include <cstdint>

namespace os {

// Milliseconds since an arbitrary origin, wrapping at 2^32. Any thread; no allocation.
uint32_t tickMs();

// later − earlier as a signed wrapped difference (correct across the wrap
// as long as the two are less than 2^31 ms apart).
inline int32_t tickDiff(uint32_t later, uint32_t earlier) {
    return static_cast<int32_t>(later - earlier);
}

// Tests move the clock (to just below 2^31 or 2^32, say): the offset is added to every reading.
void setTickOffsetForTesting(uint32_t offset);
// Tests stop the clock: every reading answers `at` until the release, so a
// call that compares times cannot see the clock tick in the middle of it.
void holdTickForTesting(uint32_t at);
void releaseTickForTesting();

void sleepMs(unsigned milliseconds);

} // namespace os
