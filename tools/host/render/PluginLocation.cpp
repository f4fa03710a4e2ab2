#include "tools/host/render/PluginLocation.h"

#include <climits>
#include <unistd.h>
#include <vector>

namespace render {

std::string defaultPluginPath() {
    std::vector<char> path(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return {};
    const std::string program(path.data(), static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    if (slash == std::string::npos) return {};
    return program.substr(0, slash + 1) + "Kelvanti.so";
}

} // namespace render
