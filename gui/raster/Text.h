#pragma once
// Text with FreeType from the fonts embedded in the library (Liberation Sans
// 2, regular and bold; no font lookup on the system). Glyphs are rendered
// once per face, size and style and kept for the process. Safe from any
// thread (one lock around FreeType and the glyph store).
#include <cstdint>
#include <string>

#include "gui/Geometry.h"
#include "gui/raster/PixelBuffer.h"

namespace raster {

struct FontSpec {
    int pixelSize = 12;  // the em height in pixels; clamped to 1..256
    bool bold = false;
    bool italic = false;     // the outline slanted
    bool underline = false;
};

struct TextExtent {
    int width = 0;    // sum of the advances, in pixels
    int ascent = 0;   // pixels above the baseline
    int descent = 0;  // pixels below it
    int height() const { return ascent + descent; }
};

// Texts are read as os/TextEncoding.h says: UTF-8, stray bytes Windows-1252.
TextExtent measureText(const FontSpec& font, const std::string& text);
// Draws one line whose cell's top-left is (x, top): the baseline lies
// `ascent` below top. Antialiased in grey, painted in colour, inside clip.
void drawText(PixelBuffer& dst, const FontSpec& font, const std::string& text, int x, int top, uint32_t colour,
              const VSTGUI::CRect& clip);
// False when the embedded fonts cannot be opened (then nothing is drawn).
bool fontsAvailable();

} // namespace raster
