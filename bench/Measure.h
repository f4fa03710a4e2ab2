#pragma once
// One measured workload: an instance at a rate with some notes held, warmed
// up, then a stretch of blocks timed as a whole (thread CPU time and wall
// time). Under callgrind only the timed stretch is collected.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace bench {

// A clock_gettime reading in seconds (thread or process CPU time, monotonic wall time).
double clockSeconds(clockid_t clock);

struct Workload {
    float rate = 48000.0f;
    int voices = 24;
    int block = 256;
    double warmupSeconds = 0.25;
    double seconds = 2.0;
};

struct Measurement {
    bool ok = false;
    std::string error;
    std::int64_t frames = 0;
    double cpuSeconds = 0.0;     // this thread's CPU time over the timed blocks
    double wallSeconds = 0.0;
    double firstRms = 0.0;       // level of the first and the last timed block:
    double lastRms = 0.0;        // notes still sounding keep it
    std::uint64_t allocations = 0;   // counted only with watchAllocations
    int decaysSet = 0;
    std::string decayDisplay;
};

Measurement measure(const std::string& pluginPath, const Workload& workload, bool watchAllocations = false);

// The median of several runs' figures.
struct Summary {
    Workload workload;
    int runs = 0;
    double cpuSeconds = 0.0;     // medians
    double wallSeconds = 0.0;
    double levelKept = 0.0;      // smallest last/first level of the runs
    std::int64_t frames = 0;

    double audioSeconds() const { return static_cast<double>(frames) / workload.rate; }
    double nsPerSample() const { return cpuSeconds * 1e9 / static_cast<double>(frames); }
    // Per voice-sample for sounding voices; per sample for an idle instance.
    double nsPerVoiceSample() const { return nsPerSample() / (workload.voices > 0 ? workload.voices : 1); }
    double realTimeFactor() const { return audioSeconds() / cpuSeconds; }
    double corePercent() const { return 100.0 * cpuSeconds / audioSeconds(); }
    double wallCorePercent() const { return 100.0 * wallSeconds / audioSeconds(); }
};

double median(std::vector<double> values);

// Runs the workload `runs` times; false with the first run's error.
bool summarise(const std::string& pluginPath, const Workload& workload, int runs, Summary& out, std::string& error);

} // namespace bench
