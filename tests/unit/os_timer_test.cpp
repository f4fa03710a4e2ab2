#include "framework/platform/Timer_c.h"
#include "os/Clock.h"
#include "os/FileSystem.h"
#include "os/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

template <typename Condition>
bool waitUntil(Condition condition, unsigned timeoutMs) {
    const uint32_t start = os::tickMs();
    while (!condition()) {
        if (os::tickDiff(os::tickMs(), start) > static_cast<int32_t>(timeoutMs)) return false;
        os::sleepMs(1);
    }
    return true;
}

// A wait that failed because of a deadlock cannot be cleaned up: report and
// leave at once instead of hanging the test run.
void failHung(const char* what) {
    std::fprintf(stderr, "hung: %s\n", what);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

std::size_t threadCount() {
    std::vector<os::DirEntry> tasks;
    os::listDirectory("/proc/self/task", tasks);
    return tasks.size();
}

// How often the service thread ("kelvanti-timer") has gone to sleep: each
// wait that sleeps is one voluntary context switch. -1 while there is none.
long serviceSleeps() {
    std::vector<os::DirEntry> tasks;
    os::listDirectory("/proc/self/task", tasks);
    for (const os::DirEntry& task : tasks) {
        const std::string folder = "/proc/self/task/" + task.name;
        std::ifstream comm(folder + "/comm");
        std::string name;
        if (!std::getline(comm, name) || name != "kelvanti-timer") continue;
        std::ifstream status(folder + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
    }
    return -1;
}

bool underEmulation() {
    const char* native = std::getenv("KELVANTI_I386_NATIVE");
    return native && std::string(native) == "0";
}

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    unsigned workMs = 0;
};

void countCall(void* context) {
    auto* counter = static_cast<Counter*>(context);
    if (counter->inside.fetch_add(1) != 0) counter->overlapped = true;
    if (counter->workMs) os::sleepMs(counter->workMs);
    counter->calls.fetch_add(1);
    counter->inside.fetch_sub(1);
}

} // namespace

TEST(OsTimer, ManyTimersRunWithoutOverlapAndStopForGood) {
    constexpr int kTimers = 24; // far beyond the four slots of the Windows original
    std::vector<Counter> counters(kTimers);
    std::vector<std::unique_ptr<Timer_c>> timers;
    for (int i = 0; i < kTimers; ++i) {
        timers.push_back(std::make_unique<Timer_c>());
        EXPECT_EQ(timers.back()->interval(), 50u);
        EXPECT_FALSE(timers.back()->isRunning());
        counters[i].workMs = (i % 3 == 0) ? 3 : 0; // some callbacks outlast their 1-2 ms interval
        ASSERT_TRUE(timers.back()->start(&countCall, 1 + i % 2, &counters[i]));
        EXPECT_TRUE(timers.back()->isRunning());
        EXPECT_EQ(timers.back()->context(), &counters[i]);
        EXPECT_EQ(timers.back()->callback(), &countCall);
        EXPECT_EQ(timers.back()->interval(), 1u + i % 2);
    }
    EXPECT_TRUE(waitUntil([&] {
        for (const Counter& c : counters)
            if (c.calls < 5) return false;
        return true;
    }, 10000)) << "not every timer fired";

    std::vector<int> countsAtStop(kTimers);
    for (int i = 0; i < kTimers; ++i) {
        timers[i]->stop();
        countsAtStop[i] = counters[i].calls;
        EXPECT_FALSE(timers[i]->isRunning());
    }
    os::sleepMs(40);
    for (int i = 0; i < kTimers; ++i) {
        EXPECT_FALSE(counters[i].overlapped) << "timer " << i;
        EXPECT_EQ(counters[i].calls, countsAtStop[i]) << "timer " << i << " fired after stop";
    }

    // A stopped timer starts again.
    ASSERT_TRUE(timers[0]->start(&countCall, 2, &counters[0]));
    EXPECT_TRUE(waitUntil([&] { return counters[0].calls > countsAtStop[0]; }, 5000));
}

