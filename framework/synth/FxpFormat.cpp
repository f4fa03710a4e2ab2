#include "framework/synth/FxpFormat.h"

#include <algorithm>

namespace fxp {
namespace {

constexpr uint32_t kChunkMagic = fourCharCode("CcnK");
constexpr uint32_t kOpaqueProgramMagic = fourCharCode("FPCh");
constexpr uint32_t kFormatVersion = 1;
constexpr uint32_t kPluginVersion = 1;
constexpr uint32_t kProgramCount = 1;

void putBigEndian(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t getBigEndian(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

} // namespace

std::vector<uint8_t> encodeProgramFile(uint32_t pluginId, std::string_view programName,
                                       const uint8_t* chunk, size_t chunkSize) {
    if (chunk == nullptr || chunkSize == 0 || chunkSize > kMaxChunkSize)
        return {};
    std::vector<uint8_t> file(kHeaderSize + chunkSize, 0);
    uint8_t* p = file.data();
    putBigEndian(p + 0, kChunkMagic);
    putBigEndian(p + 4, static_cast<uint32_t>(file.size() - 8));
    putBigEndian(p + 8, kOpaqueProgramMagic);
    putBigEndian(p + 12, kFormatVersion);
    putBigEndian(p + 16, pluginId);
    putBigEndian(p + 20, kPluginVersion);
    putBigEndian(p + 24, kProgramCount);
    const std::string_view name = programName.substr(0, std::min(programName.find('\0'), kNameFieldSize - 1));
    std::copy(name.begin(), name.end(), p + 28);
    putBigEndian(p + 56, static_cast<uint32_t>(chunkSize));
    std::copy(chunk, chunk + chunkSize, p + kHeaderSize);
    return file;
}

bool identifierAccepted(const uint8_t idBytes[4], std::string_view acceptedIds) {
    while (!acceptedIds.empty()) {
        const size_t comma = acceptedIds.find(',');
        const std::string_view entry = acceptedIds.substr(0, comma);
        acceptedIds = comma == std::string_view::npos ? std::string_view{} : acceptedIds.substr(comma + 1);
        if (entry.size() != 4)
            continue;
        bool forwards = true;
        bool backwards = true;
        for (size_t i = 0; i < 4; ++i) {
            forwards = forwards && static_cast<uint8_t>(entry[i]) == idBytes[i];
            backwards = backwards && static_cast<uint8_t>(entry[i]) == idBytes[3 - i];
        }
        if (forwards || backwards)
            return true;
    }
    return false;
}

DecodeResult decodeProgramFile(const uint8_t* bytes, size_t size, std::string_view acceptedIds,
                               ProgramFile& out) {
    if (bytes == nullptr || size < kHeaderSize)
        return DecodeResult::TooShort;
    if (getBigEndian(bytes) != kChunkMagic)
        return DecodeResult::NotAChunkFile;
    if (getBigEndian(bytes + 8) != kOpaqueProgramMagic)
        return DecodeResult::NotAnOpaqueProgram;
    if (!identifierAccepted(bytes + 16, acceptedIds))
        return DecodeResult::ForeignPlugin;
    const uint32_t n = getBigEndian(bytes + 56);
    if (n == 0 || (n & 0x80000000u) != 0 || n > size - kHeaderSize || n > kMaxChunkSize)
        return DecodeResult::BadChunkSize;

    const char* name = reinterpret_cast<const char*>(bytes + 28);
    out.pluginId = getBigEndian(bytes + 16);
    out.name.assign(name, std::find(name, name + kNameFieldSize, '\0'));
    out.chunk.assign(bytes + kHeaderSize, bytes + kHeaderSize + n);
    return DecodeResult::Ok;
}

} // namespace fxp
