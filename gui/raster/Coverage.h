#pragma once
// Antialiased coverage of a filled outline: the signed area each edge
// sweeps, accumulated along every row (non-zero fill for outlines whose
// contours do not cover each other twice, as glyphs are). Glyphs are
// rasterised here and not by FreeType's own renderer, whose 32-bit and 64-bit
// builds disagree on a few pixels: this code is compiled with the project's
// SSE arithmetic on both builds, so both draw the same coverage.
#include <cstdint>
#include <vector>

namespace raster {

class Coverage {
public:
    // Pixels 0..width-1 and 0..height-1; y grows downwards.
    Coverage(int width, int height);

    // One edge of the outline, in pixels; parts outside the area are dropped
    // (the caller sizes the area to the outline's bounds).
    void line(double x0, double y0, double x1, double y1);
    // 0 (outside) to 255 (covered), row by row.
    std::vector<uint8_t> result() const;

    int width() const { return width_; }
    int height() const { return height_; }

private:
    void add(int x, int y, double amount);

    int width_, height_, stride_;
    std::vector<double> area_;
};

} // namespace raster
