#pragma once
// Writes the tool's photographs (8-bit RGB) as PNG files through the
// project's PNG writer.
#include <cstdint>
#include <string>
#include <vector>

namespace editor_tool {

// rgb holds width × height × 3 bytes, rows top to bottom. Written to a
// temporary file and renamed; false when it cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

} // namespace editor_tool
