#include "gui/raster/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "gui/raster/Coverage.h"
#include "gui/raster/Raster.h"
#include "os/TextEncoding.h"
#include "resources/ResourceTable.h"

namespace raster {
namespace {

// Italic as a slanted outline: x moves right by about 0.2 of the height
// above the baseline. Our own 64-bit integer arithmetic, because FreeType's
// fixed-point helpers round differently in the 32-bit and the 64-bit library
// and the two builds must draw the same pixels.
void slant(FT_Outline& outline) {
    constexpr int64_t kShear = 0x0366A;  // 0.2126 in 16.16
    for (int i = 0; i < outline.n_points; ++i) {
        const int64_t lift = static_cast<int64_t>(outline.points[i].y) * kShear;
        const int64_t shift = lift >= 0 ? (lift + 0x8000) >> 16 : -((-lift + 0x8000) >> 16);
        outline.points[i].x += static_cast<FT_Pos>(shift);
    }
}

int floorPixel(FT_Pos v) { return static_cast<int>((v - ((v % 64 + 64) % 64)) / 64); }
int ceilPixel(FT_Pos v) { return -floorPixel(-v); }

// Hands an outline's edges to the coverage, curves cut into straight pieces
// (as many as the curve's bend asks for); positions turn from 26.6 units,
// y up, into pixels of the glyph's box, y down.
struct Flattener {
    Coverage* coverage;
    int left, top;
    double x, y;

    double px(const FT_Vector* v) const { return static_cast<double>(v->x) / 64.0 - left; }
    double py(const FT_Vector* v) const { return top - static_cast<double>(v->y) / 64.0; }
    void lineTo(double nx, double ny) {
        coverage->line(x, y, nx, ny);
        x = nx;
        y = ny;
    }

    static int moveTo(const FT_Vector* to, void* user) {
        auto* f = static_cast<Flattener*>(user);
        f->x = f->px(to);
        f->y = f->py(to);
        return 0;
    }
    static int line(const FT_Vector* to, void* user) {
        auto* f = static_cast<Flattener*>(user);
        f->lineTo(f->px(to), f->py(to));
        return 0;
    }
    static int conic(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* f = static_cast<Flattener*>(user);
        const double x0 = f->x, y0 = f->y, cx = f->px(control), cy = f->py(control), x2 = f->px(to), y2 = f->py(to);
        const double bend = std::hypot(x0 - 2 * cx + x2, y0 - 2 * cy + y2);
        const int pieces = std::min(64, 1 + static_cast<int>(std::sqrt(bend * 4.0)));
        for (int i = 1; i <= pieces; ++i) {
            const double t = static_cast<double>(i) / pieces, u = 1.0 - t;
            f->lineTo(u * u * x0 + 2 * u * t * cx + t * t * x2, u * u * y0 + 2 * u * t * cy + t * t * y2);
        }
        return 0;
    }
    static int cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* f = static_cast<Flattener*>(user);
        const double x0 = f->x, y0 = f->y, ax = f->px(c1), ay = f->py(c1), bx = f->px(c2), by = f->py(c2);
        const double x3 = f->px(to), y3 = f->py(to);
        const double bend = std::max(std::hypot(x0 - 2 * ax + bx, y0 - 2 * ay + by), std::hypot(ax - 2 * bx + x3, ay - 2 * by + y3));
        const int pieces = std::min(64, 1 + static_cast<int>(std::sqrt(bend * 6.0)));
        for (int i = 1; i <= pieces; ++i) {
            const double t = static_cast<double>(i) / pieces, u = 1.0 - t;
            f->lineTo(u * u * u * x0 + 3 * u * u * t * ax + 3 * u * t * t * bx + t * t * t * x3,
                      u * u * u * y0 + 3 * u * u * t * ay + 3 * u * t * t * by + t * t * t * y3);
        }
        return 0;
    }
    static const FT_Outline_Funcs calls;
};
const FT_Outline_Funcs Flattener::calls = {&Flattener::moveTo, &Flattener::line, &Flattener::conic, &Flattener::cubic, 0, 0};

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
        if (f.italic) slant(face->glyph->outline);
        const FT_GlyphSlot slot = face->glyph;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0) return g;
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        const int left = floorPixel(box.xMin), right = ceilPixel(box.xMax);
        const int bottom = floorPixel(box.yMin), top = ceilPixel(box.yMax);
        if (right <= left || top <= bottom || right - left > 1024 || top - bottom > 1024) return g;
        Coverage coverage(right - left, top - bottom);
        Flattener flat{&coverage, left, top, 0, 0};
        if (FT_Outline_Decompose(&slot->outline, &Flattener::calls, &flat) != 0) return g;
        g.left = left;
        g.top = top;
        g.width = coverage.width();
        g.rows = coverage.height();
        g.coverage = coverage.result();
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
    // FreeType's memory goes with the library (a host that unloads the
    // plug-in gets it back); nothing draws text once the library is unloading.
    ~FontStore() {
        std::lock_guard<std::mutex> hold(lock);
        faces_[0] = faces_[1] = nullptr;
        if (library_) FT_Done_FreeType(library_);   // frees its faces too
        library_ = nullptr;
    }

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
    for (size_t at = 0; at < text.size();) {
        const os::TextCharacter c = os::characterAt(text, at);
        e.width += store.glyph(f, *s, c.codePoint).advance;
        at += c.length;
    }
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
    for (size_t at = 0; at < text.size();) {
        const os::TextCharacter c = os::characterAt(text, at);
        at += c.length;
        const Glyph& g = store.glyph(f, *s, c.codePoint);
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
