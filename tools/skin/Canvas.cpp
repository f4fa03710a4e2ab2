#include "tools/skin/Canvas.h"

#include <algorithm>
#include <cmath>

#include "gui/Geometry.h"
#include "gui/raster/Text.h"

namespace skin {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGrid = 4;  // samples per pixel along each axis

// Taylor series around 0 for |x| <= pi/4 after reduction; plenty of terms for
// double precision, summed in a fixed order.
double sineSeries(double x) {
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n < 12; ++n) {
        term = -term * x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum = sum + term;
    }
    return sum;
}

double cosineSeries(double x) {
    const double x2 = x * x;
    double term = 1.0, sum = 1.0;
    for (int n = 1; n < 12; ++n) {
        term = -term * x2 / static_cast<double>((2 * n - 1) * (2 * n));
        sum = sum + term;
    }
    return sum;
}

// A value that grows with the clockwise angle from straight up of the
// direction (a, b) = (right, up), in (-2, 2]: no arctangent needed.
double pseudoAngle(double a, double b) {
    const double sum = std::fabs(a) + std::fabs(b);
    if (sum == 0.0) return 0.0;
    const double t = a / sum;
    if (b >= 0.0) return t;
    return a >= 0.0 ? 2.0 - t : -2.0 - t;
}

double pseudoAngleOfDegrees(double degrees) {
    return pseudoAngle(sineOfDegrees(degrees), cosineOfDegrees(degrees));
}

double distanceToSegmentSquared(double px, double py, double x0, double y0, double x1, double y1) {
    const double vx = x1 - x0, vy = y1 - y0;
    const double wx = px - x0, wy = py - y0;
    const double length2 = vx * vx + vy * vy;
    double t = length2 > 0.0 ? (wx * vx + wy * vy) / length2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    const double dx = wx - t * vx, dy = wy - t * vy;
    return dx * dx + dy * dy;
}

int floorOf(double v) { return static_cast<int>(std::floor(v)); }
int ceilOf(double v) { return static_cast<int>(std::ceil(v)); }

} // namespace

double sineOfDegrees(double degrees) {
    // Reduce to -180..180, then to a quarter turn around 0 or +-90.
    while (degrees > 180.0) degrees -= 360.0;
    while (degrees < -180.0) degrees += 360.0;
    if (degrees > 135.0) return sineSeries((180.0 - degrees) * kPi / 180.0);
    if (degrees < -135.0) return -sineSeries((180.0 + degrees) * kPi / 180.0);
    if (degrees > 45.0) return cosineSeries((90.0 - degrees) * kPi / 180.0);
    if (degrees < -45.0) return -cosineSeries((-90.0 - degrees) * kPi / 180.0);
    return sineSeries(degrees * kPi / 180.0);
}

double cosineOfDegrees(double degrees) { return sineOfDegrees(degrees + 90.0); }

Rgb mix(Rgb a, Rgb b, int num, int den) {
    if (den <= 0) return a;
    auto channel = [&](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>((x * (den - num) + y * num + den / 2) / den);
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

void Canvas::blend(int x, int y, Rgb colour, int samples) {
    if (x < 0 || y < 0 || x >= pixels_.width() || y >= pixels_.height() || samples <= 0) return;
    const int full = kGrid * kGrid;
    const uint32_t old = pixels_.at(x, y);
    auto channel = [&](uint8_t was, uint8_t now) {
        return static_cast<uint8_t>((was * (full - samples) + now * samples + full / 2) / full);
    };
    pixels_.at(x, y) = raster::packPixel(channel(raster::redOf(old), colour.r), channel(raster::greenOf(old), colour.g),
                                         channel(raster::blueOf(old), colour.b));
}

void Canvas::fill(int left, int top, int right, int bottom, Rgb colour) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) blend(x, y, colour, kGrid * kGrid);
    }
}

void Canvas::verticalRamp(int left, int top, int right, int bottom, Rgb topColour, Rgb bottomColour) {
    const int rows = bottom - top;
    for (int y = top; y < bottom; ++y) fill(left, y, right, y + 1, mix(topColour, bottomColour, y - top, rows - 1));
}

void Canvas::frame(int left, int top, int right, int bottom, Rgb colour) {
    fill(left, top, right, top + 1, colour);
    fill(left, bottom - 1, right, bottom, colour);
    fill(left, top, left + 1, bottom, colour);
    fill(right - 1, top, right, bottom, colour);
}

