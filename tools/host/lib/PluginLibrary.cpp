#include "tools/host/lib/PluginLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace vsthost {

std::shared_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        error = "cannot load plug-in '" + path + "': no such file";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "cannot load plug-in '" + path + "': not a regular file";
        return nullptr;
    }
    // A name without '/' would be searched on the library path instead of opened.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = ::dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = "cannot load plug-in '" + path + "': " + (reason ? reason : "unknown error");
        return nullptr;
    }
    std::shared_ptr<PluginLibrary> library(new PluginLibrary);
    library->handle_ = handle;
    library->path_ = path;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = ::dlsym(handle, name)) {
            library->entry_ = reinterpret_cast<PluginEntryProc>(symbol);
            library->entryName_ = name;
            break;
        }
    }
    if (!library->entry_) {
        error = "not a VST plug-in: '" + path + "' has no VSTPluginMain or main";
        return nullptr;
    }
    return library;
}

PluginEntryProc PluginLibrary::entryNamed(const std::string& name) const {
    return handle_ ? reinterpret_cast<PluginEntryProc>(::dlsym(handle_, name.c_str())) : nullptr;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) ::dlclose(handle_);
}

} // namespace vsthost
