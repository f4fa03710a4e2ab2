#pragma once
// Runs a program and collects what it printed: for tests of our command-line
// tools. The argument vector is passed as is (no shell).
#include <string>
#include <vector>

namespace vsthost {

struct ProcessResult {
    bool started = false;
    int exitCode = -1;        // the exit status, or 128 + signal number
    std::string out;          // standard output
    std::string err;          // standard error
};

// What the program's standard output is: a pipe, or one end of a socket pair.
enum class StandardOutputKind { Pipe, Socket };

ProcessResult runProcess(const std::vector<std::string>& argv,
                         StandardOutputKind outputKind = StandardOutputKind::Pipe);

// Splits a wrapper prefix ("" or "/path/run-i386") into arguments at blanks.
std::vector<std::string> splitCommandPrefix(const std::string& prefix);

} // namespace vsthost
