// Fonts and strings of the drawing context: the font table's rules, state
// setters that make nothing new for an unchanged value, and where a string
// lands for each alignment (against the text layer drawn at the computed
// position, and against the ink it leaves).
#include <gtest/gtest.h>

#include "gui/CDrawContext.h"
#include "gui/raster/Coverage.h"
#include "gui/raster/Text.h"

using namespace VSTGUI;
using raster::PixelBuffer;

namespace {

struct Ink {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, pixels = 0;
};
Ink inkOf(const PixelBuffer& b) {
    Ink ink;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if (b.at(x, y) == 0) continue;
            ++ink.pixels;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

PixelBuffer drawn(int32_t font, int32_t style, const char* text, const CRect& rect, int32_t align, bool opaque = false) {
    PixelBuffer b(120, 40);
    CDrawContext* c = new CDrawContext(nullptr, &b);
    c->setFont(font, 0, style);
    c->setFontColor(kWhiteCColor);
    c->setFillColor(kBlueCColor);
    c->drawString(text, rect, opaque, align);
    c->forget();
    return b;
}

TEST(GuiText, TheFontTableAndUnchangedStateMakeNothingNew) {
    ASSERT_TRUE(raster::fontsAvailable());
    PixelBuffer b(4, 4);
    CDrawContext* c = new CDrawContext(nullptr, &b);
    const CDrawContext::ObjectCounts start = c->objectCounts();
    EXPECT_EQ(start.pens, 3) << "colour, style and width set at construction";
    EXPECT_EQ(start.brushes, 1);
    EXPECT_EQ(start.fonts, 1);
    c->setFont(9, 0, 0);
    EXPECT_EQ(c->getFont(), kSystemFont) << "an id outside 0..7 is font 0";
    EXPECT_EQ(c->getFontSize(), 12);
    EXPECT_EQ(c->objectCounts().fonts, 1) << "font 0 at 12 is what construction chose";
    c->setFont(3, 0, 0);
    c->setFont(3, 12, 0);
    EXPECT_EQ(c->objectCounts().fonts, 2) << "size 0 means the default 12: the second call changes nothing";
    c->setFont(3, 13, 0);
    EXPECT_EQ(c->objectCounts().fonts, 3);
    c->setFillColor(kRedCColor);
    c->setFillColor(kRedCColor);
    EXPECT_EQ(c->objectCounts().brushes, 2) << "the same fill colour twice: one brush";
    c->setFillColor(CColor{255, 0, 0, 7});
    EXPECT_EQ(c->objectCounts().brushes, 3) << "all four bytes are compared";
    c->setFrameColor(kWhiteCColor);
    c->setLineWidth(1);
    c->setLineStyle(kLineSolid);
    EXPECT_EQ(c->objectCounts().pens, 3);
    c->forget();
    const int32_t sizes[] = {12, 18, 14, 12, 11, 10, 9, 13};
    for (int32_t id = 0; id < 8; ++id) EXPECT_EQ(defaultFontSize(id), sizes[id]) << id;
}

TEST(GuiText, FontZeroIsBoldAndStylesChangeThePixels) {
    const CRect rect(0, 0, 120, 40);
    const Ink regular = inkOf(drawn(kNormalFont, 0, "Harvell", rect, kLeftText));
    const Ink system = inkOf(drawn(kSystemFont, 0, "Harvell", rect, kLeftText));
    const Ink bold = inkOf(drawn(kNormalFont, kBoldFace, "Harvell", rect, kLeftText));
    EXPECT_GT(regular.pixels, 0);
    EXPECT_GT(system.right, regular.right) << "font 0 is bold: wider than font 3 at the same size";
    EXPECT_EQ(drawn(kSystemFont, 0, "Harvell", rect, kLeftText).pixels(),
              drawn(kNormalFont, kBoldFace, "Harvell", rect, kLeftText).pixels());
    EXPECT_EQ(bold.right, system.right);
    const Ink underlined = inkOf(drawn(kNormalFont, kUnderlineFace, "ace", rect, kLeftText));
    const Ink plain = inkOf(drawn(kNormalFont, 0, "ace", rect, kLeftText));
    EXPECT_GT(underlined.bottom, plain.bottom) << "the underline lies below the letters";
    EXPECT_NE(drawn(kNormalFont, kItalicFace, "Harvell", rect, kLeftText).pixels(),
              drawn(kNormalFont, 0, "Harvell", rect, kLeftText).pixels());
    EXPECT_GT(inkOf(drawn(kNormalFont, 0, "\x80", rect, kLeftText)).pixels, 0) << "Windows-1252: the euro sign";
}

TEST(GuiText, AlignmentsPlaceTheLineAndTheRectClipsIt) {
    const raster::FontSpec font{12, false, false, false};
    const raster::TextExtent e = raster::measureText(font, "Kelvanti");
    ASSERT_GT(e.width, 20);
    const CRect rect(10, 5, 110, 33);
    const int top = 5 + (28 - e.height()) / 2;
    struct Case {
        int32_t align;
        int x;
    };
    const Case cases[] = {{kLeftText, 11}, {7, 11}, {kCenterText, 10 + (100 - e.width) / 2}, {kRightText, 110 - e.width}};
    for (const Case& k : cases) {
        PixelBuffer expected(120, 40);
        raster::drawText(expected, font, "Kelvanti", k.x, top, 0xFFFFFFFFu, CRect(0, 0, 120, 40));
        EXPECT_EQ(drawn(kNormalFont, 0, "Kelvanti", rect, k.align).pixels(), expected.pixels()) << "align " << k.align;
    }
    // The left edge moves one pixel right: the ink of a left-aligned "l"
    // starts further right than at the rect's edge.
    const Ink l = inkOf(drawn(kNormalFont, 0, "l", rect, kLeftText));
    EXPECT_GE(l.left, 11);
    const Ink centred = inkOf(drawn(kNormalFont, 0, "Kelvanti", rect, kCenterText));
    EXPECT_LE(std::abs((centred.left + centred.right + 1) / 2 - 60), 2);

    const CRect narrow(30, 12, 50, 20);
    const Ink clipped = inkOf(drawn(kNormalFontVeryBig, 0, "WWWWWW", narrow, kCenterText));
    EXPECT_GT(clipped.pixels, 0);
    EXPECT_GE(clipped.left, 30);
    EXPECT_LE(clipped.right, 49);
    EXPECT_GE(clipped.top, 12);
    EXPECT_LE(clipped.bottom, 19);

    const PixelBuffer opaque = drawn(kNormalFont, 0, "Kelvanti", rect, kLeftText, true);
    EXPECT_EQ(opaque.at(11, top), 0xFF0000FFu) << "opaque: the fill colour behind the text's cell";
    EXPECT_EQ(opaque.at(10, top), 0u);
    EXPECT_EQ(inkOf(drawn(kNormalFont, 0, "", rect, kLeftText, true)).pixels, 0);
}

} // namespace

namespace {

// The glyph rasteriser's coverage against areas worked out by hand.
TEST(GuiText, CoverageIsTheAreaInsideTheOutline) {
    auto fill = [](raster::Coverage& c, std::initializer_list<std::pair<double, double>> points) {
        const std::vector<std::pair<double, double>> p(points);
        for (size_t i = 0; i < p.size(); ++i) {
            const auto& a = p[i];
            const auto& b = p[(i + 1) % p.size()];
            c.line(a.first, a.second, b.first, b.second);
        }
    };
    raster::Coverage square(4, 3);
    fill(square, {{1, 1}, {3, 1}, {3, 2}, {1, 2}});
    EXPECT_EQ(square.result(), (std::vector<uint8_t>{0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 0}));

    raster::Coverage half(2, 1);
    fill(half, {{0.5, 0}, {2, 0}, {2, 1}, {0.5, 1}});
    EXPECT_EQ(half.result(), (std::vector<uint8_t>{128, 255})) << "half a pixel";

    raster::Coverage triangle(2, 2);
    fill(triangle, {{0, 0}, {2, 2}, {0, 2}});  // below the diagonal, clockwise or not
    EXPECT_EQ(triangle.result(), (std::vector<uint8_t>{128, 0, 255, 128}));

    raster::Coverage twice(1, 1);
    fill(twice, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    fill(twice, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(twice.result(), (std::vector<uint8_t>{255})) << "covered twice is still covered";
}

} // namespace
