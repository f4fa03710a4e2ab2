#include "os/Registry.h"

#include "os/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

constexpr const char* kVendorFolder = "Harvell";
constexpr const char* kMachineRoot = "/etc/xdg/Harvell";

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool isPlainNameByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// A value name as one file name: bytes other than [A-Za-z0-9._-] become %XX,
// and so does a leading '.', so no value is ".", ".." or hidden, and none can
// clash with the hidden temporary files of a write. Empty for an empty name.
std::string fileNameOfValue(const std::string& valueName) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string file;
    for (std::size_t i = 0; i < valueName.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(valueName[i]);
        if (isPlainNameByte(c) && !(i == 0 && c == '.')) {
            file += static_cast<char>(c);
        } else {
            file += '%';
            file += kDigits[c >> 4];
            file += kDigits[c & 0x0F];
        }
    }
    return file;
}

// Read, Missing, or Unreadable: there but not a regular file, over maxBytes,
// holding a NUL byte, or refused by the file system.
RegistryValueState readValueFile(const std::string& path, std::string& text, std::size_t maxBytes) {
    // O_NONBLOCK: a FIFO planted in the folder must not hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? RegistryValueState::Missing : RegistryValueState::Unreadable;
    bool ok = false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= maxBytes) {
        // One byte of room past the size: a file changed in place while we
        // read is unreadable, not half a value.
        const std::size_t size = static_cast<std::size_t>(info.st_size);
        std::string content(size + 1, '\0');
        std::size_t filled = 0;
        ok = true;
        while (filled < content.size()) {
            const ssize_t got = ::read(fd, &content[filled], content.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        content.resize(filled);
        if (ok && filled == size && content.find('\0') == std::string::npos) {
            text = std::move(content);
        } else {
            ok = false;
        }
    }
    ::close(fd);
    return ok ? RegistryValueState::Read : RegistryValueState::Unreadable;
}

bool makeFolders(const std::string& path) {
    if (path.empty())
        return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = slash == std::string::npos ? path : path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string registryUserDir() {
    const std::string redirect = environmentValue("KELVANTI_REGISTRY_DIR");
    if (!redirect.empty())
        return redirect + "/user";
    const std::string config = environmentValue("XDG_CONFIG_HOME");
    if (!config.empty() && config[0] == '/')  // relative values are invalid and ignored
        return config + "/" + kVendorFolder;
    const std::string home = environmentValue("HOME");
    if (!home.empty())
        return home + "/.config/" + kVendorFolder;
    return "";
}

std::string registryMachineDir() {
    const std::string redirect = environmentValue("KELVANTI_REGISTRY_DIR");
    if (!redirect.empty())
        return redirect + "/machine";
    return kMachineRoot;
}

bool registryRead(const std::string& valueName, std::string& text, std::size_t maxBytes) {
    RegistryValueState userValue;
    return registryRead(valueName, text, maxBytes, userValue);
}

bool registryRead(const std::string& valueName, std::string& text, std::size_t maxBytes,
                  RegistryValueState& userValue) {
    userValue = RegistryValueState::Missing;
    const std::string file = fileNameOfValue(valueName);
    if (file.empty())
        return false;
    const std::string user = registryUserDir();
    if (!user.empty())
        userValue = readValueFile(user + "/" + file, text, maxBytes);
    if (userValue == RegistryValueState::Read)
        return true;
    return readValueFile(registryMachineDir() + "/" + file, text, maxBytes) == RegistryValueState::Read;
}

bool registryMoveAside(const std::string& valueName, const std::string& suffix, std::string& movedTo) {
    const std::string file = fileNameOfValue(valueName);
    const std::string user = registryUserDir();
    if (file.empty() || user.empty() || suffix.empty())
        return false;
    const std::string from = user + "/" + file;
    // A free name, so an earlier copy set aside is never replaced.
    for (int n = 1; n <= 99; ++n) {
        const std::string to = from + suffix + (n > 1 ? "." + std::to_string(n) : std::string());
        struct stat info {};
        if (::lstat(to.c_str(), &info) == 0 || errno != ENOENT)
            continue;
        if (::rename(from.c_str(), to.c_str()) != 0)
            return false;
        movedTo = to;
        return true;
    }
    return false;
}

bool registryWrite(const std::string& valueName, const std::string& text) {
    const std::string file = fileNameOfValue(valueName);
    const std::string user = registryUserDir();
    if (file.empty() || user.empty() || text.find('\0') != std::string::npos)
        return false;
    if (!makeFolders(user))
        return false;
    return writeFileAtomic(user + "/" + file, text.data(), text.size());
}

} // namespace os
