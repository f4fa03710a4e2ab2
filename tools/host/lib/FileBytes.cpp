#include "tools/host/lib/FileBytes.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kelvanti_host {

bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> buffer(65536);
    std::size_t got;
    bool tooLarge = false;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        if (got > maxBytes - bytes.size()) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge || readFailed) {
        bytes.clear();
        error = path + (tooLarge ? ": larger than " + std::to_string(maxBytes) + " bytes" : ": read error");
        return false;
    }
    return true;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t got = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        written += static_cast<std::size_t>(got);
    }
    const bool complete = written == bytes.size() && ::fsync(fd) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!complete || !closed) {
        error = "cannot write " + temporary + ": " + std::strerror(complete ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace kelvanti_host
