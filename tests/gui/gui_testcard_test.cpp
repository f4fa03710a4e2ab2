// The test cards: one picture of everything the toolkit draws (fills, strokes
// and lines at the pixel edges, the draw modes, the eight fonts in three
// alignments, an alpha ramp, clipped copies), and one of popups and text,
// written as gui/test-card.png and gui/menu-text-card.png of the build and
// compared byte for byte with the committed golden cards, and
// with the other build's cards when those have been written (`make test`
// asks for them with KELVANTI_REQUIRE_CROSS=1). KELVANTI_UPDATE_GOLDEN=1
// writes the golden cards instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "PngWriter.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/COptionMenu.h"
#include "gui/LineEditor.h"
#include "gui/PopupPanel.h"
#include "gui/VstKeyCode.h"
#include "gui/raster/Text.h"
#include "resources/ResourceTable.h"

using namespace VSTGUI;
using raster::PixelBuffer;

namespace {

constexpr int kCardWidth = 520, kCardHeight = 360;
const CColor kInk{230, 230, 230, 255};
const CColor kPanel{40, 44, 52, 255};
const CColor kAmber{255, 176, 0, 255};

// A 64 x 16 ramp: alpha rising left to right, red over the top half and
// cyan over the bottom, as 8-bit RGBA samples.
std::vector<uint8_t> rampPng() {
    pngtest::Image im;
    im.width = 64;
    im.height = 16;
    im.colourType = 6;
    for (uint32_t y = 0; y < im.height; ++y) {
        for (uint32_t x = 0; x < im.width; ++x) {
            const uint8_t a = static_cast<uint8_t>(x * 255 / 63);
            if (y < 8) {
                im.rows.insert(im.rows.end(), {255, 40, 40, a});
            } else {
                im.rows.insert(im.rows.end(), {0, 220, 255, a});
            }
        }
    }
    return pngtest::encode(im);
}

void label(CDrawContext* c, const char* text, int x, int y) {
    c->setFont(kNormalFontSmall, 0, 0);
    c->setFontColor(kAmber);
    c->drawString(text, CRect(x, y, x + 240, y + 14), false, kLeftText);
}

void edges(CDrawContext* c) {
    label(c, "edges: fill, stroke, both, lines", 8, 4);
    c->setFillColor(kRedCColor);
    c->fillRect(CRect(10, 22, 30, 42));
    c->setFrameColor(kWhiteCColor);
    c->drawRect(CRect(10, 22, 30, 42), kDrawStroked);  // the stroke meets the fill's missing row and column
    c->setFillColor(kBlueCColor);
    c->setFrameColor(kYellowCColor);
    c->drawRect(CRect(38, 22, 58, 42), kDrawFilledAndStroked);
    c->setFillColor(kGreenCColor);
    c->drawRect(CRect(66, 22, 67, 42), kDrawFilled);  // one column
    c->drawRect(CRect(70, 22, 90, 23), kDrawFilled);  // one row
    c->setFrameColor(kCyanCColor);
    for (int i = 0; i < 16; ++i) {
        const int dx = (i % 4) * 5 - 7, dy = (i / 4) * 5 - 7;
        c->moveTo(CPoint(130, 32));
        c->lineTo(CPoint(130 + dx * 2, 32 + dy * 2));
    }
    c->setLineStyle(kLineOnOffDash);
    c->setFrameColor(kWhiteCColor);
    c->moveTo(CPoint(160, 24));
    c->lineTo(CPoint(250, 24));
    c->moveTo(CPoint(160, 30));
    c->lineTo(CPoint(250, 40));
    c->setLineStyle(kLineSolid);
    c->setLineWidth(3);
    c->setFrameColor(kMagentaCColor);
    c->moveTo(CPoint(160, 36));
    c->lineTo(CPoint(250, 36));
    c->setLineWidth(1);
}

void modes(CDrawContext* c) {
    label(c, "modes: copy, or, not-xor", 270, 4);
    const int32_t list[] = {kCopyMode, kOrMode, kXorMode};
    for (int i = 0; i < 3; ++i) {
        const int x = 272 + i * 80;
        c->setDrawMode(kCopyMode);
        c->setFillColor(CColor{0, 96, 160, 255});
        c->drawRect(CRect(x, 22, x + 40, 42), kDrawFilled);
        c->setDrawMode(list[i]);
        c->setFillColor(CColor{200, 64, 0, 255});
        c->drawRect(CRect(x + 20, 30, x + 60, 50), kDrawFilled);
    }
    c->setDrawMode(kCopyMode);
}

void fonts(CDrawContext* c) {
    label(c, "fonts 0-7, left / centre / right", 8, 56);
    const char* names[8] = {"0 System Bold", "1 Very big", "2 Big", "3 Normal", "4 Small", "5 Smaller",
                            "6 Very small", "7 Symbol"};
    int y = 72;
    for (int32_t id = 0; id < 8; ++id) {
        const int h = defaultFontSize(id) + 6;
        c->setFrameColor(CColor{90, 96, 110, 255});
        c->setFont(id, 0, 0);
        c->setFontColor(kInk);
        for (int32_t align = 0; align < 3; ++align) {
            const CRect box(8 + align * 168, y, 8 + align * 168 + 162, y + h);
            c->drawRect(box, kDrawStroked);
            c->drawString(names[id], box, false, align);
        }
        y += h + 2;
    }
    c->setFont(kNormalFont, 0, kBoldFace | kUnderlineFace);
    c->setFillColor(CColor{0, 80, 0, 255});
    c->drawString("Bold underlined, opaque", CRect(8, y, 250, y + 16), true, kLeftText);
    c->setFont(kNormalFont, 0, kItalicFace);
    c->drawString("Italic, clipped at the box: WWWWWWWWWWWW", CRect(260, y, 420, y + 16), false, kLeftText);
}

void ramp(CDrawContext* c, CBitmap* bitmap) {
    label(c, "alpha ramp: 255, 128, 64", 8, 268);
    for (int y = 284; y < 340; y += 4) {
        for (int x = 8; x < 208; x += 4) {
            c->setFillColor(((x + y) / 4) % 2 ? CColor{200, 200, 200, 255} : CColor{90, 90, 90, 255});
            c->drawRect(CRect(x, y, x + 4, y + 4), kDrawFilled);
        }
    }
    const uint8_t alphas[3] = {255, 128, 64};
    for (int i = 0; i < 3; ++i) {
        bitmap->drawAlphaBlend(c, CRect(12, 286 + i * 18, 76, 302 + i * 18), CPoint(0, 0), alphas[i]);
        bitmap->draw(c, CRect(84 + i * 40, 286 + i * 18, 124 + i * 40, 302 + i * 18), CPoint(24, 0));
    }
}

void copies(CDrawContext* c) {
    label(c, "clipped copies, past the edges", 230, 268);
    COffscreenContext* tile = new COffscreenContext(nullptr, 48, 48, CColor{20, 20, 20, 255});
    for (int i = 0; i < 6; ++i) {
        tile->setFrameColor(CColor{static_cast<uint8_t>(255 - i * 30), static_cast<uint8_t>(i * 40), 200, 255});
        tile->drawRect(CRect(i * 4, i * 4, 48 - i * 4, 48 - i * 4), kDrawStroked);
    }
    tile->copyToContext(c, CRect(232, 286, 280, 334), CPoint(0, 0));
    CRect clip;
    c->getClipRect(clip);
    c->setClipRect(CRect(292, 294, 330, 326));
    tile->copyToContext(c, CRect(286, 286, 334, 334), CPoint(0, 0));
    c->setClipRect(clip);
    tile->copyToContext(c, CRect(kCardWidth - 20, 300, kCardWidth + 28, 348), CPoint(0, 0));
    tile->copyToContext(c, CRect(440, kCardHeight - 10, 488, kCardHeight + 38), CPoint(0, 0));
    tile->copyToContext(c, CRect(380, 290, 420, 330), CPoint(-10, 20));
    tile->forget();
}

PixelBuffer renderCard() {
    const std::vector<uint8_t> rampBytes = rampPng();
    const resources::BuiltInResource table[] = {{990, "PNG", "990-ramp", rampBytes.data(), rampBytes.data() + rampBytes.size()},
                                                {0, nullptr, nullptr, nullptr, nullptr}};
    resources::ScopedExtraTable extra(table);
    PixelBuffer card(kCardWidth, kCardHeight);
    CDrawContext* c = new CDrawContext(nullptr, &card);
    c->setFillColor(kPanel);
    c->drawRect(CRect(0, 0, kCardWidth, kCardHeight), kDrawFilled);
    edges(c);
    modes(c);
    fonts(c);
    CBitmap* bitmap = new CBitmap(990);
    ramp(c, bitmap);
    bitmap->forget();
    copies(c);
    c->forget();
    return card;
}

std::vector<uint8_t> pngOf(const PixelBuffer& card) {
    pngtest::Image im;
    im.width = static_cast<uint32_t>(card.width());
    im.height = static_cast<uint32_t>(card.height());
    im.colourType = 2;
    for (uint32_t p : card.pixels()) im.rows.insert(im.rows.end(), {raster::redOf(p), raster::greenOf(p), raster::blueOf(p)});
    return pngtest::encode(im);
}

void writeWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string temporary = path + ".writing-" + std::to_string(std::random_device{}());
    ASSERT_TRUE(pngtest::writeFile(temporary, bytes)) << temporary;
    std::filesystem::rename(temporary, path);
}

