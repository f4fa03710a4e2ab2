#include "os/Timer.h"

#include "os/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

namespace os {

// A timer's settings are written by start/stop on any thread without a lock
// (the audio thread may start a timer), so they are atomics guarded by a
// sequence word in the manner of a seqlock: odd while a writer is busy, bumped
// by two per completed write. The service reads them only between two equal
// even readings of the word.
static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<void*>::is_always_lock_free &&
                  std::atomic<PeriodicTimer::Callback>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "start runs on the audio thread: its atomics must not hide a lock");

struct PeriodicTimer::State {
    std::atomic<uint32_t> sequence{0};
    std::atomic<Callback> callback{nullptr};
    std::atomic<void*> context{nullptr};
    std::atomic<uint32_t> intervalMs{0};
    std::atomic<bool> armed{false};
    // When a quiet start may come (expectQuietStartFrom); set with release
    // after the tick, so a reader that sees the flag sees a tick.
    std::atomic<uint32_t> quietStartFrom{0};
    std::atomic<bool> quietStartExpected{false};

    // Guarded by the service mutex.
    bool inCallback = false;
    bool releaseAfterCallback = false; // destroyed while its callback ran

    // Touched by the service thread only.
    bool scheduled = false;
    uint32_t scheduledSequence = 0;
    uint32_t dueTick = 0;
    // Looking for a quiet start: the announcement looked for, the next look
    // and the pause after it (doubling up to kQuietStartNoticeMs).
    bool looking = false;
    uint32_t lookingFrom = 0;
    uint32_t nextLookTick = 0;
    uint32_t lookPauseMs = 0;
};

namespace {

using State = PeriodicTimer::State;

// The first pause between looks for an announced quiet start.
constexpr uint32_t kFirstLookPauseMs = 5;
constexpr int32_t kLongestSleepMs = static_cast<int32_t>(PeriodicTimer::kQuietStartNoticeMs);
constexpr uint32_t kMinimumIntervalMs = 1;

struct Settings {
    PeriodicTimer::Callback callback = nullptr;
    void* context = nullptr;
    uint32_t intervalMs = 0;
    bool armed = false;
    uint32_t sequence = 0;
};

bool readSettings(const State& state, Settings& out) {
    const uint32_t before = state.sequence.load();
    if (before & 1u) return false;
    out.callback = state.callback.load();
    out.context = state.context.load();
    out.intervalMs = std::max(state.intervalMs.load(), kMinimumIntervalMs);
    out.armed = state.armed.load();
    out.sequence = before;
    return state.sequence.load() == before;
}

bool tryBeginWrite(State& state, uint32_t& sequence) {
    sequence = state.sequence.load();
    return (sequence & 1u) == 0 && state.sequence.compare_exchange_strong(sequence, sequence + 1u);
}

void endWrite(State& state, uint32_t sequence) { state.sequence.store(sequence + 2u); }

// The timer whose callback runs on this thread (null elsewhere).
thread_local State* t_firingTimer = nullptr;

class Service {
public:
    static Service& instance() {
        static Service service;
        return service;
    }

    ~Service() {
        // Reached at process exit or when the library is unloaded while timers
        // were leaked: end the thread before the code it runs goes away.
        std::thread thread;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++run_;
            thread = std::move(thread_);
        }
        wake_.notify_all();
        if (thread.joinable()) thread.join();
    }

    bool alive() const { return alive_.load(); }

    void add(State* state) {
        std::lock_guard<std::mutex> lock(mutex_);
        timers_.push_back(state);
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread(&Service::serve, this, run_);
                alive_.store(true);
            } catch (...) {
                // No thread: starts answer false; the next timer tries again.
            }
        }
    }

    // After a start on a thread that may block: the service takes the new
    // settings into its plan now. Taking the mutex orders this after the
    // service's last reading, so the wake-up cannot fall between that
    // reading and its wait.
    void wakeUp() {
        { std::lock_guard<std::mutex> lock(mutex_); }
        wake_.notify_all();
    }

    void stop(State* state) {
        disarm(*state);
        std::unique_lock<std::mutex> lock(mutex_);
        waitForCallback(*state, lock);
    }

    void remove(State* state) {
        disarm(*state);
        std::thread finished;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            waitForCallback(*state, lock);
            timers_.erase(std::remove(timers_.begin(), timers_.end(), state), timers_.end());
            if (state->inCallback) {
                state->releaseAfterCallback = true; // destroyed inside its own callback
            } else {
                delete state;
            }
            if (timers_.empty() && thread_.joinable()) {
                ++run_;
                alive_.store(false);
                finished = std::move(thread_);
            }
        }
        wake_.notify_all();
        if (finished.joinable()) {
            // The last timer destroyed inside a callback: the thread ends by
            // itself once that callback returns.
            if (finished.get_id() == std::this_thread::get_id()) {
                finished.detach();
            } else {
                finished.join();
            }
        }
    }

