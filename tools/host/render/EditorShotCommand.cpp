#include "tools/host/render/EditorShotCommand.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/sdk/EditorSnapshot.h"
#include "tools/png/PngWriter.h"
#include "tools/host/lib/FileBytes.h"
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/render/PluginLocation.h"
#include "tools/host/render/PluginState.h"
#include "tools/host/render/ToolMessages.h"

namespace render {
namespace {

constexpr int32_t kRectsCapacity = 64 * 1024;
constexpr int32_t kMaxEditorSide = 4096;

} // namespace

int runEditorShot(const Options& options) {
    std::string error;
    kelvanti_host::ChunkPreset preset;
    if (!options.fxpPath.empty() && !kelvanti_host::readChunkPreset(options.fxpPath, preset, error))
        return fail(error);
    vsthost::Host host;
    host.answers().canDo["supplyIdle"] = 1;
    const std::string path = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    std::unique_ptr<vsthost::PluginInstance> plugin = vsthost::PluginInstance::load(path, host, error);
    if (!plugin) return fail(error);
    plugin->open();
    plugin->setSampleRate(static_cast<float>(options.sampleRate));
    plugin->setBlockSize(options.blockSize);
    // Switched on as a host does before it shows the editor: the first
    // preset folder is opened, so the menus show banks and programs.
    plugin->resume();
    plugin->dispatch(effIdle);
    std::vector<VstInt32> touched;
    std::vector<std::string> notes;
    if ((!options.fxpPath.empty() && !loadPreset(*plugin, preset, options.fxpPath, error)) ||
        !applySettings(*plugin, options.settings, touched, notes, error))
        return fail(error);
    for (const std::string& note : notes) tellUser(note);

    EditorSnapshot request{};
    request.size = sizeof request;
    request.page = options.editorBackPage ? 1 : 0;
    // First the size, then the pixels.
    if (plugin->dispatch(effVendorSpecific, kEditorSnapshotIndex, kEditorSnapshotValue, &request) != 1)
        return fail(path + ": the plug-in draws no editor");
    if (request.width <= 0 || request.height <= 0 || request.width > kMaxEditorSide || request.height > kMaxEditorSide)
        return fail(path + ": the editor's size is out of range");
    std::vector<uint32_t> pixels(static_cast<size_t>(request.width) * static_cast<size_t>(request.height));
    std::vector<char> rects(kRectsCapacity, '\0');
    request.pixels = pixels.data();
    request.pixelCapacity = static_cast<int32_t>(pixels.size());
    request.rects = options.editorRects ? rects.data() : nullptr;
    request.rectsCapacity = options.editorRects ? kRectsCapacity : 0;
    const int32_t width = request.width, height = request.height;
    if (plugin->dispatch(effVendorSpecific, kEditorSnapshotIndex, kEditorSnapshotValue, &request) != 1 ||
        request.width != width || request.height != height)
        return fail(path + ": the editor could not be drawn");
    plugin->close();

    if (!options.editorShotPath.empty()) {
        std::vector<uint8_t> rgb;
        rgb.reserve(pixels.size() * 3);
        for (uint32_t p : pixels) {
            rgb.push_back(static_cast<uint8_t>(p >> 16));
            rgb.push_back(static_cast<uint8_t>(p >> 8));
            rgb.push_back(static_cast<uint8_t>(p));
        }
        if (!kelvanti_host::writeWholeFile(options.editorShotPath, pngtest::encodeRgb(width, height, rgb), error))
            return fail(error);
    }
    if (options.editorRects) std::fputs(rects.data(), stdout);
    return 0;
}

} // namespace render
