// The rasteriser's pixel rules through the drawing context, and its copies
// and blends against per-pixel oracles written out here.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <random>

#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/raster/Raster.h"

using namespace VSTGUI;
using raster::PixelBuffer;

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;

// Which pixels differ from 0, against which pixels the rule says.
void expectPainted(const PixelBuffer& b, const std::function<bool(int, int)>& rule, const char* what) {
    int wrong = 0;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if ((b.at(x, y) != 0) != rule(x, y) && wrong++ < 5) {
                ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") " << (rule(x, y) ? "unpainted" : "painted");
            }
        }
    }
}

TEST(GuiRaster, GdiEdgeRulesForRectanglesAndLines) {
    struct Case {
        const char* what;
        std::function<void(CDrawContext&)> draw;
        std::function<bool(int, int)> painted;
    };
    const Case cases[] = {
        {"fillRect(0,0,10,10) paints 9 x 9 from (1,1)", [](CDrawContext& c) { c.fillRect(CRect(0, 0, 10, 10)); },
         [](int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }},
        {"stroked drawRect touches rows and columns 0 and 9",
         [](CDrawContext& c) { c.drawRect(CRect(0, 0, 10, 10), kDrawStroked); },
         [](int x, int y) { return ((x == 0 || x == 9) && y <= 9) || ((y == 0 || y == 9) && x <= 9); }},
        {"filled drawRect excludes right and bottom", [](CDrawContext& c) { c.drawRect(CRect(2, 3, 7, 9), kDrawFilled); },
         [](int x, int y) { return x >= 2 && x < 7 && y >= 3 && y < 9; }},
        {"lineTo right excludes its end",
         [](CDrawContext& c) { c.moveTo(CPoint(2, 5)); c.lineTo(CPoint(8, 5)); },
         [](int x, int y) { return y == 5 && x >= 2 && x <= 7; }},
        {"lineTo left excludes its end",
         [](CDrawContext& c) { c.moveTo(CPoint(8, 5)); c.lineTo(CPoint(2, 5)); },
         [](int x, int y) { return y == 5 && x >= 3 && x <= 8; }},
        {"lineTo down excludes its end",
         [](CDrawContext& c) { c.moveTo(CPoint(4, 1)); c.lineTo(CPoint(4, 6)); },
         [](int x, int y) { return x == 4 && y >= 1 && y <= 5; }},
        {"diagonal lineTo excludes its end",
         [](CDrawContext& c) { c.moveTo(CPoint(0, 0)); c.lineTo(CPoint(5, 5)); },
         [](int x, int y) { return x == y && x <= 4; }},
        {"a polyline's corners are drawn once each",
         [](CDrawContext& c) { c.setDrawMode(kXorMode); c.setFrameColor(kBlackCColor); c.drawRect(CRect(1, 1, 6, 6)); },
         [](int x, int y) { return ((x == 1 || x == 5) && y >= 1 && y <= 5) || ((y == 1 || y == 5) && x >= 1 && x <= 5); }},
        {"a dotted line paints every other pixel",
         [](CDrawContext& c) { c.setLineStyle(kLineOnOffDash); c.moveTo(CPoint(0, 2)); c.lineTo(CPoint(9, 2)); },
         [](int x, int y) { return y == 2 && x % 2 == 0 && x < 9; }},
        {"a line from far outside is clipped to the buffer",
         [](CDrawContext& c) { c.moveTo(CPoint(-100000, -100000)); c.lineTo(CPoint(100000, 100000)); },
         [](int x, int y) { return x == y; }},
    };
    for (const Case& k : cases) {
        PixelBuffer b(12, 12);
        CDrawContext* c = new CDrawContext(nullptr, &b);
        c->setFillColor(kRedCColor);
        c->setFrameColor(kGreenCColor);
        k.draw(*c);
        c->forget();
        expectPainted(b, k.painted, k.what);
    }
}

TEST(GuiRaster, DrawModesCombineWithTheDestinationAndAlphaIsIgnored) {
    const uint32_t under = 0xFF123456u;
    const CColor colour{0x0F, 0xF0, 0x81, 0};  // alpha 0 must still draw
    struct Case {
        int32_t mode;
        uint32_t expected;
    };
    const Case cases[] = {
        {kCopyMode, 0xFF0FF081u},
        {kOrMode, 0xFF1FF4D7u},
        {kXorMode, 0xFFE23B28u},  // not (0x123456 xor 0x0FF081)
        {7, 0xFF0FF081u},  // unknown modes copy
    };
    for (const Case& k : cases) {
        PixelBuffer b(4, 4);
        for (uint32_t& p : b.pixels()) p = under;
        CDrawContext* c = new CDrawContext(nullptr, &b);
        c->setDrawMode(k.mode);
        c->setFillColor(colour);
        c->drawRect(CRect(0, 0, 4, 4), kDrawFilled);
        c->forget();
        EXPECT_EQ(b.at(2, 2), k.expected) << "mode " << k.mode;
    }
}

