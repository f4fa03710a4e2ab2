#pragma once
// A picture in memory: premultiplied 32-bit pixels, bytes blue, green, red,
// alpha (one uint32_t 0xAARRGGBB on these little-endian machines), row 0 at
// the top. The owner draws into it on one thread at a time.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace raster {

inline uint32_t packPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) {
    return static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(red) << 16 |
           static_cast<uint32_t>(green) << 8 | blue;
}
inline uint8_t alphaOf(uint32_t p) { return static_cast<uint8_t>(p >> 24); }
inline uint8_t redOf(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
inline uint8_t greenOf(uint32_t p) { return static_cast<uint8_t>(p >> 8); }
inline uint8_t blueOf(uint32_t p) { return static_cast<uint8_t>(p); }

class PixelBuffer {
public:
    PixelBuffer() = default;
    // All pixels 0 (transparent black). Sizes below 0 count as 0.
    PixelBuffer(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }

    uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    const uint32_t* row(int y) const {
        return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
    }
    uint32_t at(int x, int y) const { return row(y)[x]; }
    uint32_t& at(int x, int y) { return row(y)[x]; }

    std::vector<uint32_t>& pixels() { return pixels_; }
    const std::vector<uint32_t>& pixels() const { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

} // namespace raster
