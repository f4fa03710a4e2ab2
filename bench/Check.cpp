#include "bench/Check.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "bench/FixedRender.h"
#include "bench/Measure.h"
#include "tools/host/watch/AudioCallWatch.h"

namespace bench {
namespace {

// The fixed render's checksum as the engine renders it now. Optimisations
// must keep the output bit for bit: a change here means the sound changed.
constexpr std::uint64_t kExpectedChecksum = 0xcb741c1b3345c525ull;

// Loose, so a loaded CI machine never fails it; the targets are far below.
// The fastest of the runs is held to it: load only ever adds time.
constexpr double kCorePercentBound = 5.0;
constexpr int kRuns = 5;

} // namespace

int runCheck(const std::string& pluginPath) {
    int failures = 0;
    Workload w;
    w.rate = 48000.0f;
    w.voices = 24;
    w.seconds = 0.5;
    std::vector<double> percents;
    for (int run = 0; run < kRuns; ++run) {
        const Measurement m = measure(pluginPath, w, vsthost::allocationWatchAvailable());
        if (!m.ok) {
            std::printf("FAIL cannot load %s: %s\n", pluginPath.c_str(), m.error.c_str());
            return 1;
        }
        percents.push_back(100.0 * m.cpuSeconds / (static_cast<double>(m.frames) / w.rate));
        if (m.allocations != 0) {
            std::printf("FAIL %" PRIu64 " allocations while processing\n", m.allocations);
            ++failures;
        }
        if (m.decaysSet < 1 || !(m.firstRms > 1e-4) || m.lastRms < 0.25 * m.firstRms) {
            std::printf("FAIL the notes did not sound throughout (%d decays set, level %g then %g)\n",
                        m.decaysSet, m.firstRms, m.lastRms);
            ++failures;
        }
    }
    const double percent = *std::min_element(percents.begin(), percents.end());
    std::printf("24 voices at 48 kHz: %.4f %% of one core at best, %.4f %% median (bound %.1f %%)\n", percent,
                median(percents), kCorePercentBound);
    if (percent > kCorePercentBound) {
        std::printf("FAIL above the bound\n");
        ++failures;
    }
    if (!vsthost::allocationWatchAvailable()) std::printf("allocations not watched in this build\n");

    std::uint64_t checksum = 0;
    float peak = 0.0f;
    std::string error;
    if (!fixedRenderChecksum(pluginPath, checksum, peak, error)) {
        std::printf("FAIL fixed render: %s\n", error.c_str());
        return 1;
    }
    std::printf("fixed render checksum %016" PRIx64 " (expected %016" PRIx64 ")\n", checksum, kExpectedChecksum);
    if (!(peak > 0.01f)) {
        std::printf("FAIL the fixed render is silent (peak %g)\n", peak);
        ++failures;
    }
    if (checksum != kExpectedChecksum) {
        std::printf("FAIL the engine's output changed\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace bench
