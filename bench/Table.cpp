#include "bench/Table.h"

#include <cstdio>

namespace bench {

void printTable(const std::vector<Summary>& rows) {
    std::printf("%-8s %6s %6s %14s %12s %12s %10s %10s %8s\n", "rate", "voices", "runs", "ns/voice-smp",
                "ns/sample", "real-time x", "% core", "% wall", "level");
    for (const Summary& s : rows) {
        std::printf("%-8.0f %6d %6d %14.3f %12.3f %12.0f %10.4f %10.4f %8.2f\n", s.workload.rate,
                    s.workload.voices, s.runs, s.nsPerVoiceSample(), s.nsPerSample(), s.realTimeFactor(),
                    s.corePercent(), s.wallCorePercent(), s.workload.voices > 0 ? s.levelKept : 0.0);
    }
    std::printf("CPU time of the processing thread, median of the runs; %% wall from wall-clock time.\n"
                "ns/voice-smp: per sounding voice and sample (idle: per sample). level: the last timed\n"
                "block's level over the first's (near 1: the notes sounded throughout).\n");
}

bool writeCsv(const std::string& path, const std::vector<Summary>& rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "rate,voices,block,runs,seconds,ns_per_voice_sample,ns_per_sample,real_time_factor,"
                    "core_percent,wall_core_percent,level_kept\n");
    for (const Summary& s : rows) {
        std::fprintf(f, "%.0f,%d,%d,%d,%.3f,%.4f,%.4f,%.1f,%.5f,%.5f,%.3f\n", s.workload.rate, s.workload.voices,
                     s.workload.block, s.runs, s.audioSeconds(), s.nsPerVoiceSample(), s.nsPerSample(),
                     s.realTimeFactor(), s.corePercent(), s.wallCorePercent(),
                     s.workload.voices > 0 ? s.levelKept : 0.0);
    }
    return std::fclose(f) == 0;
}

} // namespace bench
