// The editor's skin: the committed PNGs are what the generator draws today
// (on every build, so both builds draw them byte for byte), they keep the
// sizes the editor's controls are cut from, they are opaque, the knob strip
// turns its pointer from -150 to +150 degrees frame by frame, the pages carry
// each knob's frame-0 picture and each slider's groove where the controls sit.
// (How the controls fit the pages' art: tests/host/editor_skin_fit_test.)
// Writes gui/skin-preview.png of the build for review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "gui/CBitmap.h"
#include "gui/raster/Text.h"
#include "tools/skin/SkinArt.h"
#include "tools/skin/SkinLayout.h"
#include "tools/skin/SkinPng.h"
#include "tools/skin/SkinPreview.h"

using raster::PixelBuffer;
using namespace skin::layout;

namespace {

const std::string kSkinFolder = std::string(KELVANTI_SOURCE_DIR) + "/resources/png";

// The compiled-in skins, decoded by the toolkit as the editor will.
class DecodedSkins {
public:
    DecodedSkins() {
        for (const SkinName& entry : kSkinNames) bitmaps_.push_back(new VSTGUI::CBitmap(entry.id));
    }
    ~DecodedSkins() {
        for (VSTGUI::CBitmap* b : bitmaps_) b->forget();
    }
    const PixelBuffer* pixels(int id) const {
        for (VSTGUI::CBitmap* b : bitmaps_) {
            if (b->getResourceID() == id) return b->getPixels();
        }
        return nullptr;
    }
    const PixelBuffer& at(int id) const {
        const PixelBuffer* p = pixels(id);
        if (!p) throw std::runtime_error("no skin " + std::to_string(id));
        return *p;
    }

private:
    std::vector<VSTGUI::CBitmap*> bitmaps_;
};

bool sameArea(const PixelBuffer& a, int ax, int ay, const PixelBuffer& b, int bx, int by, int width, int height) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y)) return false;
        }
    }
    return true;
}

bool statesDiffer(const PixelBuffer& p, int x0, int width, int stateHeight) {
    return !sameArea(p, x0, 0, p, x0, stateHeight, width, stateHeight);
}

TEST(SkinFiles, CommittedPngsAreWhatTheGeneratorDraws) {
    ASSERT_TRUE(raster::fontsAvailable());
    const std::vector<skin::Skin> skins = skin::drawSkins();
    const std::vector<skin::Skin> again = skin::drawSkins();
    ASSERT_EQ(skins.size(), 11u);
    std::set<std::string> expected;
    for (size_t i = 0; i < skins.size(); ++i) {
        const skin::Skin& s = skins[i];
        EXPECT_EQ(s.pixels.pixels(), again[i].pixels.pixels()) << s.id << " drawn twice";
        const std::vector<uint8_t> png = skin::encodeOpaquePng(s.pixels);
        ASSERT_FALSE(png.empty()) << s.id << " is not opaque";
        const std::string path = kSkinFolder + "/" + skin::fileNameOf(s);
        expected.insert(skin::fileNameOf(s));
        EXPECT_TRUE(pngtest::readFile(path) == png)
            << path << " differs from the generator's picture: run `kelvanti-skin resources/png` and look at it";
    }
    // No stale skin beside them (the resource table takes every numbered PNG).
    for (const auto& entry : std::filesystem::directory_iterator(kSkinFolder)) {
        if (entry.path().extension() != ".png") continue;
        EXPECT_EQ(expected.count(entry.path().filename().string()), 1u) << "unexpected " << entry.path();
    }
    // The encoder refuses a picture with a see-through pixel.
    PixelBuffer clear(2, 2);
    EXPECT_TRUE(skin::encodeOpaquePng(clear).empty());
}

