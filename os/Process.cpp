#include "os/Process.h"

#include "os/Clock.h"
#include "os/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace os {
namespace {

std::vector<char*> cStrings(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

int decodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Collects the child when it has ended: true then, with its exit code.
bool collect(int pid, int& exitCode) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == pid) {
        exitCode = decodeStatus(status);
        return true;
    }
    if (result < 0 && errno != EINTR) {
        exitCode = -1; // ECHILD: already collected elsewhere
        return true;
    }
    return false;
}

// Collects helpers nobody waits for (error boxes). Its thread runs only while
// there are children to collect, and is joined before the library goes away.
class Reaper {
public:
    static Reaper& instance() {
        static Reaper reaper;
        return reaper;
    }

    ~Reaper() {
        std::thread thread;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            thread = std::move(thread_);
        }
        wake_.notify_all();
        if (thread.joinable()) thread.join();
    }

    void add(int pid) {
        std::thread ended;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pids_.push_back(pid);
            if (!running_) {
                ended = std::move(thread_); // a reaper that found nothing left and is ending
                try {
                    thread_ = std::thread(&Reaper::run, this);
                    running_ = true;
                } catch (...) {
                    // No thread: the child stays uncollected until the next add.
                }
            }
        }
        if (ended.joinable()) ended.join();
    }

private:
    Reaper() = default;

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            pids_.erase(std::remove_if(pids_.begin(), pids_.end(),
                                       [](int pid) {
                                           int exitCode = 0;
                                           return collect(pid, exitCode);
                                       }),
                        pids_.end());
            if (pids_.empty()) break;
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
        running_ = false;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<int> pids_;
    std::thread thread_;
    bool running_ = false;
    bool stopping_ = false;
};

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string findOnPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::string();
    const char* path = std::getenv("PATH");
    if (!path) return std::string();
    const std::string folders = path;
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        std::size_t end = folders.find(':', begin);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(begin, end - begin);
        begin = end + 1;
        if (folder.empty() || folder[0] != '/') continue; // relative entries would depend on the host's directory
        const std::string candidate = folder + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::string();
}

std::vector<std::string> environmentWithout(const std::vector<std::string>& names) {
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (std::find(names.begin(), names.end(), name) == names.end()) result.push_back(variable);
    }
    return result;
}

bool startProcess(const std::string& program, const std::vector<std::string>& argv,
                  const std::vector<std::string>& env, bool captureOutput, ChildProcess& child) {
    child = ChildProcess();
    if (program.empty() || argv.empty()) return false;
    int pipeFds[2] = {-1, -1};
    if (captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);

    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The helper must not hold on to the host's files, sockets or pipes.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif

    // A host may block or ignore signals; the helper starts with the defaults
    // so that it can be terminated and behaves like a program run normally.
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args = cStrings(argv);
    std::vector<char*> envp = cStrings(env);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), envp.data());

    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput) ::close(pipeFds[1]);
    if (error != 0) {
        if (captureOutput) ::close(pipeFds[0]);
        return false;
    }
    child.pid = pid;
    child.outputFd = captureOutput ? pipeFds[0] : -1;
    return true;
}

ReadStatus readOutput(ChildProcess& child, std::string& output, std::size_t maxBytes, int timeoutMs) {
    if (child.outputFd < 0) return ReadStatus::End;
    pollfd request{child.outputFd, POLLIN, 0};
    const int ready = ::poll(&request, 1, timeoutMs);
    if (ready <= 0) return ReadStatus::Timeout; // nothing yet, or interrupted
    char buffer[4096];
    const ssize_t got = ::read(child.outputFd, buffer, sizeof buffer);
    if (got < 0) return errno == EINTR || errno == EAGAIN ? ReadStatus::Timeout : ReadStatus::End;
    if (got == 0) return ReadStatus::End;
    const std::size_t room = output.size() < maxBytes ? maxBytes - output.size() : 0;
    output.append(buffer, std::min(room, static_cast<std::size_t>(got)));
    return ReadStatus::Data;
}

void closeOutput(ChildProcess& child) {
    if (child.outputFd >= 0) ::close(child.outputFd);
    child.outputFd = -1;
}

bool waitForExit(ChildProcess& child, int timeoutMs, int& exitCode) {
    if (child.pid <= 0) return false;
    const uint32_t start = tickMs();
    unsigned pauseMs = 1;
    for (;;) {
        if (collect(child.pid, exitCode)) {
            child.pid = -1; // the id may be reused from now on
            return true;
        }
        const int32_t elapsed = tickDiff(tickMs(), start);
        if (elapsed >= timeoutMs) return false;
        sleepMs(std::min<unsigned>(pauseMs, static_cast<unsigned>(timeoutMs - elapsed)));
        pauseMs = std::min(pauseMs * 2, 20u);
    }
}

void terminateProcess(const ChildProcess& child) {
    if (child.pid > 0) ::kill(child.pid, SIGTERM);
}

void killProcess(const ChildProcess& child) {
    if (child.pid > 0) ::kill(child.pid, SIGKILL);
}

void reapInBackground(ChildProcess child) {
    closeOutput(child);
    if (child.pid > 0) Reaper::instance().add(child.pid);
}

int currentProcessId() { return static_cast<int>(::getpid()); }

std::vector<int> childProcessIds() {
    std::vector<int> children;
    std::vector<DirEntry> entries;
    if (!listDirectory("/proc", entries)) return children;
    const int self = currentProcessId();
    for (const DirEntry& entry : entries) {
        if (entry.name.empty() || entry.name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::vector<uint8_t> bytes;
        if (!readFile("/proc/" + entry.name + "/stat", bytes, 4096)) continue;
        // "pid (name) state ppid ...": the name may hold spaces and ')'.
        const std::string stat(bytes.begin(), bytes.end());
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos || close + 4 >= stat.size()) continue;
        const int parent = std::atoi(stat.c_str() + close + 4);
        if (parent == self) children.push_back(std::atoi(entry.name.c_str()));
    }
    return children;
}

std::vector<std::string> processArguments(int pid) {
    std::vector<std::string> arguments;
    std::vector<uint8_t> bytes;
    if (pid <= 0 || !readFile("/proc/" + std::to_string(pid) + "/cmdline", bytes, 1u << 20)) return arguments;
    std::string current;
    for (uint8_t byte : bytes) {
        if (byte == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(byte));
        }
    }
    if (!current.empty()) arguments.push_back(current);
    return arguments;
}

void printNotice(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        written += static_cast<std::size_t>(n);
    }
}

} // namespace os
