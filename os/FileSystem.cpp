// 64-bit file offsets in the 32-bit build too, so sizes over 2 GiB are seen
// (and refused) instead of failing oddly.
#define _FILE_OFFSET_BITS 64

#include "os/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

namespace os {
namespace {

bool statPath(const std::string& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool readAll(int fd, std::vector<uint8_t>& bytes, std::size_t maxBytes) {
    // Read one byte past the limit so a file that grew since fstat is refused too.
    const std::size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : SIZE_MAX;
    std::vector<uint8_t> buffer;
    buffer.resize(std::min<std::size_t>(limit, std::size_t{1} << 16));
    std::size_t used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (used > maxBytes) return false;
            buffer.resize(buffer.size() <= limit / 2 ? buffer.size() * 2 : limit);
        }
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
        if (used > maxBytes) return false;
    }
    buffer.resize(used);
    bytes.swap(buffer);
    return true;
}

} // namespace

int compareNamesIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(lower(a[i]));
        const auto cb = static_cast<unsigned char>(lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool nameOrderLess(std::string_view a, std::string_view b) {
    const int folded = compareNamesIgnoringCase(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return statPath(path, info) && S_ISREG(info.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat info {};
    return statPath(path, info) && S_ISDIR(info.st_mode);
}

uint64_t fileSize(const std::string& path) {
    struct stat info {};
    if (!statPath(path, info) || !S_ISREG(info.st_mode) || info.st_size < 0) return 0;
    return static_cast<uint64_t>(info.st_size);
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::size_t maxBytes) {
    if (path.empty()) return false;
    // O_NONBLOCK: opening a FIFO must not hang; the type is checked next.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
              static_cast<uint64_t>(info.st_size) <= maxBytes;
    if (ok) ok = readAll(fd, bytes, maxBytes);
    ::close(fd);
    return ok;
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (directoryExists(path)) return true;
    std::size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        const std::string prefix = path.substr(0, position);
        if (prefix.empty() || prefix.back() == '/') continue; // "//" in the path
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return directoryExists(path);
}

FolderStamp folderStamp(const std::string& path) {
    FolderStamp stamp;
    struct stat info {};
    timespec now {};
    if (!statPath(path, info) || !S_ISDIR(info.st_mode) || ::clock_gettime(CLOCK_REALTIME, &now) != 0) return stamp;
    stamp.device = static_cast<uint64_t>(info.st_dev);
    stamp.inode = static_cast<uint64_t>(info.st_ino);
    stamp.seconds = static_cast<int64_t>(info.st_mtim.tv_sec);
    stamp.nanoseconds = static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp.valid = true;
    constexpr int64_t kSettledSeconds = 2;
    stamp.settled = static_cast<int64_t>(now.tv_sec) - stamp.seconds > kSettledSeconds;
    return stamp;
}

bool listDirectory(const std::string& path, std::vector<DirEntry>& entries) {
    entries.clear();
    if (path.empty()) return false;
    DIR* folder = ::opendir(path.c_str());
    if (!folder) return false;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        DirEntry item;
        item.name = name;
        if (entry->d_type == DT_DIR) {
            item.isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            item.isDirectory = directoryExists(joinPath(path, name)); // follow links
        }
        entries.push_back(std::move(item));
    }
    ::closedir(folder);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return nameOrderLess(a.name, b.name); });
    return true;
}

std::string resolveCaseInsensitive(const std::string& path) {
    struct stat info {};
    if (path.empty()) return std::string();
    if (statPath(path, info)) return path;

    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        const std::string component = path.substr(begin, end - begin);
        begin = end + 1;
        if (component.empty()) continue;

        std::string candidate = joinPath(resolved, component);
        if (!statPath(candidate, info)) {
            std::vector<DirEntry> entries;
            if (component == "." || component == ".." ||
                !listDirectory(resolved.empty() ? "." : resolved, entries)) {
                return std::string();
            }
            const auto match = std::find_if(entries.begin(), entries.end(), [&](const DirEntry& e) {
                return compareNamesIgnoringCase(e.name, component) == 0;
            });
            if (match == entries.end()) return std::string();
            candidate = joinPath(resolved, match->name);
        }
        resolved = candidate;
    }
    return resolved;
}

} // namespace os