int Canvas::samplesInside(int x, int y, const Inside& inside) {
    int samples = 0;
    for (int j = 0; j < kGrid; ++j) {
        const double sy = y + (2 * j + 1) / (2.0 * kGrid);
        for (int i = 0; i < kGrid; ++i) {
            if (inside(x + (2 * i + 1) / (2.0 * kGrid), sy)) ++samples;
        }
    }
    return samples;
}

void Canvas::shape(int left, int top, int right, int bottom, const Inside& inside, Rgb colour) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) blend(x, y, colour, samplesInside(x, y, inside));
    }
}

void Canvas::disc(double cx, double cy, double radius, Rgb colour) {
    const double r2 = radius * radius;
    shape(floorOf(cx - radius), floorOf(cy - radius), ceilOf(cx + radius), ceilOf(cy + radius),
          [&](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r2; }, colour);
}

void Canvas::ring(double cx, double cy, double inner, double outer, Rgb colour) {
    const double i2 = inner * inner, o2 = outer * outer;
    shape(floorOf(cx - outer), floorOf(cy - outer), ceilOf(cx + outer), ceilOf(cy + outer),
          [&](double x, double y) {
              const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
              return d2 >= i2 && d2 <= o2;
          },
          colour);
}

void Canvas::arc(double cx, double cy, double inner, double outer, double from, double to, Rgb colour) {
    const double i2 = inner * inner, o2 = outer * outer;
    const double lo = pseudoAngleOfDegrees(from), hi = pseudoAngleOfDegrees(to);
    shape(floorOf(cx - outer), floorOf(cy - outer), ceilOf(cx + outer), ceilOf(cy + outer),
          [&](double x, double y) {
              const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
              if (d2 < i2 || d2 > o2) return false;
              const double a = pseudoAngle(x - cx, cy - y);
              return a >= lo && a <= hi;
          },
          colour);
}

void Canvas::stroke(double x0, double y0, double x1, double y1, double width, Rgb colour) {
    const double h = width / 2.0, h2 = h * h;
    shape(floorOf(std::min(x0, x1) - h), floorOf(std::min(y0, y1) - h), ceilOf(std::max(x0, x1) + h),
          ceilOf(std::max(y0, y1) + h),
          [&](double x, double y) { return distanceToSegmentSquared(x, y, x0, y0, x1, y1) <= h2; }, colour);
}

Canvas::Inside Canvas::roundRectInside(double left, double top, double right, double bottom, double radius) {
    const double r2 = radius * radius;
    return [=](double x, double y) {
        if (x < left || x > right || y < top || y > bottom) return false;
        const double cx = std::min(std::max(x, left + radius), right - radius);
        const double cy = std::min(std::max(y, top + radius), bottom - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r2;
    };
}

void Canvas::roundRect(double left, double top, double right, double bottom, double radius, Rgb colour) {
    shape(floorOf(left), floorOf(top), ceilOf(right), ceilOf(bottom), roundRectInside(left, top, right, bottom, radius),
          colour);
}

void Canvas::triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb colour) {
    auto side = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    shape(floorOf(std::min({x0, x1, x2})), floorOf(std::min({y0, y1, y2})), ceilOf(std::max({x0, x1, x2})),
          ceilOf(std::max({y0, y1, y2})),
          [&](double x, double y) {
              const double a = side(x0, y0, x1, y1, x, y), b = side(x1, y1, x2, y2, x, y),
                           c = side(x2, y2, x0, y0, x, y);
              return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
          },
          colour);
}

void Canvas::text(const std::string& text, int x, int baseline, int pixelSize, bool bold, Rgb colour, Align align) {
    raster::FontSpec font;
    font.pixelSize = pixelSize;
    font.bold = bold;
    const raster::TextExtent extent = raster::measureText(font, text);
    int left = x;
    if (align == Align::centre) left = x - extent.width / 2;
    if (align == Align::right) left = x - extent.width;
    const VSTGUI::CRect clip(0, 0, pixels_.width(), pixels_.height());
    raster::drawText(pixels_, font, text, left, baseline - extent.ascent, raster::packPixel(colour.r, colour.g, colour.b),
                     clip);
}

int Canvas::textWidth(const std::string& text, int pixelSize, bool bold) {
    raster::FontSpec font;
    font.pixelSize = pixelSize;
    font.bold = bold;
    return raster::measureText(font, text).width;
}

} // namespace skin
