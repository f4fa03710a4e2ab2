#pragma once
// Reads a photograph the editor tool wrote back as 8-bit RGB rows, through
// libpng's simplified reader (the tests' own check, apart from our writer).
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

inline bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    return read;
}
