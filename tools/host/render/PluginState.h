#pragma once
// The state steps of a render, on an opened plug-in: bank and preset chunks
// in and out, and --set. Each returns false with a one-line error.
#include <string>
#include <vector>

#include "tools/host/lib/PluginInstance.h"
#include "tools/host/render/Options.h"

namespace render {

bool loadBank(vsthost::PluginInstance& plugin, const std::string& path, std::string& error);
bool loadPreset(vsthost::PluginInstance& plugin, const std::string& path, std::string& error);
bool saveBank(vsthost::PluginInstance& plugin, const std::string& path, std::string& error);
bool savePreset(vsthost::PluginInstance& plugin, const std::string& path, std::string& error);

// Every setting in order; an unknown name or a display value no display
// text can reach is an error.
bool applySettings(vsthost::PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                   std::string& error);

} // namespace render
