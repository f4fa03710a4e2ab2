#include "os/ModulePath.h"

#include "os/FileSystem.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

namespace os {
namespace {

// Any function of this library: dladdr maps its address to the file it came from.
void moduleAnchor() {}

} // namespace

std::string modulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleAnchor), &info) == 0 || !info.dli_fname) return std::string();
    std::string path = info.dli_fname;
    // dladdr gives the name the object was loaded by. A relative name is
    // resolved against the working directory; a bare one (only a program
    // started through PATH has that) is the running executable.
    if (!path.empty() && path[0] != '/') {
        const char* source = path.find('/') != std::string::npos ? path.c_str() : "/proc/self/exe";
        if (char* absolute = ::realpath(source, nullptr)) {
            path = absolute;
            std::free(absolute);
        }
    }
    return path;
}

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool holdsDataFolder(const std::string& folder) {
    static const char* const kDataFolders[] = {"Kelvanti Banks", "KelvantiPresets", "NoteFreqTables", "KelvantiMod"};
    if (folder.empty()) return false;
    for (const char* name : kDataFolders) {
        const std::string found = resolveCaseInsensitive(folder + "/" + name);
        if (!found.empty() && directoryExists(found)) return true;
    }
    return false;
}

// A folder named relative to the working folder, made absolute: the paths
// kept in settings and projects must not depend on where a host runs.
std::string absoluteFolder(const std::string& folder) {
    if (folder.empty() || folder[0] == '/') return folder;
    char* working = ::getcwd(nullptr, 0);
    if (!working) return folder;
    std::filesystem::path absolute(working);
    std::free(working);
    absolute /= folder;
    return absolute.lexically_normal().string();
}

} // namespace

std::string moduleFolder() { return folderOf(modulePath()); }

std::string dataFolder() {
    std::string folder = absoluteFolder(environment("KELVANTI_DATA_DIR"));
    if (!folder.empty()) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    const std::string path = modulePath();
    const std::string linked = folderOf(path);
    std::string real = linked;
    if (char* resolved = path.empty() ? nullptr : ::realpath(path.c_str(), nullptr)) {
        real = folderOf(resolved);
        std::free(resolved);
    }
    if (real == linked || holdsDataFolder(real) || !holdsDataFolder(linked)) return real;
    return linked;
}

std::string environment(const char* name) {
    if (!name) return std::string();
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace os
