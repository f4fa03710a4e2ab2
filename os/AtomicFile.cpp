// os::writeFileAtomic: write a unique temporary file beside the target, flush
// it to disk and rename it over the target, so readers (other instances, the
// other build) see the old content or the new, never a mixture.
#include "os/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace os {
namespace {

// Keeps the temporary name within the file-name limit however long the target's is.
constexpr std::size_t kMaxTempStem = 200;

mode_t processUmask() {
    // umask() would change it for every thread while we look; /proc answers without.
    mode_t mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value & 0777u);
                break;
            }
        }
        std::fclose(status);
    }
    return mask;
}

// An existing target keeps its permissions; a new one gets what open() would give it.
mode_t modeForTarget(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    return 0666 & ~processUmask();
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is already visible
        ::close(fd);
    }
}

// The system's text for an error number (strerror, safe on any thread).
bool failedWith(int error, std::string* reason) {
    if (reason)
        *reason = std::generic_category().message(error);
    return false;
}

} // namespace

bool writeFileAtomic(const std::string& path, const void* data, std::size_t size, std::string* reason) {
    if (path.empty() || path.back() == '/' || (data == nullptr && size > 0))
        return failedWith(path.empty() ? ENOENT : EINVAL, reason);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    // A leading '.' keeps the temporary file out of listings of the folder.
    std::string temp = folder + "/." + name.substr(0, kMaxTempStem) + ".XXXXXX";
    const int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0)
        return failedWith(errno, reason);

    bool ok = writeAll(fd, data, size) && ::fchmod(fd, modeForTarget(path)) == 0 && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return failedWith(error, reason);
    }
    syncFolder(folder);
    return true;
}

} // namespace os