TEST(SkinFiles, SizesAndOpacityFitTheControls) {
    const DecodedSkins skins;
    for (const SkinName& entry : kSkinNames) {
        const PixelBuffer* p = skins.pixels(entry.id);
        ASSERT_TRUE(p && !p->empty()) << "skin " << entry.id << " is not compiled in";
        for (uint32_t pixel : p->pixels()) ASSERT_EQ(raster::alphaOf(pixel), 255) << "skin " << entry.id << " is not opaque";
    }
    // Numbers the editor does not use are not there (so the lookups above can fail).
    for (int id : {127, 133, 140}) {
        VSTGUI::CBitmap* none = new VSTGUI::CBitmap(id);
        EXPECT_FALSE(none->isLoaded()) << id;
        none->forget();
    }

    const PixelBuffer &main = skins.at(128), &back = skins.at(129);
    EXPECT_EQ(main.width(), kPageWidth);
    EXPECT_EQ(main.height(), kPageHeight);
    EXPECT_EQ(back.width(), main.width()) << "a page swap must not resize the window";
    EXPECT_EQ(back.height(), main.height());

    const PixelBuffer& strip = skins.at(138);
    EXPECT_EQ(strip.width(), 125);
    EXPECT_EQ(strip.height(), 275);
    EXPECT_EQ(skins.at(139).width(), 14);
    EXPECT_EQ(skins.at(139).height(), 10);

    for (int id : {130, 132, 134, 136}) {
        const PixelBuffer& face = skins.at(id);
        EXPECT_LE(face.width(), 46) << id;
        EXPECT_EQ(face.height() % 2, 0) << id;
        EXPECT_LE(face.height() / 2, 14) << id;
        EXPECT_TRUE(statesDiffer(face, 0, face.width(), face.height() / 2)) << id << ": off and on look alike";
    }
    const PixelBuffer& ecs = skins.at(131);
    EXPECT_EQ(ecs.height() % 2, 0);
    EXPECT_LE(ecs.height() / 2, 16);
    EXPECT_TRUE(statesDiffer(ecs, 0, ecs.width(), ecs.height() / 2));
    const PixelBuffer& row = skins.at(137);
    EXPECT_EQ(row.width() % 3, 0);
    EXPECT_EQ(row.height() % 2, 0);
    for (int cell = 0; cell < 3; ++cell) {
        EXPECT_TRUE(statesDiffer(row, cell * row.width() / 3, row.width() / 3, row.height() / 2)) << "cell " << cell;
    }

    // The switches' faces are the sizes the layout gives them.
    for (const Switch& s : kSwitches) {
        EXPECT_EQ(skins.at(s.skin).width(), s.width) << s.skin;
        EXPECT_EQ(skins.at(s.skin).height(), 2 * s.height) << s.skin;
    }
}

