#pragma once
// The skins as PNG files: 8-bit RGB (every skin is opaque), written whole
// through a temporary file and a rename.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/raster/PixelBuffer.h"
#include "tools/skin/SkinArt.h"

namespace skin {

// Empty when a pixel is not opaque: the skins promise opaque pictures.
std::vector<uint8_t> encodeOpaquePng(const raster::PixelBuffer& pixels);
// "<id>-<name>.png"
std::string fileNameOf(const Skin& skin);
// False (with the reason in `error`) when a file cannot be written.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace skin
