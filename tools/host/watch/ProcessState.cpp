#include "tools/host/watch/ProcessState.h"

#include <algorithm>
#include <cfenv>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <locale>
#include <signal.h>
#include <unistd.h>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

extern char** environ;

namespace vsthost {
namespace {

std::string localeOf(int category) {
    const char* name = std::setlocale(category, nullptr);
    return name ? name : "(none)";
}

std::string workingDirectory() {
    std::vector<char> buffer(4096);
    return ::getcwd(buffer.data(), buffer.size()) ? buffer.data() : "(unreadable)";
}

std::vector<std::string> environmentEntries() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> signalDispositions() {
    std::vector<std::string> dispositions;
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action {};
        if (::sigaction(signal, nullptr, &action) != 0) continue;
        const void* handler = (action.sa_flags & SA_SIGINFO) ? reinterpret_cast<const void*>(action.sa_sigaction)
                                                             : reinterpret_cast<const void*>(action.sa_handler);
        char line[96];
        std::snprintf(line, sizeof line, "signal %d: handler %p flags 0x%x", signal, handler,
                      static_cast<unsigned>(action.sa_flags));
        dispositions.emplace_back(line);
    }
    return dispositions;
}

// The control half of the SSE control word (the sticky exception flags in the
// low six bits change with ordinary arithmetic) plus the C rounding mode.
unsigned floatingPointControlWord() {
    unsigned control = static_cast<unsigned>(std::fegetround()) << 16;
#if defined(__SSE__) || defined(__x86_64__)
    control |= _mm_getcsr() & ~0x3Fu;
#endif
    return control;
}

void compareLists(const char* what, const std::vector<std::string>& before, const std::vector<std::string>& after,
                  std::vector<std::string>& changes) {
    for (const std::string& entry : before) {
        if (!std::binary_search(after.begin(), after.end(), entry)) changes.push_back(std::string(what) + " lost: " + entry);
    }
    for (const std::string& entry : after) {
        if (!std::binary_search(before.begin(), before.end(), entry)) changes.push_back(std::string(what) + " new: " + entry);
    }
}

} // namespace

ProcessState ProcessState::capture() {
    ProcessState state;
    state.localeAll = localeOf(LC_ALL);
    state.localeNumeric = localeOf(LC_NUMERIC);
    state.globalLocale = std::locale().name();
    state.currentDirectory = workingDirectory();
    state.environment = environmentEntries();
    state.signalHandlers = signalDispositions();
    std::sort(state.signalHandlers.begin(), state.signalHandlers.end());
    state.floatingPointControl = floatingPointControlWord();
    return state;
}

std::vector<std::string> describeChanges(const ProcessState& before, const ProcessState& after,
                                         ProcessAspect aspect) {
    std::vector<std::string> changes;
    auto compare = [&changes](const char* what, const std::string& a, const std::string& b) {
        if (a != b) changes.push_back(std::string(what) + ": '" + a + "' became '" + b + "'");
    };
    switch (aspect) {
    case ProcessAspect::Locale:
        compare("LC_ALL", before.localeAll, after.localeAll);
        compare("LC_NUMERIC", before.localeNumeric, after.localeNumeric);
        compare("global C++ locale", before.globalLocale, after.globalLocale);
        break;
    case ProcessAspect::DirectoryAndEnvironment:
        compare("current directory", before.currentDirectory, after.currentDirectory);
        compareLists("environment", before.environment, after.environment, changes);
        break;
    case ProcessAspect::SignalHandlers:
        compareLists("signal disposition", before.signalHandlers, after.signalHandlers, changes);
        break;
    case ProcessAspect::FloatingPointControl:
        if (before.floatingPointControl != after.floatingPointControl) {
            char line[96];
            std::snprintf(line, sizeof line, "floating-point control: 0x%x became 0x%x",
                          before.floatingPointControl, after.floatingPointControl);
            changes.emplace_back(line);
        }
        break;
    }
    return changes;
}

} // namespace vsthost
