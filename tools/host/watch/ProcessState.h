#pragma once
// What a plug-in must leave as the host set it: the C locale categories and
// the C++ global locale, the current directory, the environment, the signal
// dispositions and the floating-point control state of the calling thread.
#include <string>
#include <vector>

namespace vsthost {

struct ProcessState {
    std::string localeAll;          // setlocale(LC_ALL, nullptr)
    std::string localeNumeric;      // setlocale(LC_NUMERIC, nullptr)
    std::string globalLocale;       // std::locale().name()
    std::string currentDirectory;
    std::vector<std::string> environment;   // "NAME=value", sorted
    std::vector<std::string> signalHandlers; // "signal: handler flags" for every signal
    unsigned floatingPointControl = 0;       // rounding mode and flush/denormal modes

    static ProcessState capture();
};

enum class ProcessAspect { Locale, DirectoryAndEnvironment, SignalHandlers, FloatingPointControl };

// One line per difference in that aspect, naming what changed; empty when equal.
std::vector<std::string> describeChanges(const ProcessState& before, const ProcessState& after,
                                         ProcessAspect aspect);

} // namespace vsthost
