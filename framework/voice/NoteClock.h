#pragma once
// The clock the voice table and the mono key memory stamp notes with, and
// the controller decoders time their messages by: the milliseconds of audio
// rendered, a 32-bit count that wraps like the os clock (compare by wrapped
// difference only). In real time it runs with the wall clock; a render or an
// offline export, however fast, times its events as real time would, so which
// voice a note steals, or how far a relative controller moves, depends on the
// audio alone.
//
// Threads: the audio thread (the block and the note roads it decodes), or a
// host thread while the audio side is blocked. Allocates nothing, no system call.
#include <cstdint>

class NoteClock {
public:
    // Where the count starts: well above 0, like the os clock, so that a time
    // of 0 (a decoder's "never") never looks like a recent event.
    static constexpr uint32_t kOrigin = 0x00100000u;

    // At the start of a block, with the plug-in's sample rate: after a rate
    // change the time reached so far is kept and the new rate counts on from it.
    void beginBlock(float sampleRate);
    // The time `offset` frames into the current block (offset < 0 counts as 0).
    // kOrigin until a rate above 0 has been seen.
    uint32_t msAt(int32_t offset) const;
    // After a block of `frames` (the block's time is then behind us).
    void endBlock(int32_t frames);

private:
    uint32_t baseMs_ = kOrigin; // the time at the last rate change
    uint64_t samples_ = 0;     // frames rendered at `rate_` since then
    double rate_ = 0.0;
};
