#pragma once
// Periodic timers served by one process-wide thread (Windows SetTimer with a
// timer procedure). Callbacks run on the service thread; callbacks of one
// timer never overlap. There is no fixed limit on the number of timers.
//
// The service thread sleeps until the next armed timer is due. A start on a
// thread that may block wakes it at once; a quiet start (the audio thread's)
// makes no system call, so the service finds it at its next wake: soon after
// the time announced by expectQuietStartFrom, else within kQuietStartNoticeMs.
//
// The service thread ("kelvanti-timer") exists only while at least one
// PeriodicTimer exists: the first constructor starts it and the last
// destructor joins it, so once every timer of the plug-in is destroyed no
// code of the library runs on it (the host may then unload the library safely).
#include <cstdint>

namespace os {

class PeriodicTimer {
public:
    using Callback = void (*)(void* context);

    // Registers with the service, starting its thread when this is the first
    // timer (allocates; not on the audio thread).
    PeriodicTimer();
    // Stops and unregisters; waits for a running callback. The last timer's
    // destructor also waits for the service thread to end. Destroying a timer
    // inside its own callback is allowed: the service releases it afterwards.
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Arms the timer (again) and wakes the service: the first callback comes
    // about intervalMs from now. Starting a running timer replaces its
    // callback, context and interval and restarts its period. A null callback
    // keeps the timer running silently. When two threads start or stop the
    // same timer at the same moment, one of them wins. Answers true when the
    // timer runs (false: the service has no thread). Takes the service's lock
    // briefly: not on the audio thread.
    bool start(Callback callback, void* context, uint32_t intervalMs);

    // The same without waking the service. Any thread, the audio thread
    // included: never blocks, never allocates, makes no system call. The
    // period starts when the service finds the start (see above).
    bool startQuietly(Callback callback, void* context, uint32_t intervalMs);

    // A quiet start may come from `tick` (os::tickMs) on, not before: the
    // service looks for one at that time and, while none comes, again after
    // 5 ms and then at doubling intervals up to kQuietStartNoticeMs. An
    // announcement made at least that long ahead is always seen in time.
    // Any thread; no system call.
    void expectQuietStartFrom(uint32_t tick);

    // The longest the service sleeps: a quiet start that was not announced
    // is found within this time.
    static constexpr uint32_t kQuietStartNoticeMs = 1000;

    // Disarms. Returns only when no callback of this timer runs and none will.
    // Called from inside its own callback it only disarms, without waiting.
    // May block briefly: not on the audio thread.
    void stop();

    // Armed (started and not stopped since). Any thread.
    bool running() const;

    struct State; // the service's bookkeeping, owned by the service
private:
    State* state_;
};

} // namespace os
