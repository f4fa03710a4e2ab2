#pragma once
// Writes 8-bit RGB pictures as PNG files with uncompressed (stored) deflate
// blocks: no compression library needed, any PNG reader reads them.
#include <cstdint>
#include <string>
#include <vector>

namespace editor_tool {

// rgb holds width × height × 3 bytes, rows top to bottom. Written to a
// temporary file and renamed; false when it cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

} // namespace editor_tool
