#include "gui/raster/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "gui/raster/Raster.h"
#include "resources/ResourceTable.h"

namespace raster {
namespace {

// Windows-1252 0x80..0x9F; the rest of the byte range is Latin-1. Unassigned
// bytes map to themselves (the fonts draw nothing for them).
const uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePointOf(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : c; }

struct Glyph {
    int left = 0;     // bitmap's left edge from the pen position
    int top = 0;      // bitmap's top edge above the baseline
    int width = 0, rows = 0;
    int advance = 0;  // whole pixels
    std::vector<uint8_t> coverage;
};

struct SizedFace {
    int ascent = 0, descent = 0;
    int underlinePosition = 0, underlineThickness = 1;  // pixels below the baseline
    std::map<uint32_t, Glyph> glyphs;
};

class FontStore {
public:
    static FontStore& instance() {
        static FontStore store;
        return store;
    }

    std::mutex lock;

    bool ready() const { return faces_[0] && faces_[1]; }

    // Under lock.
    SizedFace* sized(const FontSpec& f) {
        const auto key = std::make_tuple(f.bold, f.italic, f.pixelSize);
        auto found = sizes_.find(key);
        if (found != sizes_.end()) return &found->second;
        FT_Face face = faces_[f.bold ? 1 : 0];
        if (!face || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(f.pixelSize)) != 0) return nullptr;
        SizedFace& s = sizes_[key];
        const FT_Size_Metrics& m = face->size->metrics;
        s.ascent = static_cast<int>((m.ascender + 63) >> 6);
        s.descent = static_cast<int>((-m.descender + 63) >> 6);
        s.underlinePosition = std::max<int>(1, static_cast<int>((-FT_MulFix(face->underline_position, m.y_scale) + 32) >> 6));
        s.underlineThickness =
            std::max<int>(1, static_cast<int>((FT_MulFix(face->underline_thickness, m.y_scale) + 32) >> 6));
        return &s;
    }

    // Under lock.
    const Glyph& glyph(const FontSpec& f, SizedFace& s, uint32_t codePoint) {
        auto found = s.glyphs.find(codePoint);
        if (found != s.glyphs.end()) return found->second;
        Glyph& g = s.glyphs[codePoint];
        FT_Face face = faces_[f.bold ? 1 : 0];
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(f.pixelSize)) != 0) return g;
        if (FT_Load_Char(face, codePoint, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return g;
        if (f.italic) FT_GlyphSlot_Oblique(face->glyph);
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bitmap.width);
        g.rows = static_cast<int>(bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* from = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            std::copy_n(from, g.width, g.coverage.begin() + static_cast<ptrdiff_t>(y) * g.width);
        }
        return g;
    }

private:
    FontStore() {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        const char* names[2] = {"LiberationSans-Regular", "LiberationSans-Bold"};
        for (int i = 0; i < 2; ++i) {
            const resources::Bytes bytes = resources::findByName("FONT", names[i]);
            if (!bytes || FT_New_Memory_Face(library_, bytes.data, static_cast<FT_Long>(bytes.size), 0, &faces_[i]) != 0) {
                faces_[i] = nullptr;
            }
        }
    }
    // Lives as long as the process: glyph users may run during static teardown.
    ~FontStore() = default;

    FT_Library library_ = nullptr;
    FT_Face faces_[2] = {nullptr, nullptr};
    std::map<std::tuple<bool, bool, int>, SizedFace> sizes_;
};

FontSpec clamped(FontSpec f) {
    f.pixelSize = std::clamp(f.pixelSize, 1, 256);
    return f;
}

} // namespace

bool fontsAvailable() { return FontStore::instance().ready(); }

TextExtent measureText(const FontSpec& requested, const std::string& text) {
    const FontSpec f = clamped(requested);
    FontStore& store = FontStore::instance();
    std::lock_guard<std::mutex> hold(store.lock);
    TextExtent e;
    if (!store.ready()) return e;
    SizedFace* s = store.sized(f);
    if (!s) return e;
    e.ascent = s->ascent;
    e.descent = s->descent;
    for (unsigned char c : text) e.width += store.glyph(f, *s, codePointOf(c)).advance;
    return e;
}

void drawText(PixelBuffer& dst, const FontSpec& requested, const std::string& text, int x, int top,
              uint32_t colour, const VSTGUI::CRect& clip) {
    const FontSpec f = clamped(requested);
    FontStore& store = FontStore::instance();
    std::lock_guard<std::mutex> hold(store.lock);
    if (!store.ready()) return;
    SizedFace* s = store.sized(f);
    if (!s) return;
    const int baseline = top + s->ascent;
    int pen = x;
    for (unsigned char c : text) {
        const Glyph& g = store.glyph(f, *s, codePointOf(c));
        if (!g.coverage.empty()) {
            paintCoverage(dst, pen + g.left, baseline - g.top, g.coverage.data(), g.width, g.rows, g.width, colour, clip);
        }
        pen += g.advance;
    }
    if (f.underline && pen > x) {
        const int y = baseline + s->underlinePosition - s->underlineThickness / 2;
        fillRect(dst, VSTGUI::CRect(x, y, pen, y + s->underlineThickness), colour, PenMode::copy, clip);
    }
}

} // namespace raster