TEST(SkinArt, KnobStripTurnsFromMinus150ToPlus150) {
    const DecodedSkins skins;
    const PixelBuffer& strip = skins.at(138);
    int litBefore = -1;
    for (int frame = 0; frame < kKnobFrames; ++frame) {
        int x0 = 0, y0 = 0;
        skin::knobFrameCorner(frame, x0, y0);
        ASSERT_EQ(x0, frame / 11 * 25) << "column-major, 11 rows";
        ASSERT_EQ(y0, frame % 11 * 25);
        // The pointer: the white inside the cap; the lit arc: amber pixels on
        // the ring outside it.
        double sx = 0, sy = 0;
        int pointer = 0, lit = 0;
        for (int y = 0; y < 25; ++y) {
            for (int x = 0; x < 25; ++x) {
                const uint32_t p = strip.at(x0 + x, y0 + y);
                const double dx = x + 0.5 - 12.5, dy = y + 0.5 - 12.5;
                const double r = std::sqrt(dx * dx + dy * dy);
                const int red = raster::redOf(p), green = raster::greenOf(p), blue = raster::blueOf(p);
                // Weighted by whiteness above the cap's grey, edges included.
                const int white = std::min(red, std::min(green, blue)) - 110;
                if (r < 8.0 && white > 0) {
                    sx += dx * white;
                    sy += dy * white;
                    if (white > 90) ++pointer;
                }
                if (r > 9.5 && red > 200 && green > 120 && green < 200 && blue < 110) ++lit;
            }
        }
        ASSERT_GT(pointer, 4) << "frame " << frame << " has no pointer";
        const double degrees = std::atan2(sx, -sy) * 180.0 / 3.14159265358979323846;
        const double expected = -150.0 + 300.0 * frame / 54.0;
        EXPECT_NEAR(degrees, expected, 2.0) << "frame " << frame;  // a frame is 5.6 degrees
        if (frame == 0) {
            EXPECT_EQ(lit, 0) << "value 0 lights nothing";
        }
        EXPECT_GE(lit, litBefore) << "the lit arc grows, frame " << frame;
        litBefore = lit;
    }
    EXPECT_GT(litBefore, 60) << "value 1 lights the whole arc";

    // The frame a value shows: (int)(v x 54 + 0.001), clamped.
    EXPECT_EQ(skin::knobFrameOf(0.0), 0);
    EXPECT_EQ(skin::knobFrameOf(0.5), 27);
    EXPECT_EQ(skin::knobFrameOf(1.0), 54);
    EXPECT_EQ(skin::knobFrameOf(1.0 / 54.0 - 1e-9), 1) << "the 0.001 takes a value a hair short to its frame";
    EXPECT_EQ(skin::knobFrameOf(-0.5), 0);
    EXPECT_EQ(skin::knobFrameOf(7.0), 54);
    EXPECT_EQ(skin::knobFrameOf(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SkinArt, PagesCarryTheKnobsAndGroovesWhereTheControlsSit) {
    const DecodedSkins skins;
    const PixelBuffer &main = skins.at(128), &strip = skins.at(138);
    for (const Knob& k : kKnobs) {
        const int x = k.x - kKnobLeft, y = k.y - kKnobAbove;
        EXPECT_TRUE(sameArea(main, x, y, strip, 0, 0, kKnobSize, kKnobSize)) << "knob " << k.index << " (" << k.caption << ")";
        // One pixel off does not match (the comparison can fail).
        EXPECT_FALSE(sameArea(main, x + 1, y, strip, 0, 0, kKnobSize, kKnobSize)) << "knob " << k.index;
    }
    // The three slider pieces are the same groove, darker in the middle than
    // at the sides, and not the plain panel.
    const Slider& first = kSliders[0];
    const int fx = first.x - kSliderLeft, fy = first.y - kSliderAbove;
    for (const Slider& s : kSliders) {
        EXPECT_TRUE(sameArea(main, s.x - kSliderLeft, s.y - kSliderAbove, main, fx, fy, kSliderWidth, kSliderHeight))
            << "slider " << s.index;
        for (int row = 4; row < 30; ++row) {
            const uint32_t middle = main.at(s.x, s.y - kSliderAbove + row);
            const uint32_t side = main.at(s.x - kSliderLeft + 3, s.y - kSliderAbove + row);
            EXPECT_LT(raster::greenOf(middle) + 10, raster::greenOf(side)) << "slider " << s.index << " row " << row;
        }
    }
    // The back page's - and + are drawn: the zones are not plain.
    const PixelBuffer& back = skins.at(129);
    for (const Box& zone : {kTuneMinus, kTunePlus}) {
        std::set<uint32_t> colours;
        for (int y = zone.y; y < zone.bottom(); ++y) {
            for (int x = zone.x; x < zone.right(); ++x) colours.insert(back.at(x, y));
        }
        EXPECT_GT(colours.size(), 4u);
    }
}

TEST(SkinPreview, WritesBothPagesWithTheirControls) {
    const DecodedSkins skins;
    const PixelBuffer preview = skin::drawPreview([&](int id) { return skins.pixels(id); });
    ASSERT_EQ(preview.width(), kPageWidth);
    ASSERT_GT(preview.height(), 2 * kPageHeight);
    // Knob 0 shows frame 0 over the page, a changed knob another frame.
    const PixelBuffer& strip = skins.at(138);
    EXPECT_TRUE(sameArea(preview, kKnobs[0].x - kKnobLeft, kKnobs[0].y - kKnobAbove, strip, 0, 0, kKnobSize, kKnobSize));
    EXPECT_FALSE(sameArea(preview, kKnobs[1].x - kKnobLeft, kKnobs[1].y - kKnobAbove, strip, 0, 0, kKnobSize, kKnobSize));
    const std::string path = std::string(KELVANTI_GUI_OUT_DIR) + "/skin-preview.png";
    std::filesystem::create_directories(KELVANTI_GUI_OUT_DIR);
    std::string error;
    ASSERT_TRUE(skin::writeWholeFile(path, skin::encodeOpaquePng(preview), error)) << error;
    std::printf("the skin's preview: %s\n", path.c_str());
}

} // namespace
