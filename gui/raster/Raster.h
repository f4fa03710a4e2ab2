#pragma once
// The rasteriser: drawing into a PixelBuffer with the pixel rules of the
// toolkit's original platform (rectangles exclude right and bottom, lines
// exclude their end point). Every call takes a clip rectangle in the buffer's
// coordinates and touches no pixel outside it or outside the buffer; copies
// also stay inside the source. Colours are opaque: pen and brush pixels are
// written with alpha 255.
#include <cstdint>

#include "gui/Geometry.h"
#include "gui/raster/PixelBuffer.h"

namespace raster {

using VSTGUI::CPoint;
using VSTGUI::CRect;

// How pen and brush pixels combine with the destination's colour.
enum class PenMode { copy, merge, notXor };

struct Pen {
    uint32_t colour = 0xFFFFFFFFu;  // packPixel(r, g, b)
    int width = 1;
    bool dotted = false;  // every other pixel along the line, from its start
    PenMode mode = PenMode::copy;
};

void fillRect(PixelBuffer& dst, const CRect& area, uint32_t colour, PenMode mode, const CRect& clip);

// From `from` up to, not including, `to`.
void drawLine(PixelBuffer& dst, CPoint from, CPoint to, const Pen& pen, const CRect& clip);

// Copies of the area's size from `srcAt` in src to the area of dst.
void copyPixels(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area, const CRect& clip);
// Source-over with premultiplied source pixels, the source scaled by
// constantAlpha; each result rounded once ((x + 127) / 255 at full alpha), so
// it is within 1 of the exact value.
void blendPixels(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area,
                 uint8_t constantAlpha, const CRect& clip);
// Copies the source pixels whose red, green and blue differ from the key's.
void keyedCopy(const PixelBuffer& src, CPoint srcAt, PixelBuffer& dst, const CRect& area, uint32_t key,
               const CRect& clip);

// Paints colour through a coverage mask (0 none .. 255 full) whose top-left
// lands at (x, y): text glyphs.
void paintCoverage(PixelBuffer& dst, int x, int y, const uint8_t* coverage, int width, int height, int pitch,
                   uint32_t colour, const CRect& clip);

// The part of a copy that lies inside the clip and both buffers.
struct CopySpan {
    int srcX = 0, srcY = 0, dstX = 0, dstY = 0, width = 0, height = 0;
};
bool clipCopy(int srcWidth, int srcHeight, CPoint srcAt, int dstWidth, int dstHeight, const CRect& area,
              const CRect& clip, CopySpan& span);

} // namespace raster
