#pragma once
// What the calling thread is doing inside the plug-in right now, kept per
// thread: whether it runs an audio block or event call, and how deep it is in
// host calls that let settings handlers act at once. An instance-wide count
// would let one thread's host call change what a handler does on another.
//
// Threads: each thread reads and writes only its own values.
#include <cstdint>

namespace threadrole {

inline int32_t& audioDepth() {
    static thread_local int32_t depth = 0;
    return depth;
}

inline int32_t& busyDepth() {
    static thread_local int32_t depth = 0;
    return depth;
}

// Set for good once this thread has run a block: hosts also deliver
// automation, resume and suspend on their audio threads between blocks, and
// any of their threads may render (no single thread id means "audio").
inline bool& hasRenderedAudio() {
    static thread_local bool rendered = false;
    return rendered;
}

// Raised while this thread runs the idle drain: deferred work executes there,
// so it must not count as audio work again on a thread that also renders.
inline int32_t& idleDepth() {
    static thread_local int32_t depth = 0;
    return depth;
}

// True while this thread renders a block or takes the host's events.
inline bool onAudioThread() { return audioDepth() > 0; }
// True where nothing may wait or touch files: inside a block or event call,
// and on a thread that renders, between its blocks, unless it runs the drain.
inline bool onAudioSide() { return onAudioThread() || (hasRenderedAudio() && idleDepth() == 0); }
// True while this thread is inside a host parameter, chunk, idle or editor call.
inline bool busyOnThisThread() { return busyDepth() > 0; }

} // namespace threadrole
