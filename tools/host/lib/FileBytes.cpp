#include "tools/host/lib/FileBytes.h"

#include "tools/host/lib/OutputFile.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvanti_host {

namespace {

// How long a FIFO with no writer is given for one to come (a writer started
// just after the reader); then it is refused rather than waited on forever.
constexpr int kFifoWriterGraceMs = 1000;

// Reads what a just-opened FIFO (non-blocking) holds until a writer shows
// itself; false when none came in time. ended: a writer came and went.
bool awaitFifoWriter(int fd, std::vector<uint8_t>& bytes, bool& ended) {
    ended = false;
    bool waited = false;
    for (;;) {
        uint8_t buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.assign(buffer, buffer + got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno == EAGAIN;   // a writer holds it open, with nothing written yet
        if (waited) {                           // a writer came and closed it empty
            ended = true;
            return true;
        }
        pollfd wanted{fd, POLLIN, 0};
        if (::poll(&wanted, 1, kFifoWriterGraceMs) <= 0) return false;
        waited = true;
    }
}

} // namespace

bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    // Non-blocking, so that opening a FIFO does not wait for its writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_LARGEFILE);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    std::string problem;
    bool ended = false;
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        problem = "it is a folder";
    } else if (S_ISFIFO(info.st_mode) && !awaitFifoWriter(fd, bytes, ended)) {
        problem = "a FIFO nothing writes to (waited " + std::to_string(kFifoWriterGraceMs / 1000) + " s)";
    } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        problem = std::strerror(errno);
    }
    std::vector<uint8_t> buffer(65536);
    while (problem.empty() && !ended) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) problem = std::string("read error: ") + std::strerror(errno);
        if (got <= 0) break;
        if (static_cast<std::size_t>(got) > maxBytes - std::min(maxBytes, bytes.size()))
            problem = "larger than " + std::to_string(maxBytes) + " bytes";
        else
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    if (problem.empty() && bytes.size() > maxBytes) problem = "larger than " + std::to_string(maxBytes) + " bytes";
    ::close(fd);
    if (problem.empty()) return true;
    bytes.clear();
    error = path + ": " + problem;
    return false;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    return writeOutputFile(path, bytes.data(), bytes.size(), error);
}

} // namespace kelvanti_host
