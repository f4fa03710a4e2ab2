#include "tools/host/lib/OutputFile.h"

#include <atomic>
#include <bitset>
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

// The descriptors the program was started with (below kNotedDescriptors),
// once noteInheritedDescriptors() ran: only those are written through by
// name, never one the program (or a plug-in it loaded) opened for itself.
constexpr int kNotedDescriptors = 1024;
bool inheritedNoted = false;
std::bitset<kNotedDescriptors> inherited;

bool wasInherited(int fd) {
    if (fd < 0) return false;
    if (inheritedNoted && fd < kNotedDescriptors) return inherited.test(static_cast<std::size_t>(fd));
    return ::fcntl(fd, F_GETFD) >= 0;
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
    return wasInherited(STDOUT_FILENO) && ::fstat(STDOUT_FILENO, &out) == 0 && sameObject(info, out);
}

// N when name is an entry of this process's descriptor folder (/proc/PID/fd
// or a thread's /proc/PID/task/TID/fd), whether that descriptor is open or not.
int descriptorEntry(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.empty() || last.size() > 9 || last.find_first_not_of("0123456789") != std::string::npos) return -1;
    char resolved[PATH_MAX];
    if (::realpath(folderOf(name).c_str(), resolved) == nullptr) return -1;
    const std::string folder = resolved, own = "/proc/" + std::to_string(::getpid());
    const std::string task = own + "/task/";
    const bool ownFolder =
        folder == own + "/fd" ||
        (folder.compare(0, task.size(), task) == 0 && folder.size() > task.size() + 3 &&
         folder.compare(folder.size() - 3, 3, "/fd") == 0 &&
         folder.find_first_not_of("0123456789", task.size()) == folder.size() - 3);
    return ownFolder ? std::atoi(last.c_str()) : -1;
}

// The descriptor a name stands for (/dev/stderr, /dev/fd/N, /proc/self/fd/N
// or a chain of links to one), or -1 for a name of anything else.
int descriptorNamed(const std::string& path) {
    constexpr int kMaxLinkHops = 40;   // as many as the kernel follows
    std::string name = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const int fd = descriptorEntry(name);
        if (fd >= 0) return fd;
        char link[PATH_MAX];
        const ssize_t length = ::readlink(name.c_str(), link, sizeof link - 1);
        if (length <= 0) return -1;
        const std::string next(link, static_cast<std::size_t>(length));
        name = next.front() == '/' ? next : folderOf(name) + "/" + next;
    }
    return -1;
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
    completed_ = false;
    path_ = path;
    direct_ = -1;
    descriptor_ = -1;
    standardOutput_ = false;
    if (path.empty()) {
        error = "an empty output path";
        return false;
    }
    if (path == "-") return takeStandardOutput(error);
    if (!followLinks(path, target_, error)) return false;
    // A descriptor's name is written through the descriptor: never replaced
    // (the file behind it keeps what it held), appending after >>.
    const int named = descriptorNamed(path);
    if (named == STDOUT_FILENO) return takeStandardOutput(error);
    if (named >= 0) return takeDescriptor(named, error);
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
    const int flags = wasInherited(STDOUT_FILENO) ? ::fcntl(STDOUT_FILENO, F_GETFL) : -1;
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        error = path_ == "-" ? "cannot write to standard output: it is not open for writing"
                             : "cannot write " + path_ + ": it is standard output, which is not open for writing";
        return false;
    }
    direct_ = 1;
    descriptor_ = STDOUT_FILENO;
    standardOutput_ = true;
    return true;
}

bool OutputFile::takeDescriptor(int descriptor, std::string& error) {
    const int flags = wasInherited(descriptor) ? ::fcntl(descriptor, F_GETFL) : -1;
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        error = "cannot write " + path_ + ": descriptor " + std::to_string(descriptor) + " is not open for writing";
        return false;
    }
    direct_ = 1;
    descriptor_ = descriptor;
    return true;
}

bool OutputFile::openDirect(std::string& error) {
    if (fd_ >= 0) return true;
    // A descriptor is taken as it is: a socket cannot be opened by name.
    fd_ = descriptor_ >= 0 ? ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0)
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

bool OutputFile::commit(std::string& error) { return complete(error) && publish(error); }

bool OutputFile::complete(std::string& error) {
    if (direct_ > 0) {
        if (!openDirect(error)) return false;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed) error = "cannot write " + path_ + ": " + reason();
        committed_ = completed_ = closed;
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
    completed_ = true;
    return true;
}

bool OutputFile::publish(std::string& error) {
    if (!completed_ || (direct_ < 0 && temporary_.empty())) {
        error = "cannot write " + path_ + ": not completed";
        return false;
    }
    if (direct_ > 0) return true;
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

// What an output name leads to: the object where it exists, else its folder
// (the object, where it exists) and its last name.
struct OutputIdentity {
    bool exists = false;
    struct stat info {};
    bool folderExists = false;
    struct stat folder {};
    std::string name;
};

OutputIdentity identityOf(const std::string& path) {
    OutputIdentity identity;
    identity.exists = path == "-" ? wasInherited(STDOUT_FILENO) && ::fstat(STDOUT_FILENO, &identity.info) == 0
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
    identity.folderExists = ::stat(folderOf(target).c_str(), &identity.folder) == 0;
    char folder[PATH_MAX];
    identity.name = identity.folderExists ? name
                    : ::realpath(folderOf(target).c_str(), folder) != nullptr ? std::string(folder) + "/" + name
                                                                             : target;
    return identity;
}

} // namespace

bool sameOutput(const std::string& a, const std::string& b) {
    const OutputIdentity first = identityOf(a), second = identityOf(b);
    if (first.exists != second.exists || first.folderExists != second.folderExists) return false;
    if (first.exists) return sameObject(first.info, second.info);
    return (!first.folderExists || sameObject(first.folder, second.folder)) && first.name == second.name;
}

bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& error) {
    OutputFile file;
    return file.prepare(path, error) && file.write(data, size, error) && file.commit(error);
}

void noteInheritedDescriptors() {
    for (int fd = 0; fd < kNotedDescriptors; ++fd) inherited.set(static_cast<std::size_t>(fd), ::fcntl(fd, F_GETFD) >= 0);
    inheritedNoted = true;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (inherited.test(static_cast<std::size_t>(fd))) continue;
        const int opened = ::open("/dev/null", O_RDONLY);   // the lowest free number: fd itself
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
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
    // Past the file size limit (ulimit -f) a write fails with EFBIG and the
    // run reports it like a full disk, instead of ending with its
    // temporary files left behind.
    ::signal(SIGXFSZ, SIG_IGN);
}

} // namespace kelvanti_host
