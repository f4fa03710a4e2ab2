#include "tools/host/editor/PngWriter.h"

#include "tools/png/PngWriter.h"

namespace editor_tool {

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3u)
        return false;
    pngtest::Image image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.depth = 8;
    image.colourType = 2;   // RGB
    image.rows = rgb;
    return pngtest::writeFile(path, pngtest::encode(image));
}

} // namespace editor_tool
