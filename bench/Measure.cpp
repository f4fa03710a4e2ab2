#include "bench/Measure.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include "bench/EngineRig.h"
#include "tools/host/watch/AudioCallWatch.h"

namespace bench {

double clockSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

namespace {

double rmsOf(const vsthost::AudioBuffers& out) {
    double sum = 0.0;
    for (int c = 0; c < out.channels(); ++c)
        for (float x : out.channel(c)) sum += static_cast<double>(x) * x;
    return std::sqrt(sum / (out.channels() * out.frames()));
}

std::int64_t blocksFor(double seconds, const Workload& w) {
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(seconds * w.rate / w.block)));
}

} // namespace

Measurement measure(const std::string& pluginPath, const Workload& w, bool watchAllocations) {
    Measurement m;
    EngineRig rig(pluginPath, w.rate, w.block);
    if (!rig.ok()) {
        m.error = rig.error();
        return m;
    }
    m.decaysSet = rig.setLongestDecays(m.decayDisplay);
    rig.watchAllocations(watchAllocations);
    if (watchAllocations) vsthost::resetAudioCallCounts();
    rig.holdNotes(w.voices);
    for (std::int64_t b = blocksFor(w.warmupSeconds, w); b > 0; --b) rig.process();

    const std::int64_t blocks = blocksFor(w.seconds, w);
    rig.process();
    m.firstRms = rmsOf(rig.output());
    CALLGRIND_TOGGLE_COLLECT;
    const double cpu0 = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double wall0 = clockSeconds(CLOCK_MONOTONIC);
    for (std::int64_t b = 0; b < blocks; ++b) rig.process();
    const double wall1 = clockSeconds(CLOCK_MONOTONIC);
    const double cpu1 = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
    CALLGRIND_TOGGLE_COLLECT;
    m.lastRms = rmsOf(rig.output());
    if (watchAllocations) m.allocations = vsthost::audioCallCounts().allocations;

    m.frames = blocks * w.block;
    m.cpuSeconds = cpu1 - cpu0;
    m.wallSeconds = wall1 - wall0;
    m.ok = true;
    return m;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

bool summarise(const std::string& pluginPath, const Workload& workload, int runs, Summary& out, std::string& error) {
    std::vector<double> cpu, wall;
    out = Summary{};
    out.workload = workload;
    out.levelKept = 1e300;
    for (int r = 0; r < runs; ++r) {
        const Measurement m = measure(pluginPath, workload);
        if (!m.ok) {
            error = m.error;
            return false;
        }
        cpu.push_back(m.cpuSeconds);
        wall.push_back(m.wallSeconds);
        out.frames = m.frames;
        const double kept = m.firstRms > 0.0 ? m.lastRms / m.firstRms : 0.0;
        out.levelKept = std::min(out.levelKept, kept);
    }
    out.runs = runs;
    out.cpuSeconds = median(cpu);
    out.wallSeconds = median(wall);
    return true;
}

} // namespace bench
