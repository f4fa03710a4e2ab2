#pragma once
// A periodic callback on the process-wide timer service. Any number of timers
// may run at once. Callbacks run on the service thread and never overlap.
#include "framework/platform/Tool_c.h"
#include "os/Timer.h"

#include <atomic>
#include <cstdint>

class Timer_c : public Tool_c {
public:
    using Callback = void (*)(void* context);
    static constexpr uint32_t kDefaultIntervalMs = 50;

    Timer_c() = default;
    // Stops a running timer and waits for a callback in progress.
    ~Timer_c() override;
    Timer_c(const Timer_c&) = delete;
    Timer_c& operator=(const Timer_c&) = delete;

    // Stores the three values and arms the timer; the first callback comes
    // about intervalMs later. True when it runs. May wake the service thread
    // (a system call): not on the audio thread.
    bool start(Callback callback, uint32_t intervalMs, void* context);
    // The same for the audio thread: no allocation, no lock, no system call.
    // The service finds the start soon after the time given to
    // expectStartFromAudio, else within a second.
    bool startFromAudio(Callback callback, uint32_t intervalMs, void* context);
    // The audio thread may start this timer from `tick` (os::tickMs) on. Any thread.
    void expectStartFromAudio(uint32_t tick) { timer_.expectQuietStartFrom(tick); }
    // Returns when no callback of this timer runs and none will (from inside
    // its own callback: only disarms). Not on the audio thread.
    void stop();
    bool isRunning() const { return timer_.running(); }

    uint32_t interval() const { return interval_.load(); }
    void* context() const { return context_.load(); }
    Callback callback() const { return callback_.load(); }

private:
    void store(Callback callback, uint32_t intervalMs, void* context);

    // Last values given to start; written by any thread that starts the timer.
    std::atomic<uint32_t> interval_{kDefaultIntervalMs};
    std::atomic<void*> context_{nullptr};
    std::atomic<Callback> callback_{nullptr};
    os::PeriodicTimer timer_;
};
