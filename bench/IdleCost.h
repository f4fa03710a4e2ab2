#pragma once
// What an instance costs while nothing plays, as a host feels it: the host's
// audio thread renders a block of silence whenever one is due (256 frames at
// 48 kHz, in real time), and a host that supplies idle calls effIdle every
// 25 ms from its own thread. Measured over a stretch after the instance
// settled (past the plug-in's one-second idle watchdog), as shares of one core:
//   process  the whole process's CPU time, the host's own included;
//   plug-in  CPU time inside the plug-in's calls on the host's threads plus
//            all of any thread the plug-in runs: the host's wake-ups, the same
//            for every plug-in, left out;
//   threads  of that, the threads the plug-in runs (a timer's, say).
#include <string>

namespace bench {

struct IdleCost {
    bool ok = false;
    std::string error;
    double processPercent = 0.0;
    double pluginPercent = 0.0;
    double threadsPercent = 0.0;
    double seconds = 0.0;   // the measured stretch, wall clock
};

IdleCost measureIdleCost(const std::string& pluginPath, bool hostSuppliesIdle, double seconds);

} // namespace bench
