#pragma once
// A small PNG writer for the tests' fixtures, the test card, the gui bench,
// the skin generator (tools/skin) and the tools' editor photographs: any
// colour type and bit depth, optional Adam7 interlacing (8 and 16 bits), filter 0, zlib at a fixed level so the
// same image always gives the same bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

struct Image {
    uint32_t width = 0, height = 0;
    int depth = 8;
    int colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    bool interlaced = false;
    std::vector<uint8_t> rows;     // the scanlines packed as PNG stores them, top first, no filter bytes
    std::vector<uint8_t> palette;  // RGB triplets (type 3)
    std::vector<uint8_t> trns;     // the tRNS chunk's bytes, when not empty
    size_t idatPiece = 0;          // image data split into IDAT chunks of this size (0: one chunk)
};

int channelsOf(int colourType);
size_t rowBytes(const Image& image);
std::vector<uint8_t> encode(const Image& image);
// IHDR claiming width × height, then an IDAT of a few bytes and IEND.
std::vector<uint8_t> encodeHeaderOnly(uint32_t width, uint32_t height);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A picture of 8-bit RGB (width × height × 3 bytes, rows top first), as the
// tools photograph editors. encodeRgb answers nothing for a size that does
// not match; writeRgbFile false for that or a file that cannot be written.
std::vector<uint8_t> encodeRgb(int width, int height, const std::vector<uint8_t>& rgb);
bool writeRgbFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
std::vector<uint8_t> readFile(const std::string& path);

} // namespace pngtest
