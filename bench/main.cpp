// kelvanti-bench: what the engine costs, measured through our host.
//   kelvanti-bench [--plugin P] [--seconds S] [--runs N] [--csv FILE]   the table
//   kelvanti-bench --check                                    the short CI version
//   kelvanti-bench --workload VOICES RATE SECONDS             one run (for callgrind)
//   kelvanti-bench --checksum                                 the fixed render's checksum
//   kelvanti-bench --write-midi FILE                          the peers' MIDI file
//   kelvanti-bench [--plugin P] [--seconds S] --idle-cost [--no-host-idle]
//                                                             an idle instance's CPU share
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Check.h"
#include "bench/FixedRender.h"
#include "bench/IdleCost.h"
#include "bench/Measure.h"
#include "bench/PeerPattern.h"
#include "bench/Table.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: kelvanti-bench [--plugin P] [--seconds S] [--runs N] [--csv FILE]\n"
                         "       kelvanti-bench [--plugin P] --check | --checksum\n"
                         "       kelvanti-bench [--plugin P] --workload VOICES RATE SECONDS\n"
                         "       kelvanti-bench --write-midi FILE\n"
                         "       kelvanti-bench [--plugin P] [--seconds S] --idle-cost [--no-host-idle]\n");
    return 2;
}

int runTable(const std::string& plugin, double seconds, int runs, const std::string& csv) {
    std::vector<bench::Summary> rows;
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (int voices : {24, 1, 0}) {
            bench::Workload w;
            w.rate = rate;
            w.voices = voices;
            w.seconds = seconds;
            bench::Summary s;
            std::string error;
            if (!bench::summarise(plugin, w, runs, s, error)) {
                std::fprintf(stderr, "kelvanti-bench: %s\n", error.c_str());
                return 1;
            }
            rows.push_back(s);
        }
    }
    bench::printTable(rows);
    if (!csv.empty() && !bench::writeCsv(csv, rows)) {
        std::fprintf(stderr, "kelvanti-bench: cannot write %s\n", csv.c_str());
        return 1;
    }
    if (!csv.empty()) std::printf("written: %s\n", csv.c_str());
    return 0;
}

int runWorkload(const std::string& plugin, int voices, float rate, double seconds) {
    bench::Workload w;
    w.voices = voices;
    w.rate = rate;
    w.seconds = seconds;
    const bench::Measurement m = bench::measure(plugin, w);
    if (!m.ok) {
        std::fprintf(stderr, "kelvanti-bench: %s\n", m.error.c_str());
        return 1;
    }
    std::printf("workload voices=%d rate=%.0f frames=%" PRId64 " level=%g..%g decays=%d (%s)\n", voices, rate,
                m.frames, m.firstRms, m.lastRms, m.decaysSet, m.decayDisplay.c_str());
    return 0;
}

int runIdleCost(const std::string& plugin, bool hostSuppliesIdle, double seconds) {
    const bench::IdleCost cost = bench::measureIdleCost(plugin, hostSuppliesIdle, seconds);
    if (!cost.ok) {
        std::fprintf(stderr, "kelvanti-bench: %s\n", cost.error.c_str());
        return 1;
    }
    std::printf("idle instance, host idles: %s, %.1f s: process %.4f %% of a core, plug-in %.4f %%, "
                "its threads %.4f %%\n",
                hostSuppliesIdle ? "yes" : "no", cost.seconds, cost.processPercent, cost.pluginPercent,
                cost.threadsPercent);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string plugin = KELVANTI_PLUGIN_PATH;
    std::string csv;
    double seconds = 2.0;
    int runs = 5;
    bool idleCost = false;
    bool hostSuppliesIdle = true;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--plugin" && hasValue) plugin = args[++i];
        else if (a == "--csv" && hasValue) csv = args[++i];
        else if (a == "--seconds" && hasValue) seconds = std::atof(args[++i].c_str());
        else if (a == "--runs" && hasValue) runs = std::atoi(args[++i].c_str());
        else if (a == "--idle-cost") idleCost = true;
        else if (a == "--no-host-idle") hostSuppliesIdle = false;
        else if (a == "--check") return bench::runCheck(plugin);
        else if (a == "--checksum") {
            std::uint64_t sum = 0;
            float peak = 0.0f;
            std::string error;
            if (!bench::fixedRenderChecksum(plugin, sum, peak, error)) {
                std::fprintf(stderr, "kelvanti-bench: %s\n", error.c_str());
                return 1;
            }
            std::printf("%016" PRIx64 " (peak %.3f)\n", sum, peak);
            return 0;
        } else if (a == "--workload" && i + 3 < args.size()) {
            return runWorkload(plugin, std::atoi(args[i + 1].c_str()), static_cast<float>(std::atof(args[i + 2].c_str())),
                               std::atof(args[i + 3].c_str()));
        } else if (a == "--write-midi" && hasValue) {
            std::string error;
            if (!bench::writePeerPattern(args[i + 1], error)) {
                std::fprintf(stderr, "kelvanti-bench: %s\n", error.c_str());
                return 1;
            }
            return 0;
        } else return usage();
    }
    if (runs < 1 || !(seconds > 0.0)) return usage();
    if (idleCost) return runIdleCost(plugin, hostSuppliesIdle, seconds);
    return runTable(plugin, seconds, runs, csv);
}