TEST(GuiRaster, ClipAndOffsetAlgebra) {
    PixelBuffer b(20, 20);
    CDrawContext* c = new CDrawContext(nullptr, &b);
    CRect clip;
    EXPECT_EQ(c->getClipRect(clip), CRect(0, 0, 1000, 1000)) << "no frame: the clip starts at 1000 x 1000";
    c->setOffset(CPoint(5, 6));
    c->setClipRect(CRect(0, 0, 4, 3));
    EXPECT_EQ(c->deviceClip(), CRect(5, 6, 9, 9)) << "the clip is stored with the offset";
    EXPECT_EQ(c->getClipRect(clip), CRect(0, 0, 4, 3)) << "and read back without it";
    c->setFillColor(kRedCColor);
    c->drawRect(CRect(-50, -50, 50, 50), kDrawFilled);
    c->setOffset(CPoint(0, 0));
    EXPECT_EQ(c->getClipRect(clip), CRect(5, 6, 9, 9));
    c->forget();
    expectPainted(b, [](int x, int y) { return x >= 5 && x < 9 && y >= 6 && y < 9; }, "offset clip");

    CRect a(0, 0, 10, 10);
    EXPECT_EQ(a.bound(CRect(20, 3, 30, 5)), CRect(20, 3, 20, 5)) << "an empty bound keeps right = left";
    CRect d(0, 0, 10, 10);
    EXPECT_EQ(d.bound(CRect(2, 20, 5, 30)), CRect(2, 20, 5, 20));
}

TEST(GuiRaster, SourceOverBlendIsWithinOneOfTheExactValue) {
    std::mt19937 random(17);
    PixelBuffer src(64, 64), dst(64, 64), before(64, 64);
    auto premultiplied = [&random]() {
        const uint32_t a = random() % 256;
        auto part = [&]() { return a == 0 ? 0u : static_cast<uint32_t>(random() % (a + 1)); };
        return raster::packPixel(static_cast<uint8_t>(part()), static_cast<uint8_t>(part()),
                                 static_cast<uint8_t>(part()), static_cast<uint8_t>(a));
    };
    for (uint8_t constant : {uint8_t{255}, uint8_t{128}, uint8_t{77}, uint8_t{0}}) {
        for (uint32_t& p : src.pixels()) p = premultiplied();
        for (uint32_t& p : dst.pixels()) p = premultiplied();
        before = dst;
        raster::blendPixels(src, CPoint(0, 0), dst, CRect(0, 0, 64, 64), constant, CRect(0, 0, 64, 64));
        int worst = 0;
        for (size_t i = 0; i < src.pixels().size(); ++i) {
            const uint32_t s = src.pixels()[i], d = before.pixels()[i], got = dst.pixels()[i];
            const double sa = raster::alphaOf(s) * constant / 255.0;
            for (int shift : {0, 8, 16, 24}) {
                const double sc = ((s >> shift) & 0xFF) * constant / 255.0;
                const double exact = sc + ((d >> shift) & 0xFF) * (1.0 - sa / 255.0);
                worst = std::max(worst, static_cast<int>(std::ceil(std::fabs(exact - ((got >> shift) & 0xFF)) - 1e-9)));
            }
        }
        EXPECT_LE(worst, 1) << "constant alpha " << int(constant);
    }
    // A positive control for the comparison: the opaque source replaces.
    src.pixels()[0] = 0xFF102030u;
    raster::blendPixels(src, CPoint(0, 0), dst, CRect(0, 0, 1, 1), 255, CRect(0, 0, 64, 64));
    EXPECT_EQ(dst.pixels()[0], 0xFF102030u);
}

TEST(GuiRaster, KeyedCopyKeepsTheDestinationUnderTheKeyColour) {
    PixelBuffer src(4, 1), dst(4, 1);
    src.pixels() = {0xFFFF00FFu, 0x80FF00FFu, 0xFF0000FFu, 0xFFFF00FEu};
    dst.pixels() = {1, 2, 3, 4};
    raster::keyedCopy(src, CPoint(0, 0), dst, CRect(0, 0, 4, 1), 0xFFFF00FFu, CRect(0, 0, 4, 1));
    EXPECT_EQ(dst.pixels(), (std::vector<uint32_t>{1, 2, 0xFF0000FFu, 0xFFFF00FEu}));
}

