#pragma once
// Periodic timers served by one process-wide thread (Windows SetTimer with a
// timer procedure). Callbacks run on the service thread; callbacks of one
// timer never overlap. There is no fixed limit on the number of timers.
#include <atomic>
#include <cstdint>

namespace os {

class PeriodicTimer {
public:
    using Callback = void (*)(void* context);

    // Registers with the service (may allocate; not on the audio thread).
    PeriodicTimer();
    // Stops and unregisters; waits for a running callback.
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Arms the timer. Any thread, the audio thread included: never blocks,
    // never allocates, makes no system call. The first call fires after
    // intervalMs. Answers true (the timer runs).
    bool start(Callback callback, void* context, uint32_t intervalMs);

    // Disarms. Returns only when no callback of this timer runs and none will
    // (called from inside its own callback it only disarms, without waiting).
    void stop();

    bool running() const;

    struct State; // the service's bookkeeping, owned by the service
private:
    State* state_;
};

} // namespace os
