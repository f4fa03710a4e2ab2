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

// True while this thread renders a block or takes the host's events.
inline bool onAudioThread() { return audioDepth() > 0; }
// True while this thread is inside a host parameter, chunk, idle or editor call.
inline bool busyOnThisThread() { return busyDepth() > 0; }

} // namespace threadrole
