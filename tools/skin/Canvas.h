#pragma once
// Antialiased shapes for the skin generator, painted into an opaque
// PixelBuffer. Each pixel is sampled on a 4 x 4 grid and blended with the
// count of samples inside the shape (0..16), in integers; the geometry uses
// only + - * / and sqrt in double and our own sine and cosine, which the
// 32-bit and 64-bit builds (both SSE2, no contraction) compute alike, so both
// builds draw the same bytes. Single-threaded; the canvas does not own the
// buffer.
#include <cstdint>
#include <functional>
#include <string>

#include "gui/raster/PixelBuffer.h"

namespace skin {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// Sine and cosine of an angle in degrees (series, no library call).
double sineOfDegrees(double degrees);
double cosineOfDegrees(double degrees);

// Rgb a..b at position num / den (integers, rounded to nearest).
Rgb mix(Rgb a, Rgb b, int num, int den);

enum class Align { left, centre, right };

class Canvas {
public:
    explicit Canvas(raster::PixelBuffer& pixels) : pixels_(pixels) {}

    raster::PixelBuffer& pixels() { return pixels_; }

    // Whole pixels, right and bottom excluded.
    void fill(int left, int top, int right, int bottom, Rgb colour);
    // A vertical ramp from `top` colour on the first row to `bottom` on the last.
    void verticalRamp(int left, int top, int right, int bottom, Rgb topColour, Rgb bottomColour);
    // A one-pixel outline inside the rectangle.
    void frame(int left, int top, int right, int bottom, Rgb colour);

    // Paints colour where inside(x, y) holds, x and y in pixels (pixel (i, j)
    // spans i..i+1, j..j+1), over the pixels left..right-1, top..bottom-1.
    using Inside = std::function<bool(double x, double y)>;
    void shape(int left, int top, int right, int bottom, const Inside& inside, Rgb colour);
    // How many of the pixel's 16 samples lie inside (what shape() blends with).
    static int samplesInside(int x, int y, const Inside& inside);
    // The rectangle with rounded corners that roundRect() paints.
    static Inside roundRectInside(double left, double top, double right, double bottom, double radius);

    void disc(double cx, double cy, double radius, Rgb colour);
    void ring(double cx, double cy, double inner, double outer, Rgb colour);
    // The part of a ring from angle `from` to `to` (degrees clockwise from
    // straight up, from <= to, both within -180..180).
    void arc(double cx, double cy, double inner, double outer, double from, double to, Rgb colour);
    // A stroke of the given width from (x0, y0) to (x1, y1), round ends.
    void stroke(double x0, double y0, double x1, double y1, double width, Rgb colour);
    void roundRect(double left, double top, double right, double bottom, double radius, Rgb colour);
    // A filled triangle.
    void triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb colour);

    // One line of Liberation Sans; `x` is the left edge, the centre or the
    // right edge as `align` says; `baseline` is the baseline's row.
    void text(const std::string& text, int x, int baseline, int pixelSize, bool bold, Rgb colour,
              Align align = Align::left);
    static int textWidth(const std::string& text, int pixelSize, bool bold);

private:
    void blend(int x, int y, Rgb colour, int samples);

    raster::PixelBuffer& pixels_;
};

} // namespace skin
