#pragma once
// Periodic timers served by one process-wide thread (Windows SetTimer with a
// timer procedure). Callbacks run on the service thread; callbacks of one
// timer never overlap. There is no fixed limit on the number of timers.
//
// The service thread exists only while at least one PeriodicTimer exists:
// the first constructor starts it and the last destructor joins it, so once
// every timer of the plug-in is destroyed no code of the library runs on it
// (the host may then unload the library safely).
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

    // Arms the timer (again). Any thread, the audio thread included: never
    // blocks, never allocates, makes no system call. The first callback comes
    // about intervalMs after the service notices the start (a few ms at most);
    // starting a running timer replaces its callback, context and interval and
    // restarts its period. A null callback keeps the timer running silently.
    // When two threads start or stop the same timer at the same moment, one of
    // them wins. Answers true (the timer runs).
    bool start(Callback callback, void* context, uint32_t intervalMs);

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