TEST(OsTimer, StopAndDestructionWaitForARunningCallback) {
    struct Slow {
        std::atomic<bool> entered{false};
        std::atomic<bool> finished{false};
    } slow;
    auto slowCallback = [](void* context) {
        auto* s = static_cast<Slow*>(context);
        s->entered = true;
        os::sleepMs(150);
        s->finished = true;
    };

    {
        os::PeriodicTimer timer;
        ASSERT_TRUE(timer.start(slowCallback, &slow, 1));
        ASSERT_TRUE(waitUntil([&] { return slow.entered.load(); }, 5000));
        timer.stop();
        EXPECT_TRUE(slow.finished) << "stop returned while the callback ran";
    }

    slow.entered = false;
    slow.finished = false;
    {
        os::PeriodicTimer timer;
        ASSERT_TRUE(timer.start(slowCallback, &slow, 1));
        ASSERT_TRUE(waitUntil([&] { return slow.entered.load(); }, 5000));
    } // destroyed while its callback runs
    EXPECT_TRUE(slow.finished) << "destructor returned while the callback ran";
}

TEST(OsTimer, TimerStartedFromAThreadThatEndedStillFires) {
    Counter counter;
    Timer_c timer;
    std::thread starter([&] { EXPECT_TRUE(timer.start(&countCall, 5, &counter)); });
    starter.join();
    EXPECT_TRUE(waitUntil([&] { return counter.calls >= 3; }, 5000));
    timer.stop();
}

TEST(OsTimer, StoppingOrDestroyingInsideItsOwnCallback) {
    struct SelfStopper {
        os::PeriodicTimer* timer = nullptr;
        std::atomic<int> calls{0};
        std::atomic<bool> stopReturned{false};
    } stopper;
    {
        os::PeriodicTimer timer;
        stopper.timer = &timer;
        ASSERT_TRUE(timer.start(
            [](void* context) {
                auto* s = static_cast<SelfStopper*>(context);
                s->calls.fetch_add(1);
                s->timer->stop();
                s->stopReturned = true;
            },
            &stopper, 1));
        if (!waitUntil([&] { return stopper.stopReturned.load(); }, 5000)) failHung("stop inside its own callback");
        os::sleepMs(30);
        EXPECT_EQ(stopper.calls, 1);
        EXPECT_FALSE(timer.running());
    }

    // The last timer of the process destroyed inside its own callback: the
    // service lets go of it afterwards, and a new timer works.
    struct SelfDestroyer {
        os::PeriodicTimer* timer = nullptr;
        std::atomic<bool> destroyed{false};
    } destroyer;
    destroyer.timer = new os::PeriodicTimer;
    ASSERT_TRUE(destroyer.timer->start(
        [](void* context) {
            auto* d = static_cast<SelfDestroyer*>(context);
            delete d->timer;
            d->destroyed = true;
        },
        &destroyer, 1));
    if (!waitUntil([&] { return destroyer.destroyed.load(); }, 5000)) failHung("destruction inside its own callback");

    Counter counter;
    os::PeriodicTimer later;
    ASSERT_TRUE(later.start(&countCall, &counter, 2));
    EXPECT_TRUE(waitUntil([&] { return counter.calls >= 2; }, 5000));
}

