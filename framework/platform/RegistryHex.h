#pragma once
// The hex-text form of binary settings values: each byte as two upper-case
// digits, high digit first ("01ABFF" for 0x01 0xAB 0xFF). Pure; any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string encodeRegistryHex(const uint8_t* bytes, std::size_t count);

// Two characters per byte; an odd last character is ignored. '0'-'9' and
// 'A'-'F' are digits; any other character (lower case included) counts 0,
// as stored values have always been read.
std::vector<uint8_t> decodeRegistryHex(std::string_view text);