private:
    Service() = default;

    static void disarm(State& state) {
        uint32_t sequence = 0;
        while (!tryBeginWrite(state, sequence)) std::this_thread::yield();
        state.armed.store(false);
        endWrite(state, sequence);
    }

    // After disarm: a callback picked before the disarm may still run; wait
    // for it, unless it is the caller's own.
    void waitForCallback(State& state, std::unique_lock<std::mutex>& lock) {
        while (state.inCallback && t_firingTimer != &state) callbackDone_.wait(lock);
    }

    // A disarmed timer with an announced quiet start: how long until the
    // service should look at it again (service thread, under the mutex).
    static int32_t untilNextLook(State& state, uint32_t now) {
        if (!state.quietStartExpected.load(std::memory_order_acquire)) return kLongestSleepMs;
        const uint32_t from = state.quietStartFrom.load(std::memory_order_relaxed);
        if (!state.looking || state.lookingFrom != from) {
            state.looking = true;
            state.lookingFrom = from;
            state.nextLookTick = from;
            state.lookPauseMs = kFirstLookPauseMs;
        }
        if (tickDiff(state.nextLookTick, now) <= 0) {
            state.nextLookTick = now + state.lookPauseMs;
            state.lookPauseMs = std::min(2 * state.lookPauseMs, PeriodicTimer::kQuietStartNoticeMs);
        }
        return tickDiff(state.nextLookTick, now);
    }

    // Under the mutex: the most overdue armed timer, or null and how long to
    // sleep (until the next due timer or look for a quiet start, a second at most).
    State* nextDue(uint32_t now, Settings& settings, int32_t& waitMs) {
        State* next = nullptr;
        waitMs = kLongestSleepMs;
        for (State* state : timers_) {
            Settings current;
            if (!readSettings(*state, current)) {
                waitMs = 1; // a start or stop is writing: look again soon
                continue;
            }
            if (!current.armed) {
                state->scheduled = false;
                waitMs = std::min(waitMs, untilNextLook(*state, now));
                continue;
            }
            state->looking = false;
            if (!state->scheduled || state->scheduledSequence != current.sequence) {
                state->scheduled = true;
                state->scheduledSequence = current.sequence;
                state->dueTick = now + current.intervalMs;
            }
            const int32_t remaining = tickDiff(state->dueTick, now);
            if (remaining > 0) {
                waitMs = std::min(waitMs, remaining);
            } else if (!next || tickDiff(state->dueTick, next->dueTick) < 0) {
                next = state;
                settings = current;
            }
        }
        return next;
    }

    void serve(uint64_t run) {
        pthread_setname_np(pthread_self(), "kelvanti-timer"); // what top -H and debuggers show
        std::unique_lock<std::mutex> lock(mutex_);
        while (run_ == run) {
            const uint32_t now = tickMs();
            Settings settings;
            int32_t waitMs = kLongestSleepMs;
            State* timer = nextDue(now, settings, waitMs);
            if (!timer) {
                wake_.wait_for(lock, std::chrono::milliseconds(waitMs));
                continue;
            }
            // Late callbacks are not made up in a burst: the next one comes a
            // whole interval after this one at the latest.
            timer->dueTick += settings.intervalMs;
            if (tickDiff(timer->dueTick, now) <= 0) timer->dueTick = now + settings.intervalMs;
            timer->inCallback = true;
            lock.unlock();

            if (settings.callback) {
                t_firingTimer = timer;
                try {
                    settings.callback(settings.context);
                } catch (...) {
                    // An exception must not end the service (and the host with it).
                }
                t_firingTimer = nullptr;
            }

            lock.lock();
            timer->inCallback = false;
            if (timer->releaseAfterCallback) delete timer;
            callbackDone_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;         // a timer was started, added or removed
    std::condition_variable callbackDone_; // a callback returned
    std::vector<State*> timers_;
    std::thread thread_;
    uint64_t run_ = 0; // the thread serving run_ lives; others end
    std::atomic<bool> alive_{false};
};

} // namespace

PeriodicTimer::PeriodicTimer() : state_(new State) { Service::instance().add(state_); }

PeriodicTimer::~PeriodicTimer() { Service::instance().remove(state_); }

bool PeriodicTimer::start(Callback callback, void* context, uint32_t intervalMs) {
    const bool runs = startQuietly(callback, context, intervalMs);
    if (runs) Service::instance().wakeUp();
    return runs;
}

bool PeriodicTimer::startQuietly(Callback callback, void* context, uint32_t intervalMs) {
    if (!Service::instance().alive()) return false;
    uint32_t sequence = 0;
    // A start or stop of this timer on another thread is writing right now:
    // that call wins, and this one must not wait for it.
    if (!tryBeginWrite(*state_, sequence)) return true;
    state_->callback.store(callback);
    state_->context.store(context);
    state_->intervalMs.store(intervalMs);
    state_->armed.store(true);
    endWrite(*state_, sequence);
    return true;
}

void PeriodicTimer::expectQuietStartFrom(uint32_t tick) {
    state_->quietStartFrom.store(tick, std::memory_order_relaxed);
    state_->quietStartExpected.store(true, std::memory_order_release);
}

void PeriodicTimer::stop() { Service::instance().stop(state_); }

bool PeriodicTimer::running() const { return state_->armed.load(); }

} // namespace os
