#include "bench/IdleCost.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <pthread.h>
#include <thread>

#include "bench/EngineRig.h"
#include "bench/Measure.h"

namespace bench {
namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr double kSettleSeconds = 1.5;
constexpr std::chrono::milliseconds kHostIdlePeriod{25};

using Clock = std::chrono::steady_clock;

Clock::duration secondsOf(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::int64_t threadCpuNs() { return static_cast<std::int64_t>(clockSeconds(CLOCK_THREAD_CPUTIME_ID) * 1e9); }

// Runs call and adds the CPU time this thread spent in it to total.
template <typename Call>
void timed(std::atomic<std::int64_t>& total, Call call) {
    const std::int64_t before = threadCpuNs();
    call();
    total.fetch_add(threadCpuNs() - before);
}

// The CPU figures of one moment.
struct Reading {
    double process = 0.0;
    double audioThread = 0.0;
    double hostThread = 0.0;
    double insideCalls = 0.0;
    double wall = 0.0;
};

} // namespace

IdleCost measureIdleCost(const std::string& pluginPath, bool hostSuppliesIdle, double seconds) {
    IdleCost cost;
    EngineRig rig(pluginPath, kRate, kBlock, hostSuppliesIdle);
    if (!rig.ok()) {
        cost.error = rig.error();
        return cost;
    }
    std::atomic<bool> playing{true};
    std::atomic<std::int64_t> insideNs{0};
    std::thread audio([&] {
        const Clock::duration period = secondsOf(kBlock / static_cast<double>(kRate));
        Clock::time_point due = Clock::now();
        while (playing.load()) {
            timed(insideNs, [&] { rig.process(); });
            due += period;
            std::this_thread::sleep_until(due);
        }
    });
    clockid_t audioClock{};
    pthread_getcpuclockid(audio.native_handle(), &audioClock);
    auto read = [&] {
        Reading r;
        r.process = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        r.audioThread = clockSeconds(audioClock);
        r.hostThread = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        r.insideCalls = 1e-9 * static_cast<double>(insideNs.load());
        r.wall = clockSeconds(CLOCK_MONOTONIC);
        return r;
    };
    // The host's own thread: its idle calls, or nothing.
    auto hostFor = [&](double stretch) {
        const Clock::time_point end = Clock::now() + secondsOf(stretch);
        Clock::time_point nextIdle = Clock::now();
        while (Clock::now() < end) {
            if (!hostSuppliesIdle) {
                std::this_thread::sleep_until(end);
                break;
            }
            timed(insideNs, [&] { rig.plugin().dispatch(effIdle); });
            nextIdle += kHostIdlePeriod;
            std::this_thread::sleep_until(std::min(nextIdle, end));
        }
    };
    hostFor(kSettleSeconds);
    const Reading from = read();
    hostFor(seconds);
    const Reading to = read();
    playing = false;
    audio.join();

    cost.seconds = to.wall - from.wall;
    const double process = to.process - from.process;
    const double hostThreads = (to.audioThread - from.audioThread) + (to.hostThread - from.hostThread);
    const double pluginThreads = process - hostThreads;
    cost.processPercent = 100.0 * process / cost.seconds;
    cost.pluginPercent = 100.0 * ((to.insideCalls - from.insideCalls) + pluginThreads) / cost.seconds;
    cost.threadsPercent = 100.0 * pluginThreads / cost.seconds;
    cost.ok = true;
    return cost;
}

} // namespace bench
