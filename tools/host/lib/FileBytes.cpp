#include "tools/host/lib/FileBytes.h"

#include "tools/host/lib/OutputFile.h"
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
    return writeOutputFile(path, bytes.data(), bytes.size(), error);
}

} // namespace kelvanti_host
