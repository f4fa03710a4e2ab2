#include "tools/host/lib/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/host/lib/LinkFollowing.h"

namespace kelvanti_host {
namespace {

constexpr std::size_t kMaxTemporaryStem = 200;   // keeps ".tmp-…" names within the file-name limit

// The table the signal handler reads: plain bytes and lock-free flags only.
constexpr int kPendingSlots = 16;
struct PendingTemporary {
    std::atomic<int> state{0};   // 0 free, 1 being filled, 2 holds a path
    char path[PATH_MAX];
};
PendingTemporary pending[kPendingSlots];

int registerPending(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (!pending[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(pending[i].path, path.c_str(), path.size() + 1);
        pending[i].state.store(2);
        return i;
    }
    return -1;   // more than the table holds: still correct, only not cleaned on a signal
}

void forgetPending(int slot) {
    if (slot >= 0) pending[slot].state.store(0);
}

extern "C" void removePendingAndDie(int signal) {
    for (PendingTemporary& slot : pending) {
        if (slot.state.load() == 2) ::unlink(slot.path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);   // delivered as the handler returns: the process ends by the signal
}

std::string reason() { return std::strerror(errno); }

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool sameObject(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether info is what this process's standard output is.
bool isStandardOutputOf(const struct stat& info) {
    struct stat out {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && sameObject(info, out);
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty() && !committed_) ::unlink(temporary_.c_str());
    forgetPending(registration_);
    registration_ = -1;
    temporary_.clear();
}

bool OutputFile::prepare(const std::string& path, std::string& error) {
    discard();
    committed_ = false;
    path_ = path;
    direct_ = -1;
    standardOutput_ = false;
    if (path.empty()) {
        error = "an empty output path";
        return false;
    }
    if (path == "-") return takeStandardOutput(error);
    if (!followLinks(path, target_, error)) return false;
    // The kernel's own look-up also resolves /proc's links to pipes and
    // sockets (/dev/stdout), which name no path a link could be read as.
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        error = "cannot write " + path + ": " + reason();
        return false;
    }
    if (exists && S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": it is a folder";
        return false;
    }
    // Whatever standard output is, a file opened for appending among them, it
    // is written through its descriptor: never replaced, never opened anew.
    if (exists && isStandardOutputOf(info)) return takeStandardOutput(error);
    if (exists && !S_ISREG(info.st_mode)) {
        // A device, FIFO, pipe or socket: written in place, and only once there is something to write.
        if (::access(path.c_str(), W_OK) != 0) {
            error = "cannot write " + path + ": " + reason();
            return false;
        }
        direct_ = 1;
        return true;
    }
    struct stat targetInfo {};
    if (exists && (::stat(target_.c_str(), &targetInfo) != 0 || !sameObject(info, targetInfo))) {
        error = "cannot write " + path + ": it leads to a file that has no name to replace";
        return false;
    }
    // A file its owner made read-only stays as it is, as cp leaves it (root may replace it, as with cp).
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        error = "cannot write " + path + ": " + reason();
        return false;
    }
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(target_);
    const std::string name = target_.substr(target_.rfind('/') == std::string::npos ? 0 : target_.rfind('/') + 1);
    temporary_ = folder + "/" + name.substr(0, kMaxTemporaryStem) + ".tmp-" + std::to_string(::getpid()) + "-" +
                 std::to_string(counter++);
    // O_LARGEFILE: a WAV file may pass 2 GiB in the 32-bit build too.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_LARGEFILE, 0666);
    if (fd_ < 0) {
        error = "cannot create " + path + ": " + reason();
        temporary_.clear();
        return false;
    }
    registration_ = registerPending(temporary_);
    if (exists) {
        // The replacement keeps what the user set on the file; an owner only root may give is kept when root.
        ::fchmod(fd_, info.st_mode & 07777);
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
            if (::fchown(fd_, info.st_uid, info.st_gid) == 0) ::fchmod(fd_, info.st_mode & 07777);
        }
    }
    return true;
}

bool OutputFile::takeStandardOutput(std::string& error) {
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        error = path_ == "-" ? "cannot write to standard output: it is not open for writing"
                             : "cannot write " + path_ + ": it is standard output, which is not open for writing";
        return false;
    }
    direct_ = 1;
    standardOutput_ = true;
    return true;
}

bool OutputFile::openDirect(std::string& error) {
    if (fd_ >= 0) return true;
    // Standard output is taken as it is: a socket cannot be opened by name.
    fd_ = standardOutput_ ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                          : ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_LARGEFILE);
    if (fd_ < 0) {
        error = "cannot write " + path_ + ": " + reason();
        return false;
    }
    return true;
}

bool OutputFile::write(const void* data, std::size_t size, std::string& error) {
    if (direct_ > 0 && !openDirect(error)) return false;
    if (fd_ < 0) {
        error = "cannot write " + path_ + ": not prepared";
        return false;
    }
    if (!writeAll(fd_, data, size)) {
        error = "cannot write " + path_ + ": " + reason();
        return false;
    }
    return true;
}

bool OutputFile::rewrite(uint64_t offset, const void* data, std::size_t size, std::string& error) {
    if (!canRewrite()) {
        error = "cannot write " + path_ + ": it is written as a stream";
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = "cannot write " + path_ + ": " + reason();
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<uint64_t>(written);
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (direct_ > 0) {
        if (!openDirect(error)) return false;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed) error = "cannot write " + path_ + ": " + reason();
        committed_ = closed;
        return closed;
    }
    if (fd_ < 0) {
        error = "cannot write " + path_ + ": not prepared";
        return false;
    }
    const bool synced = ::fsync(fd_) == 0;
    const std::string syncReason = synced ? "" : reason();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
        error = "cannot write " + path_ + ": " + (synced ? reason() : syncReason);
        discard();
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = "cannot replace " + path_ + ": " + reason();
        discard();
        return false;
    }
    committed_ = true;
    forgetPending(registration_);
    registration_ = -1;
    temporary_.clear();
    const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);   // best effort: the rename is already visible
        ::close(folder);
    }
    return true;
}

namespace {

// What an output name leads to: the object where it exists, else its resolved name.
struct OutputIdentity {
    bool exists = false;
    struct stat info {};
    std::string name;
};

OutputIdentity identityOf(const std::string& path) {
    OutputIdentity identity;
    identity.exists = path == "-" ? ::fstat(STDOUT_FILENO, &identity.info) == 0
                                  : ::stat(path.c_str(), &identity.info) == 0;
    if (identity.exists) return identity;
    if (path == "-") {   // standard output closed: no resolved name (those are absolute) is "-"
        identity.name = path;
        return identity;
    }
    std::string target, ignored;
    if (!followLinks(path, target, ignored)) target = path;
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char folder[PATH_MAX];
    identity.name = ::realpath(folderOf(target).c_str(), folder) != nullptr ? std::string(folder) + "/" + name : target;
    return identity;
}

} // namespace

bool sameOutput(const std::string& a, const std::string& b) {
    const OutputIdentity first = identityOf(a), second = identityOf(b);
    if (first.exists != second.exists) return false;
    return first.exists ? sameObject(first.info, second.info) : first.name == second.name;
}

bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& error) {
    OutputFile file;
    return file.prepare(path, error) && file.write(data, size, error) && file.commit(error);
}

void removeTemporariesOnSignals() {
    // SIGPIPE: a reader of standard output that quits early ends the run, as in any pipeline.
    constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    for (const int signal : kSignals) {
        struct sigaction action {};
        action.sa_handler = removePendingAndDie;
        sigemptyset(&action.sa_mask);
        for (const int other : kSignals) sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace kelvanti_host
