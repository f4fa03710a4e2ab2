#include "tools/host/render/InfoCommand.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInfo.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/render/ToolMessages.h"

namespace render {
namespace {

void printInfo(const std::string& path, const vsthost::PluginInfo& info) {
    std::printf("Plug-in:        %s\n", path.c_str());
    std::printf("Effect name:    %s\n", info.effectName.c_str());
    std::printf("Vendor:         %s\n", info.vendor.c_str());
    std::printf("Product:        %s\n", info.product.c_str());
    std::printf("Vendor version: %ld\n", static_cast<long>(info.vendorVersion));
    std::printf("Unique id:      %s (0x%08X)\n", vsthost::fourCCText(info.uniqueId).c_str(),
                static_cast<unsigned>(info.uniqueId));
    std::printf("VST version:    %ld\n", static_cast<long>(info.vstVersion));
    std::printf("Category:       %s\n", vsthost::categoryName(info.category).c_str());
    std::printf("Inputs:         %d\n", static_cast<int>(info.inputs));
    std::printf("Outputs:        %d\n", static_cast<int>(info.outputs));
    std::printf("Flags:          0x%X (%s)\n", static_cast<unsigned>(info.flags),
                vsthost::flagNames(info.flags).c_str());
    std::printf("Programs:       %d (current %d \"%s\")\n", static_cast<int>(info.numPrograms),
                static_cast<int>(info.currentProgram), info.currentProgramName.c_str());
    std::printf("Parameters:     %d\n", static_cast<int>(info.numParams));
    // Columns as wide as their longest entry, so a long one shifts no other row.
    std::size_t nameWidth = 24, displayWidth = 10, labelWidth = 8;
    for (const vsthost::ParameterInfo& p : info.parameters) {
        nameWidth = std::max(nameWidth, p.name.size());
        displayWidth = std::max(displayWidth, p.display.size());
        labelWidth = std::max(labelWidth, p.label.size());
    }
    for (const vsthost::ParameterInfo& p : info.parameters) {
        std::printf("  %3d  %-*s %-*s %-*s %.6f\n", static_cast<int>(p.index), static_cast<int>(nameWidth),
                    p.name.c_str(), static_cast<int>(displayWidth), p.display.c_str(), static_cast<int>(labelWidth),
                    p.label.c_str(), static_cast<double>(p.value));
    }
}

} // namespace

int runInfo(const Options& options) {
    vsthost::Host host;
    host.answers().canDo["supplyIdle"] = 1;   // as when rendering: no timer of the plug-in's own
    std::string error;
    std::unique_ptr<vsthost::PluginInstance> plugin = vsthost::PluginInstance::load(options.pluginPath, host, error);
    if (!plugin) return fail(error);
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);
    const vsthost::PluginInfo info = vsthost::readPluginInfo(*plugin);
    plugin->close();
    printInfo(options.pluginPath, info);
    return 0;
}

} // namespace render
