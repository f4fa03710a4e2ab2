#include "tools/skin/SkinPng.h"

#include <cstdio>

#include "PngWriter.h"

namespace skin {

std::vector<uint8_t> encodeOpaquePng(const raster::PixelBuffer& pixels) {
    pngtest::Image image;
    image.width = static_cast<uint32_t>(pixels.width());
    image.height = static_cast<uint32_t>(pixels.height());
    image.colourType = 2;
    image.rows.reserve(pixels.pixels().size() * 3);
    for (uint32_t p : pixels.pixels()) {
        if (raster::alphaOf(p) != 255) return {};
        image.rows.insert(image.rows.end(), {raster::redOf(p), raster::greenOf(p), raster::blueOf(p)});
    }
    return pngtest::encode(image);
}

std::string fileNameOf(const Skin& skin) { return std::to_string(skin.id) + "-" + skin.name + ".png"; }

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    const std::string temporary = path + ".writing";
    if (!pngtest::writeFile(temporary, bytes)) {
        error = "cannot write " + temporary;
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temporary + " to " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace skin
