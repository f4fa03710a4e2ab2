#include "tools/host/lib/StandardErrorCapture.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace kelvanti_host {
namespace {

constexpr std::size_t kMaxCapturedBytes = 64 * 1024;

int unnamedTemporaryFile() {
    const char* folder = std::getenv("TMPDIR");
    for (const char* candidate : {folder, "/tmp", "."}) {
        if (candidate == nullptr || *candidate == 0) continue;
        const int fd = ::open(candidate, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
    }
    std::FILE* file = std::tmpfile();   // where O_TMPFILE is not supported
    if (file == nullptr) return -1;
    const int fd = ::dup(::fileno(file));
    std::fclose(file);
    return fd;
}

} // namespace

StandardErrorCapture::StandardErrorCapture() {
    std::fflush(stderr);
    file_ = unnamedTemporaryFile();
    if (file_ < 0) return;   // nothing caught: messages reach the terminal as before
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0 || ::dup2(file_, STDERR_FILENO) < 0) {
        if (saved_ >= 0) ::close(saved_);
        ::close(file_);
        saved_ = file_ = -1;
    }
}

StandardErrorCapture::~StandardErrorCapture() { finish(); }

std::string StandardErrorCapture::finish() {
    if (saved_ < 0) return {};
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
    std::string text;
    char buffer[4096];
    ssize_t got;
    off_t offset = 0;
    while (text.size() < kMaxCapturedBytes && (got = ::pread(file_, buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    ::close(file_);
    file_ = -1;
    if (text.size() > kMaxCapturedBytes) text.resize(kMaxCapturedBytes);
    return text;
}

} // namespace kelvanti_host
