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
// readers see the old or the new content, never half of it.
bool writeFileAtomic(const std::string& path, const void* data, std::size_t size);

bool makeDirectories(const std::string& path);  // like mkdir -p

// The entries of a folder ("." and ".." left out), sorted case-insensitively,
// ties by byte, so "the n-th entry" is the same on every file system.
bool listDirectory(const std::string& path, std::vector<DirEntry>& entries);

// The path as it exists on disk: exact when it exists as written, else each
// component looked up case-insensitively (first match in sorted order).
// Empty when nothing matches.
std::string resolveCaseInsensitive(const std::string& path);

} // namespace os
