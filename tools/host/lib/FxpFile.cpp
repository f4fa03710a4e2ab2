#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/FileBytes.h"
#include <algorithm>
#include <cstring>

namespace kelvanti_host {
namespace {

constexpr std::size_t kNameBytes = kFxpProgramNameChars + 1;
constexpr int32_t kFormatVersion = 1;
// Offsets in the header.
constexpr std::size_t kByteSizeAt = 4, kKindAt = 8, kIdAt = 16, kPluginVersionAt = 20,
                      kNumParamsAt = 24, kNameAt = 28, kChunkSizeAt = 56;

uint32_t readBig32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}
bool hasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

} // namespace

bool parseChunkPreset(const uint8_t* data, std::size_t size, ChunkPreset& preset, std::string& error) {
    if (size < kFxpHeaderBytes) {
        error = "too short for a preset file (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (!hasTag(data, "CcnK")) {
        error = "not a preset file (no 'CcnK' at the start)";
        return false;
    }
    if (hasTag(data + kKindAt, "FxCk")) {
        error = "a preset of parameter values, not of a chunk (only 'FPCh' presets are read)";
        return false;
    }
    if (!hasTag(data + kKindAt, "FPCh")) {
        error = "not a chunk preset (no 'FPCh' after the header)";
        return false;
    }
    const uint32_t byteSize = readBig32(data + kByteSizeAt);
    const uint32_t chunkSize = readBig32(data + kChunkSizeAt);
    if (chunkSize > size - kFxpHeaderBytes) {
        error = "chunk size " + std::to_string(chunkSize) + " exceeds the " + std::to_string(size - kFxpHeaderBytes) +
                " bytes that follow the header";
        return false;
    }
    // The header's own size counts everything after its first 8 bytes.
    if (byteSize < kFxpHeaderBytes - 8 + uint64_t{chunkSize} || byteSize > size - 8) {
        error = "header size " + std::to_string(byteSize) + " does not fit a file of " + std::to_string(size) +
                " bytes with a chunk of " + std::to_string(chunkSize);
        return false;
    }
    preset.pluginId = static_cast<int32_t>(readBig32(data + kIdAt));
    preset.pluginVersion = static_cast<int32_t>(readBig32(data + kPluginVersionAt));
    preset.numParams = static_cast<int32_t>(readBig32(data + kNumParamsAt));
    const char* name = reinterpret_cast<const char*>(data + kNameAt);
    preset.programName.assign(name, strnlen(name, kNameBytes - 1));
    preset.chunk.assign(data + kFxpHeaderBytes, data + kFxpHeaderBytes + chunkSize);
    return true;
}

bool looksLikePresetFile(const uint8_t* data, std::size_t size) {
    return size >= kKindAt + 4 && hasTag(data, "CcnK") &&
           (hasTag(data + kKindAt, "FPCh") || hasTag(data + kKindAt, "FxCk"));
}

std::vector<uint8_t> chunkPresetBytes(const ChunkPreset& preset) {
    std::vector<uint8_t> out;
    out.reserve(kFxpHeaderBytes + preset.chunk.size());
    out.insert(out.end(), {'C', 'c', 'n', 'K'});
    putBig32(out, static_cast<uint32_t>(kFxpHeaderBytes - 8 + preset.chunk.size()));
    out.insert(out.end(), {'F', 'P', 'C', 'h'});
    putBig32(out, kFormatVersion);
    putBig32(out, static_cast<uint32_t>(preset.pluginId));
    putBig32(out, static_cast<uint32_t>(preset.pluginVersion));
    putBig32(out, static_cast<uint32_t>(preset.numParams));
    char name[kNameBytes] = {};
    std::memcpy(name, preset.programName.data(), std::min(preset.programName.size(), kFxpProgramNameChars));
    out.insert(out.end(), name, name + kNameBytes);
    putBig32(out, static_cast<uint32_t>(preset.chunk.size()));
    out.insert(out.end(), preset.chunk.begin(), preset.chunk.end());
    return out;
}

bool readChunkPreset(const std::string& path, ChunkPreset& preset, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, kMaxFxpFileBytes, bytes, error)) return false;
    if (parseChunkPreset(bytes.data(), bytes.size(), preset, error)) return true;
    error = path + ": " + error;
    return false;
}

bool writeChunkPreset(const std::string& path, const ChunkPreset& preset, std::string& error) {
    if (preset.chunk.size() > kMaxFxpFileBytes - kFxpHeaderBytes) {
        error = path + ": chunk of " + std::to_string(preset.chunk.size()) + " bytes is too large for a preset file";
        return false;
    }
    return writeWholeFile(path, chunkPresetBytes(preset), error);
}

} // namespace kelvanti_host