// The card written as NAME.png of the build, compared byte for byte with the
// committed golden one and with the other build's when that one exists.
void checkCard(const std::string& name, const PixelBuffer& card) {
    for (uint32_t p : card.pixels()) ASSERT_EQ(raster::alphaOf(p), 255) << "the card is opaque";
    const std::vector<uint8_t> png = pngOf(card);
    writeWhole(std::string(KELVANTI_GUI_OUT_DIR) + "/" + name + ".png", png);

    const std::string golden = std::string(KELVANTI_SOURCE_DIR) + "/tests/gui/golden/" + name + ".png";
    const char* update = std::getenv("KELVANTI_UPDATE_GOLDEN");
    if (update && *update == '1') writeWhole(golden, png);
    EXPECT_TRUE(pngtest::readFile(golden) == png)
        << "the card differs from " << golden << "; see " << KELVANTI_GUI_OUT_DIR << "/" << name << ".png";

    const bool wide = sizeof(void*) == 8;
    auto crossPath = [&](bool x64) { return std::string(KELVANTI_CROSS_DIR) + "/" + name + "-" + (x64 ? "x86-64" : "x86") + ".png"; };
    writeWhole(crossPath(wide), png);
    const char* require = std::getenv("KELVANTI_REQUIRE_CROSS");
    if (!std::filesystem::exists(crossPath(!wide))) {
        ASSERT_FALSE(require && *require == '1') << "no card of the other build at " << crossPath(!wide);
        GTEST_SKIP() << "the other build has not drawn its card yet";
    }
    EXPECT_TRUE(pngtest::readFile(crossPath(!wide)) == png) << "the other build's card differs: " << crossPath(!wide);
}

