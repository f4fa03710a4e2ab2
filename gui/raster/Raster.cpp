#include "gui/raster/Raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace raster {
namespace {

// The clip bounded by the buffer, in 64-bit so hostile coordinates cannot wrap.
struct Bounds {
    int64_t left, top, right, bottom;
    bool empty() const { return right <= left || bottom <= top; }
};

Bounds boundsOf(const PixelBuffer& dst, const CRect& clip) {
    return Bounds{std::max<int64_t>(clip.left, 0), std::max<int64_t>(clip.top, 0),
                  std::min<int64_t>(clip.right, dst.width()), std::min<int64_t>(clip.bottom, dst.height())};
}

inline uint32_t opaque(uint32_t colour) { return colour | 0xFF000000u; }

inline uint32_t combine(uint32_t under, uint32_t colour, PenMode mode) {
    switch (mode) {
    case PenMode::merge: return opaque(under | colour);
    case PenMode::notXor: return opaque(~(under ^ colour) & 0x00FFFFFFu);
    case PenMode::copy: break;
    }
    return opaque(colour);
}

inline uint32_t div255(uint32_t x) { return (x + 127) / 255; }

inline void plot(PixelBuffer& dst, int64_t x, int64_t y, const Pen& pen, const Bounds& b) {
    if (pen.width <= 1) {
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
            uint32_t& p = dst.at(static_cast<int>(x), static_cast<int>(y));
            p = combine(p, pen.colour, pen.mode);
        }
        return;
    }
    // A wide pen is a square of its width centred on the line's pixel.
    const int64_t from = -(pen.width - 1) / 2;
    for (int64_t dy = from; dy < from + pen.width; ++dy) {
        for (int64_t dx = from; dx < from + pen.width; ++dx) {
            const int64_t px = x + dx, py = y + dy;
            if (px >= b.left && px < b.right && py >= b.top && py < b.bottom) {
                uint32_t& p = dst.at(static_cast<int>(px), static_cast<int>(py));
                p = combine(p, pen.colour, pen.mode);
            }
        }
    }
}

} // namespace

void fillRect(PixelBuffer& dst, const CRect& area, uint32_t colour, PenMode mode, const CRect& clip) {
    Bounds b = boundsOf(dst, clip);
    b.left = std::max<int64_t>(b.left, area.left);
    b.top = std::max<int64_t>(b.top, area.top);
    b.right = std::min<int64_t>(b.right, area.right);
    b.bottom = std::min<int64_t>(b.bottom, area.bottom);
    if (b.empty()) return;
    for (int64_t y = b.top; y < b.bottom; ++y) {
        uint32_t* row = dst.row(static_cast<int>(y));
        if (mode == PenMode::copy) {
            std::fill(row + b.left, row + b.right, opaque(colour));
        } else {
            for (int64_t x = b.left; x < b.right; ++x) row[x] = combine(row[x], colour, mode);
        }
    }
}

void drawLine(PixelBuffer& dst, CPoint from, CPoint to, const Pen& pen, const CRect& clip) {
    const Bounds b = boundsOf(dst, clip);
    if (b.empty()) return;
    int64_t x = from.h, y = from.v;
    const int64_t dx = std::llabs(static_cast<int64_t>(to.h) - x), dy = std::llabs(static_cast<int64_t>(to.v) - y);
    const int64_t sx = to.h > x ? 1 : -1, sy = to.v > y ? 1 : -1;
    // Bresenham along the major axis; the end point is never drawn.
    const bool xMajor = dx >= dy;
    const int64_t steps = xMajor ? dx : dy;
    const int64_t major = steps, minor = xMajor ? dy : dx;
    int64_t error = 2 * minor - major;
    for (int64_t i = 0; i < steps; ++i) {
        if (!pen.dotted || (i & 1) == 0) plot(dst, x, y, pen, b);
        if (error > 0) {
            if (xMajor) y += sy; else x += sx;
            error -= 2 * major;
        }
        error += 2 * minor;
        if (xMajor) x += sx; else y += sy;
    }
}

bool clipCopy(int srcWidth, int srcHeight, CPoint srcAt, int dstWidth, int dstHeight, const CRect& area,
              const CRect& clip, CopySpan& span) {
    // Destination: the area inside the clip and the destination buffer.
    int64_t l = std::max<int64_t>({area.left, clip.left, 0});
    int64_t t = std::max<int64_t>({area.top, clip.top, 0});
    int64_t r = std::min<int64_t>({area.right, clip.right, dstWidth});
    int64_t btm = std::min<int64_t>({area.bottom, clip.bottom, dstHeight});
    // Source: the same pixels seen from srcAt, kept inside the source buffer.
    const int64_t shiftX = static_cast<int64_t>(srcAt.h) - area.left;
    const int64_t shiftY = static_cast<int64_t>(srcAt.v) - area.top;
    l = std::max<int64_t>(l, -shiftX);
    t = std::max<int64_t>(t, -shiftY);
    r = std::min<int64_t>(r, srcWidth - shiftX);
    btm = std::min<int64_t>(btm, srcHeight - shiftY);
    if (r <= l || btm <= t) return false;
    span.dstX = static_cast<int>(l);
    span.dstY = static_cast<int>(t);
    span.srcX = static_cast<int>(l + shiftX);
    span.srcY = static_cast<int>(t + shiftY);
    span.width = static_cast<int>(r - l);
    span.height = static_cast<int>(btm - t);
    return true;
}

