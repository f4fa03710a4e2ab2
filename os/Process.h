#pragma once
// Child processes (the dialog helpers): started with posix_spawn and an
// argument vector, never through a shell, never changing the current
// directory or the host's environment. Blocking calls take a time limit.
#include <cstddef>
#include <string>
#include <vector>

namespace os {

struct ChildProcess {
    int pid = -1;
    int outputFd = -1; // read end of the child's stdout when captured
};

// Full path of an executable file called name in a folder of PATH ("" when none).
std::string findOnPath(const std::string& name);

// The process's environment ("NAME=value" entries) without the named variables.
// Reads the environment; never changes it.
std::vector<std::string> environmentWithout(const std::vector<std::string>& names);

// Starts program (a path) with argv (argv[0] included) and environment env.
// stdin reads and stderr writes /dev/null; stdout goes to /dev/null, or with
// captureOutput into a pipe read through readOutput. False when it could not start.
bool startProcess(const std::string& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env, bool captureOutput, ChildProcess& child);

enum class ReadStatus { Data, Timeout, End };
// Appends what the child wrote within timeoutMs, keeping at most maxBytes in
// output (more is read and dropped so the child never blocks on a full pipe).
ReadStatus readOutput(ChildProcess& child, std::string& output, std::size_t maxBytes, int timeoutMs);
void closeOutput(ChildProcess& child);

// Waits up to timeoutMs for the child to end and collects it. True when it
// ended: exitCode is its exit status, or -1 when a signal ended it or someone
// else (a host's SIGCHLD handler) collected it first.
bool waitForExit(ChildProcess& child, int timeoutMs, int& exitCode);

void terminateProcess(const ChildProcess& child); // SIGTERM

// Writes one line (a newline is added) to the process's standard error in
// one write: notices for the user where no box is shown. Any thread but the
// audio thread.
void printNotice(const std::string& line);
void killProcess(const ChildProcess& child);      // SIGKILL

// Closes the output and lets a background reaper collect the child when it
// ends, without blocking the caller. The reaper thread exists only while it
// has children to collect.
void reapInBackground(ChildProcess child);

// Diagnostics and tests: this process's id, the ids of its live child
// processes and a process's argument vector (empty when unknown).
int currentProcessId();
std::vector<int> childProcessIds();
std::vector<std::string> processArguments(int pid);

} // namespace os
