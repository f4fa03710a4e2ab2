#pragma once
// The built plug-in library and its instances, for tests that drive the
// dispatcher themselves; failures are reported to the running test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/PluginLibrary.h"

namespace builtplugin {

inline std::shared_ptr<vsthost::PluginLibrary> loadLibrary() {
    std::string error;
    auto library = vsthost::PluginLibrary::load(KELVANTI_PLUGIN_PATH, error);
    EXPECT_TRUE(library) << error;
    return library;
}

inline std::unique_ptr<vsthost::PluginInstance> makeInstance(const std::shared_ptr<vsthost::PluginLibrary>& library,
                                                             vsthost::Host& host) {
    std::string error;
    auto plugin = vsthost::PluginInstance::create(library, host, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

} // namespace builtplugin
