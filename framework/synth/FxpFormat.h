#pragma once
// The FXP program file in its opaque-chunk form: a 60-byte header of
// big-endian words and the plug-in's program chunk.
//
//   0 'CcnK'   4 byte size (file length - 8)   8 'FPCh'   12 format version 1
//   16 plug-in identifier   20 plug-in version 1   24 program count 1
//   28 program name (28 bytes, zero-ended, zero-filled)   56 chunk size n
//   60 the n chunk bytes
//
// Pure byte-buffer code with no dependency beyond the standard library, so the
// plug-in and the host tool compile the same file. No file access here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fxp {

constexpr size_t kHeaderSize = 60;
constexpr size_t kNameFieldSize = 28;     // 27 characters and the end
constexpr size_t kMaxChunkSize = 4000000; // the plug-in's chunk store

// A four-character code as the number whose high byte is the first character.
constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

// The whole file for one program. The name is cut to 27 bytes. An empty
// answer means the chunk is empty or larger than kMaxChunkSize.
std::vector<uint8_t> encodeProgramFile(uint32_t pluginId, std::string_view programName,
                                       const uint8_t* chunk, size_t chunkSize);

enum class DecodeResult {
    Ok,
    TooShort,          // fewer than 60 bytes
    NotAChunkFile,     // no 'CcnK' at 0
    NotAnOpaqueProgram,// no 'FPCh' at 8 (a parameter-list 'FxCk' file, a bank ...)
    ForeignPlugin,     // identifier not in the accepted list
    BadChunkSize,      // 0, the top bit set, more than the file holds or than 4,000,000
};

struct ProgramFile {
    uint32_t pluginId = 0;     // as stored (big-endian read)
    std::string name;          // up to the first zero of the name field
    std::vector<uint8_t> chunk;
};

// Checks everything before it copies anything; out is changed only on Ok.
// The byte-size field is not looked at, so files that carry 0 there load.
// acceptedIds: four-character identifiers separated by single commas
// ("HRVK,HRVO"); each is accepted in either byte order.
DecodeResult decodeProgramFile(const uint8_t* bytes, size_t size, std::string_view acceptedIds,
                               ProgramFile& out);

// True when the four identifier bytes equal one entry of the list, read
// forwards or backwards. Entries that are not four characters never match.
bool identifierAccepted(const uint8_t idBytes[4], std::string_view acceptedIds);

} // namespace fxp
