#pragma once
// The four-character code naming a parameter set and tagging its chunks.
// Its numeric value puts the first character in the high byte.
#include <cstdint>

using SetTypeId = int32_t;

constexpr SetTypeId makeSetTypeId(const char (&code)[5]) {
    return static_cast<SetTypeId>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                                  (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                                  (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                                  static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

// The code as text, high byte first, ended: out must hold 5 bytes.
inline void setTypeIdText(SetTypeId id, char out[5]) {
    const uint32_t u = static_cast<uint32_t>(id);
    out[0] = static_cast<char>((u >> 24) & 0xff);
    out[1] = static_cast<char>((u >> 16) & 0xff);
    out[2] = static_cast<char>((u >> 8) & 0xff);
    out[3] = static_cast<char>(u & 0xff);
    out[4] = '\0';
}
