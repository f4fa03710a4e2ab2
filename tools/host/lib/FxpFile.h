#pragma once
// Preset files of the opaque-chunk kind hosts exchange: a big-endian header
// ('CcnK', size, 'FPCh', format version, plug-in id and version, parameter
// count, a 28-byte program name) followed by the chunk's size and bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

struct ChunkPreset {
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    int32_t numParams = 0;
    std::string programName;    // at most kFxpProgramNameChars characters
    std::vector<uint8_t> chunk;
};

constexpr std::size_t kFxpHeaderBytes = 60;          // everything before the chunk
constexpr std::size_t kFxpProgramNameChars = 27;     // 28 bytes with the terminating zero
constexpr std::size_t kMaxFxpFileBytes = 64u << 20;

// Parses a whole file. The size fields are checked against the bytes there are;
// on failure returns false and sets error to one line.
bool parseChunkPreset(const uint8_t* data, std::size_t size, ChunkPreset& preset, std::string& error);

// Whether the bytes start as a preset file does ('CcnK', then 'FPCh' or the
// parameter-list kind 'FxCk'), whatever follows.
bool looksLikePresetFile(const uint8_t* data, std::size_t size);

// The file bytes for a preset; a longer program name is cut to 27 characters.
std::vector<uint8_t> chunkPresetBytes(const ChunkPreset& preset);

// Errors start with the path.
bool readChunkPreset(const std::string& path, ChunkPreset& preset, std::string& error);
// Written to a temporary file and renamed over path.
bool writeChunkPreset(const std::string& path, const ChunkPreset& preset, std::string& error);

} // namespace kelvanti_host