// Every copy of the rasteriser against the per-pixel rule, for areas and
// source points partly or wholly outside both buffers and the clip.
TEST(GuiRaster, CopiesPartlyOutsideEitherBufferStayInside) {
    PixelBuffer src(7, 5);
    for (size_t i = 0; i < src.pixels().size(); ++i) src.pixels()[i] = 0xFF000000u | static_cast<uint32_t>(i + 1);
    const CRect clip(1, 0, 8, 5);
    const int far = INT_MAX - 4;
    const CPoint sources[] = {{0, 0}, {-3, -2}, {4, 3}, {6, 4}, {-20, 0}, {far, far}, {-far, 2}};
    const CRect areas[] = {{0, 0, 9, 6}, {-4, -3, 5, 4}, {5, 2, 15, 12}, {-9, -9, -1, -1}, {3, 1, 3, 9},
                           {-far, -far, far, far}, {far - 2, 0, far, 3}};
    for (const CPoint& at : sources) {
        for (const CRect& area : areas) {
            for (int kind = 0; kind < 3; ++kind) {
                PixelBuffer dst(9, 6);
                if (kind == 0) raster::copyPixels(src, at, dst, area, clip);
                if (kind == 1) raster::blendPixels(src, at, dst, area, 255, clip);
                if (kind == 2) raster::keyedCopy(src, at, dst, area, 0, clip);
                for (int y = 0; y < 6; ++y) {
                    for (int x = 0; x < 9; ++x) {
                        const int64_t sx = int64_t{at.h} + x - area.left, sy = int64_t{at.v} + y - area.top;
                        const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom &&
                                            clip.pointInside(CPoint(x, y)) && sx >= 0 && sx < 7 && sy >= 0 && sy < 5;
                        const uint32_t expected = inside ? src.at(static_cast<int>(sx), static_cast<int>(sy)) : 0u;
                        ASSERT_EQ(dst.at(x, y), expected) << "kind " << kind << " at (" << x << "," << y << ") from ("
                                                          << at.h << "," << at.v << ") area " << area.left << ","
                                                          << area.top << "," << area.right << "," << area.bottom;
                    }
                }
            }
        }
    }
}

TEST(GuiRaster, OffscreenContextsStartInTheirColourAndCopyThroughOffsets) {
    COffscreenContext* back = new COffscreenContext(nullptr, 6, 4, kBlueCColor);
    for (uint32_t p : back->pixels().pixels()) ASSERT_EQ(p, 0xFF0000FFu) << "fill and stroke cover every pixel";
    back->setFillColor(kRedCColor);
    back->drawRect(CRect(0, 0, 2, 2), kDrawFilled);

    PixelBuffer window(10, 10);
    CDrawContext* c = new CDrawContext(nullptr, &window);
    c->setOffset(CPoint(3, 3));
    back->copyToContext(c, CRect(1, 1, 4, 3), CPoint(1, 1));
    c->forget();
    back->forget();
    // The 3 x 2 block from (1,1) lands at (1,1) + offset (3,3).
    expectPainted(window, [](int x, int y) { return x >= 4 && x < 7 && y >= 4 && y < 6; }, "copy to context");
    EXPECT_EQ(window.at(4, 4), kRed) << "(1,1) of the back buffer was red";
    EXPECT_EQ(window.at(5, 4), 0xFF0000FFu);
}

TEST(GuiRaster, MouseButtonsAndLocationComeFromTheFramesPointer) {
    CFrame* frame = new CFrame(CRect(0, 0, 100, 50), nullptr);
    CDrawContext* c = new CDrawContext(frame, nullptr);
    CRect clip;
    EXPECT_EQ(c->getClipRect(clip), CRect(0, 0, 100, 50)) << "with a frame the clip starts as its size";
    struct Case {
        PointerState pointer;
        int32_t bits;
    };
    auto state = [](bool l, bool m, bool r, bool s, bool ctl, bool alt, bool swapped) {
        PointerState p;
        p.left = l, p.middle = m, p.right = r, p.shift = s, p.control = ctl, p.alt = alt, p.buttonsSwapped = swapped;
        return p;
    };
    const Case cases[] = {
        {state(false, false, false, false, false, false, false), 0},
        {state(true, false, false, false, false, false, false), kLButton},
        {state(false, true, false, false, false, false, false), kMButton},
        {state(false, false, true, false, false, false, false), kRButton},
        {state(true, false, false, true, true, true, false), 1 | 8 | 16 | 32},
        {state(true, false, false, false, false, false, true), kRButton},
        {state(false, false, true, false, false, false, true), kLButton},
    };
    for (const Case& k : cases) {
        frame->setPointer(k.pointer);
        EXPECT_EQ(c->getMouseButtons(), k.bits);
    }
    PointerState p;
    p.screen = CPoint(300, 200);
    frame->setPointer(p);
    c->setScreenOrigin(CPoint(250, 190));
    CPoint where;
    EXPECT_EQ(c->getMouseLocation(where), CPoint(50, 10));
    c->forget();
    frame->forget();
}

} // namespace