void copyPixels(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area, const CRect& clip) {
    CopySpan s;
    if (!clipCopy(src.width(), src.height(), srcAt, dst.width(), dst.height(), area, clip, s)) return;
    const bool sameRowsBelow = &src == &dst && s.srcY < s.dstY;
    for (int i = 0; i < s.height; ++i) {
        // Within one buffer, rows are walked away from the overlap.
        const int y = sameRowsBelow ? s.height - 1 - i : i;
        // memmove: within one row of one buffer the spans may overlap.
        std::memmove(dst.row(s.dstY + y) + s.dstX, src.row(s.srcY + y) + s.srcX,
                     static_cast<size_t>(s.width) * sizeof(uint32_t));
    }
}

void blendPixels(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area,
                 uint8_t constantAlpha, const CRect& clip) {
    CopySpan s;
    if (!clipCopy(src.width(), src.height(), srcAt, dst.width(), dst.height(), area, clip, s)) return;
    for (int y = 0; y < s.height; ++y) {
        const uint32_t* from = src.row(s.srcY + y) + s.srcX;
        uint32_t* to = dst.row(s.dstY + y) + s.dstX;
        for (int x = 0; x < s.width; ++x) {
            const uint32_t p = from[x];
            if (constantAlpha == 255) {
                const uint32_t a = alphaOf(p);
                if (a == 255) {
                    to[x] = p;
                    continue;
                }
                if (p == 0) continue;
                const uint32_t keep = 255 - a, d = to[x];
                to[x] = std::min<uint32_t>(255, a + div255(alphaOf(d) * keep)) << 24 |
                        std::min<uint32_t>(255, redOf(p) + div255(redOf(d) * keep)) << 16 |
                        std::min<uint32_t>(255, greenOf(p) + div255(greenOf(d) * keep)) << 8 |
                        std::min<uint32_t>(255, blueOf(p) + div255(blueOf(d) * keep));
                continue;
            }
            // Scaled source and what it leaves of the destination, rounded once.
            const uint32_t keep = 65025 - alphaOf(p) * constantAlpha, d = to[x];
            auto channel = [&](int shift) {
                const uint32_t v = (((p >> shift) & 0xFF) * constantAlpha * 255 + ((d >> shift) & 0xFF) * keep + 32512) / 65025;
                return std::min<uint32_t>(255, v) << shift;
            };
            to[x] = channel(24) | channel(16) | channel(8) | channel(0);
        }
    }
}

void keyedCopy(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area, uint32_t key,
               const CRect& clip) {
    CopySpan s;
    if (!clipCopy(src.width(), src.height(), srcAt, dst.width(), dst.height(), area, clip, s)) return;
    for (int y = 0; y < s.height; ++y) {
        const uint32_t* from = src.row(s.srcY + y) + s.srcX;
        uint32_t* to = dst.row(s.dstY + y) + s.dstX;
        for (int x = 0; x < s.width; ++x) {
            if (((from[x] ^ key) & 0x00FFFFFFu) != 0) to[x] = from[x];
        }
    }
}

void paintCoverage(PixelBuffer& dst, int x, int y, const uint8_t* coverage, int width, int height, int pitch,
                   uint32_t colour, const CRect& clip) {
    const Bounds b = boundsOf(dst, clip);
    const int64_t left = std::max<int64_t>(b.left, x), right = std::min<int64_t>(b.right, int64_t{x} + width);
    const int64_t top = std::max<int64_t>(b.top, y), bottom = std::min<int64_t>(b.bottom, int64_t{y} + height);
    for (int64_t py = top; py < bottom; ++py) {
        const uint8_t* cover = coverage + (py - y) * pitch;
        uint32_t* row = dst.row(static_cast<int>(py));
        for (int64_t px = left; px < right; ++px) {
            const uint32_t c = cover[px - x];
            if (c == 0) continue;
            if (c == 255) {
                row[px] = opaque(colour);
                continue;
            }
            const uint32_t keep = 255 - c, d = row[px];
            row[px] = div255(255 * c + alphaOf(d) * keep) << 24 | div255(redOf(colour) * c + redOf(d) * keep) << 16 |
                      div255(greenOf(colour) * c + greenOf(d) * keep) << 8 |
                      div255(blueOf(colour) * c + blueOf(d) * keep);
        }
    }
}

} // namespace raster