TEST(OsTimer, ServiceThreadEndsWithTheLastTimer) {
    // Once every timer is gone no code of ours may run (the host may unload
    // the library): the service thread must have ended, not merely idle.
    // Under user-mode emulation (the 32-bit build on a kernel without 32-bit
    // support) the emulator runs threads of its own, so the count says nothing.
    if (underEmulation()) GTEST_SKIP() << "thread count not observable under emulation";
    { os::PeriodicTimer warmUp; } // sanitizers start helper threads with the first thread
    // Under an emulator (32-bit tests under qemu) an ended thread can linger in
    // the task list for a moment: take the count once it has settled.
    std::size_t before = threadCount();
    for (int i = 0; i < 100; ++i) {
        os::sleepMs(20);
        const std::size_t now = threadCount();
        if (now == before) break;
        before = now;
    }
    ASSERT_GT(before, 0u);
    Counter counter;
    {
        os::PeriodicTimer first;
        os::PeriodicTimer second;
        EXPECT_TRUE(waitUntil([&] { return threadCount() == before + 1; }, 5000))
            << "one service thread for all timers: " << threadCount() << " threads, " << before << " before";
        first.start(&countCall, &counter, 1);
        second.start(&countCall, &counter, 1);
        EXPECT_TRUE(waitUntil([&] { return counter.calls >= 4; }, 5000));
    }
    EXPECT_TRUE(waitUntil([&] { return threadCount() == before; }, 5000))
        << threadCount() << " threads, " << before << " before";
}

TEST(OsTimer, StartAndStopRacingFromSeveralThreads) {
    Counter counter;
    os::PeriodicTimer timer;
    std::atomic<bool> go{false};
    // The audio thread's watchdog restarts the timer while the host's thread stops it.
    std::thread starter([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 3000; ++i) timer.start(&countCall, &counter, 1);
    });
    std::thread stopper([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 300; ++i) timer.stop();
    });
    go = true;
    starter.join();
    stopper.join();
    timer.stop();
    const int calls = counter.calls;
    os::sleepMs(20);
    EXPECT_EQ(counter.calls, calls) << "a callback came after the final stop";
    EXPECT_FALSE(counter.overlapped);
    EXPECT_FALSE(timer.running());
}

// The service sleeps while no timer is due: over an idle second it wakes
// about never (it used to look for starts every 5 ms, 200 times a second); a
// start wakes it at once; with a 25 ms timer it wakes about once per callback.
TEST(OsTimer, ServiceSleepsUntilATimerIsDue) {
    const bool observable = !underEmulation();
    Counter counter;
    os::PeriodicTimer timer;
    ASSERT_TRUE(waitUntil([] { return serviceSleeps() >= 0 || underEmulation(); }, 5000));
    os::sleepMs(100);
    const long idleFrom = serviceSleeps();
    os::sleepMs(1000);
    if (observable) {
        EXPECT_LE(serviceSleeps() - idleFrom, 3) << "wake-ups in an idle second";
    }

    const uint32_t started = os::tickMs();
    ASSERT_TRUE(timer.start(&countCall, &counter, 25));
    ASSERT_TRUE(waitUntil([&] { return counter.calls >= 1; }, 5000));
    EXPECT_LT(os::tickDiff(os::tickMs(), started), 500) << "a start must wake the service";
    const long busyFrom = serviceSleeps();
    const int callsFrom = counter.calls;
    os::sleepMs(1000);
    const long wakes = serviceSleeps() - busyFrom;
    const int calls = counter.calls - callsFrom;
    EXPECT_GE(calls, 20) << "a 25 ms timer over a second";
    EXPECT_LE(calls, 41);
    if (observable) {
        EXPECT_LE(wakes, calls + 4) << "wake-ups beside " << calls << " callbacks";
    }
}

// A quiet start (the audio thread's: no system call) that nobody announced
// is found within the service's longest sleep. A new service's first sleep
// is that long, with this its only timer.
TEST(OsTimer, AnUnannouncedQuietStartIsFoundWithinTheLongestSleep) {
    Counter counter;
    os::PeriodicTimer timer;
    os::sleepMs(50);
    const uint32_t started = os::tickMs();
    ASSERT_TRUE(timer.startQuietly(&countCall, &counter, 20));
    ASSERT_TRUE(waitUntil([&] { return counter.calls >= 1; }, 5000));
    EXPECT_LE(os::tickDiff(os::tickMs(), started), static_cast<int32_t>(os::PeriodicTimer::kQuietStartNoticeMs) + 300);
}
