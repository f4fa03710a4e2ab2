#include "framework/voice/NoteClock.h"

#include <cmath>

void NoteClock::beginBlock(float sampleRate) {
    const double rate = sampleRate > 0.0f ? static_cast<double>(sampleRate) : 0.0;
    if (rate == rate_) return;
    baseMs_ = msAt(0);
    samples_ = 0;
    rate_ = rate;
}

uint32_t NoteClock::msAt(int32_t offset) const {
    if (!(rate_ > 0.0)) return baseMs_;
    const uint64_t frames = samples_ + static_cast<uint64_t>(offset > 0 ? offset : 0);
    // From the frames since the rate change, never summed block by block: the
    // same sample gets the same millisecond whatever the host's block sizes,
    // and both builds compute it alike (doubles exact up to 2^53 frames).
    const double ms = std::floor(static_cast<double>(frames) * 1000.0 / rate_);
    // Wraps at 2^32 like the os clock.
    return baseMs_ + static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void NoteClock::endBlock(int32_t frames) {
    if (frames > 0) samples_ += static_cast<uint64_t>(frames);
}
