// Feeds arbitrary bytes to the chunk preset reader. A successful parse must
// give a chunk that fits the input and a name within its field, and writing
// the preset back must read the same again.
#include "tools/host/lib/FxpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelvanti_host::ChunkPreset preset;
    std::string error;
    if (!kelvanti_host::parseChunkPreset(data, size, preset, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (preset.chunk.size() + kelvanti_host::kFxpHeaderBytes > size ||
        preset.programName.size() > kelvanti_host::kFxpProgramNameChars)
        __builtin_trap();
    const std::vector<uint8_t> written = kelvanti_host::chunkPresetBytes(preset);
    kelvanti_host::ChunkPreset again;
    if (!kelvanti_host::parseChunkPreset(written.data(), written.size(), again, error)) __builtin_trap();
    if (again.pluginId != preset.pluginId || again.pluginVersion != preset.pluginVersion ||
        again.numParams != preset.numParams || again.programName != preset.programName || again.chunk != preset.chunk)
        __builtin_trap();
    return 0;
}