TEST(GuiTestCard, MatchesTheGoldenCardAndTheOtherBuild) {
    ASSERT_TRUE(raster::fontsAvailable());
    const PixelBuffer card = renderCard();
    EXPECT_EQ(renderCard().pixels(), card.pixels()) << "the same card twice";
    checkCard("test-card", card);
}

// Popups and text: a menu cut into columns to fit a low screen, one too wide
// for that and scrolled, the line editor with a selection, and one text in
// UTF-8 and in Windows-1252, which must look alike.
void copyPanel(const PopupPanel& panel, PixelBuffer& card, int x, int y) {
    PixelBuffer pixels(panel.width(), panel.height());
    panel.draw(pixels);
    for (int row = 0; row < panel.height(); ++row)
        for (int column = 0; column < panel.width(); ++column) card.at(x + column, y + row) = pixels.at(column, row);
}

PixelBuffer renderMenuAndTextCard() {
    PixelBuffer card(640, 330);
    CDrawContext* c = new CDrawContext(nullptr, &card);
    c->setFillColor(kPanel);
    c->drawRect(CRect(0, 0, 640, 330), kDrawFilled);

    label(c, "45 entries, a screen 200 high: columns", 8, 4);
    COptionMenu columns(CRect(), nullptr, 0, nullptr, nullptr, kCheckStyle);
    auto* more = new COptionMenu(CRect(), nullptr, 0);
    more->addEntry("Inner");
    columns.addEntry("-TPresets");
    columns.addEntry("Checked");
    columns.checkEntry(1, true);
    columns.addEntry("-");
    columns.addEntry("-GGreyed");
    columns.addSubMenuEntry(more, "More");
    more->forget();
    for (int i = 6; i <= 45; ++i) columns.addEntry(("Entry " + std::to_string(i)).c_str());
    int32_t id = 0;
    const std::unique_ptr<PopupMenu> columnMenu = columns.createPopupMenu(id);
    PopupPanel inColumns(*columnMenu, 620, 200);
    inColumns.setHover(7);
    copyPanel(inColumns, card, 8, 20);

    label(c, "too wide for columns: scrolled", 8, 226);
    COptionMenu wide(CRect(), nullptr, 0);
    for (int i = 1; i <= 40; ++i) wide.addEntry(("A long name of a preset, " + std::to_string(i)).c_str());
    id = 0;
    const std::unique_ptr<PopupMenu> wideMenu = wide.createPopupMenu(id);
    PopupPanel scrolled(*wideMenu, 240, 88);
    scrolled.scrollBy(3 * PopupPanel::kItemHeight);
    scrolled.setHover(4);
    copyPanel(scrolled, card, 8, 240);

    label(c, "editing, the last four letters selected", 300, 226);
    LineEditor editor(255);
    editor.reset("Caf\xC3\xA9 \xE2\x82\xACuro");
    VstKeyCode key;
    key.virt = kVkEnd;
    editor.key(key);
    key.virt = kVkLeft;
    key.modifier = kModShift;
    for (int i = 0; i < 4; ++i) editor.key(key);
    editor.draw(c, CRect(300, 242, 500, 262), kNormalFont, 12, kBlackCColor, CColor{240, 240, 224, 255});

    label(c, "UTF-8, then Windows-1252: alike", 300, 270);
    c->setFont(kNormalFont, 0, 0);
    c->setFontColor(kInk);
    c->drawString("Zo\xC3\xAB \xC3\x84rger, \xC5\x92uvre \xE2\x80\x94 \xC2\xAB" "d\xC3\xA9j\xC3\xA0\xC2\xBB \xE2\x82\xAC",
                  CRect(300, 286, 630, 302), false, kLeftText);
    c->drawString("Zo\xEB \xC4rger, \x8Cuvre \x97 \xAB" "d\xE9j\xE0\xBB \x80", CRect(300, 304, 630, 320), false, kLeftText);
    c->forget();
    return card;
}

TEST(GuiTestCard, MenusAndTextMatchTheGoldenCardAndTheOtherBuild) {
    ASSERT_TRUE(raster::fontsAvailable());
    const PixelBuffer card = renderMenuAndTextCard();
    // The two encodings of one text draw the same pixels.
    for (int y = 0; y < 16; ++y)
        for (int x = 300; x < 630; ++x) ASSERT_EQ(card.at(x, 286 + y), card.at(x, 304 + y)) << x << "," << y;
    checkCard("menu-text-card", card);
}

} // namespace
