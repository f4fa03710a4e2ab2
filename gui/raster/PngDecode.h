#pragma once
// PNG bytes to premultiplied pixels (PixelBuffer: blue, green, red, alpha,
// row 0 the image's top), through libpng. Any colour type, bit depth and
// interlacing; images larger than kMaxPngSide on a side are refused.
#include <cstddef>
#include <cstdint>

#include "gui/raster/PixelBuffer.h"

namespace raster {

constexpr int kMaxPngSide = 8192;

struct PngOutcome {
    bool header = false;    // the header was read: out has the image's size
    bool complete = false;  // every row was decoded
};

// A damaged image keeps what was decoded before the damage (premultiplied),
// the rest transparent. Reads only the size bytes at data.
PngOutcome decodePng(const uint8_t* data, size_t size, PixelBuffer& out);

} // namespace raster
