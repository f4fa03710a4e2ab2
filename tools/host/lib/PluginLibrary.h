#pragma once
// A plug-in library loaded the way hosts load it: dlopen, then the entry
// point VSTPluginMain, else main.
#include <memory>
#include <string>

#include "framework/sdk/VstInterface.h"

namespace vsthost {

using PluginEntryProc = AEffect* (*)(audioMasterCallback host);

class PluginLibrary {
public:
    // Null with a one-line reason in error when the file is missing, cannot be
    // loaded or has no entry point.
    static std::shared_ptr<PluginLibrary> load(const std::string& path, std::string& error);
    ~PluginLibrary();   // unloads; every instance must be gone (they hold a shared_ptr)
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    PluginEntryProc entry() const { return entry_; }
    const std::string& entryName() const { return entryName_; }   // "VSTPluginMain" or "main"
    const std::string& path() const { return path_; }
    // A named entry of the library (hosts differ in which one they call); null when absent.
    PluginEntryProc entryNamed(const std::string& name) const;

private:
    PluginLibrary() = default;
    void* handle_ = nullptr;
    PluginEntryProc entry_ = nullptr;
    std::string entryName_;
    std::string path_;
};

} // namespace vsthost
