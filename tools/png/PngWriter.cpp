#include "PngWriter.h"

#include <cstdio>

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace pngtest {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

std::vector<uint8_t> deflate(const std::vector<uint8_t>& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(size);
    return packed;
}

// Filter byte 0 before each row of each pass.
std::vector<uint8_t> filteredRows(const Image& image) {
    const size_t stride = rowBytes(image);
    std::vector<uint8_t> raw;
    if (!image.interlaced) {
        for (uint32_t y = 0; y < image.height; ++y) {
            raw.push_back(0);
            raw.insert(raw.end(), image.rows.begin() + static_cast<ptrdiff_t>(y * stride),
                       image.rows.begin() + static_cast<ptrdiff_t>((y + 1) * stride));
        }
        return raw;
    }
    const size_t pixelBytes = static_cast<size_t>(channelsOf(image.colourType) * image.depth / 8);
    const uint32_t x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    const uint32_t y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int pass = 0; pass < 7; ++pass) {
        if (x0[pass] >= image.width) continue;
        for (uint32_t y = y0[pass]; y < image.height; y += dy[pass]) {
            raw.push_back(0);
            for (uint32_t x = x0[pass]; x < image.width; x += dx[pass]) {
                const uint8_t* p = image.rows.data() + y * stride + x * pixelBytes;
                raw.insert(raw.end(), p, p + pixelBytes);
            }
        }
    }
    return raw;
}

} // namespace

int channelsOf(int colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

size_t rowBytes(const Image& image) {
    return (static_cast<size_t>(image.width) * channelsOf(image.colourType) * image.depth + 7) / 8;
}

std::vector<uint8_t> encode(const Image& image) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    put32(header, image.width);
    put32(header, image.height);
    header.push_back(static_cast<uint8_t>(image.depth));
    header.push_back(static_cast<uint8_t>(image.colourType));
    header.push_back(0);
    header.push_back(0);
    header.push_back(image.interlaced ? 1 : 0);
    chunk(out, "IHDR", header);
    if (!image.palette.empty()) chunk(out, "PLTE", image.palette);
    if (!image.trns.empty()) chunk(out, "tRNS", image.trns);
    const std::vector<uint8_t> data = deflate(filteredRows(image));
    const size_t piece = image.idatPiece ? image.idatPiece : data.size();
    for (size_t at = 0; at < data.size(); at += piece) {
        chunk(out, "IDAT", std::vector<uint8_t>(data.begin() + static_cast<ptrdiff_t>(at),
                                                data.begin() + static_cast<ptrdiff_t>(std::min(data.size(), at + piece))));
    }
    chunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> encodeHeaderOnly(uint32_t width, uint32_t height) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    put32(header, width);
    put32(header, height);
    for (uint8_t b : {8, 6, 0, 0, 0}) header.push_back(b);
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", deflate(std::vector<uint8_t>(64, 0)));
    chunk(out, "IEND", {});
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // Through a temporary file renamed over the target: never half a picture.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out.good()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::vector<uint8_t> encodeRgb(int width, int height, const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3u)
        return {};
    Image image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.depth = 8;
    image.colourType = 2;   // RGB
    image.rows = rgb;
    return encode(image);
}

bool writeRgbFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    const std::vector<uint8_t> png = encodeRgb(width, height, rgb);
    return !png.empty() && writeFile(path, png);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace pngtest
