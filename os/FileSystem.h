#pragma once
// Files and folders. Paths are byte strings with '/' separators. Blocking
// I/O: never on the audio thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace os {

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

// The order of listings: ASCII letters fold, other bytes compare as they
// are (compare answers <0, 0, >0); ties of folded names go by byte.
int compareNamesIgnoringCase(std::string_view a, std::string_view b);
bool nameOrderLess(std::string_view a, std::string_view b);

bool fileExists(const std::string& path);      // a regular file
bool directoryExists(const std::string& path);
uint64_t fileSize(const std::string& path);    // 0 when missing

// Reads a whole file of at most maxBytes (larger files fail, nothing read).
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::size_t maxBytes);

// Writes a unique temporary file beside path and renames it over path:
// readers see the old or the new content, never half of it. On failure,
// reason (when given) receives the system's text for why ("No such file or
// directory").
bool writeFileAtomic(const std::string& path, const void* data, std::size_t size, std::string* reason = nullptr);

bool makeDirectories(const std::string& path);  // like mkdir -p

// The entries of a folder ("." and ".." left out), sorted case-insensitively,
// ties by byte, so "the n-th entry" is the same on every file system.
bool listDirectory(const std::string& path, std::vector<DirEntry>& entries);

// What a folder's listing depends on: it changes when an entry is added,
// removed or renamed. settled: the last such change was at least 2 seconds
// before the stamp was taken, so a listing taken after it cannot miss a
// change that file systems with coarse times would give the same time.
struct FolderStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    bool valid = false; // the folder could be looked at
    bool settled = false;
    bool sameAs(const FolderStamp& other) const {
        return valid && other.valid && device == other.device && inode == other.inode && seconds == other.seconds &&
               nanoseconds == other.nanoseconds;
    }
};
FolderStamp folderStamp(const std::string& path);

// The path as it exists on disk: exact when it exists as written, else each
// component looked up case-insensitively (first match in sorted order).
// Empty when nothing matches.
std::string resolveCaseInsensitive(const std::string& path);

} // namespace os
