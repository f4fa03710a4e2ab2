// PNG skins: fixtures of every colour type written by the tests' own writer,
// decoded and compared with pixels worked out here from the samples; damaged
// and hostile files; bitmaps found by number in a table of the test's own.
#include <gtest/gtest.h>

#include "PngWriter.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/raster/PngDecode.h"
#include "resources/ResourceTable.h"

using namespace VSTGUI;
using raster::PixelBuffer;

namespace {

// The decoder's promise for an 8-bit RGBA sample: premultiplied by >> 8,
// every byte 0 where alpha is 0.
uint32_t premultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    if (a == 0) return 0;
    return a << 24 | ((r * a) >> 8) << 16 | ((g * a) >> 8) << 8 | ((b * a) >> 8);
}

// A 13 x 11 picture whose every pixel differs, as RGBA samples.
struct Rgba {
    uint8_t r, g, b, a;
};
Rgba sampleAt(uint32_t x, uint32_t y) {
    return Rgba{static_cast<uint8_t>(x * 19 + y * 3), static_cast<uint8_t>(y * 23 + 7), static_cast<uint8_t>(x * y + 90),
                static_cast<uint8_t>((x * 37 + y * 11) % 256)};
}
constexpr uint32_t kW = 13, kH = 11;

pngtest::Image imageOf(int colourType, int depth, bool interlaced = false) {
    pngtest::Image im;
    im.width = kW;
    im.height = kH;
    im.colourType = colourType;
    im.depth = depth;
    im.interlaced = interlaced;
    im.rows.assign(pngtest::rowBytes(im) * kH, 0);
    const size_t stride = pngtest::rowBytes(im);
    for (uint32_t y = 0; y < kH; ++y) {
        for (uint32_t x = 0; x < kW; ++x) {
            const Rgba s = sampleAt(x, y);
            std::vector<uint8_t> channels;
            switch (colourType) {
            case 0: channels = {s.r}; break;
            case 2: channels = {s.r, s.g, s.b}; break;
            case 3: channels = {static_cast<uint8_t>((x + y) % 4)}; break;
            case 4: channels = {s.r, s.a}; break;
            default: channels = {s.r, s.g, s.b, s.a}; break;
            }
            uint8_t* row = im.rows.data() + y * stride;
            if (depth == 16) {
                for (size_t c = 0; c < channels.size(); ++c) {
                    row[(x * channels.size() + c) * 2] = channels[c];
                    row[(x * channels.size() + c) * 2 + 1] = static_cast<uint8_t>(0xFF - channels[c]);
                }
            } else if (depth == 8) {
                for (size_t c = 0; c < channels.size(); ++c) row[x * channels.size() + c] = channels[c];
            } else {
                // Grey or palette below 8 bits: the top bits of the sample, packed from the left.
                const uint32_t value = colourType == 3 ? channels[0] : channels[0] >> (8 - depth);
                const uint32_t bit = x * static_cast<uint32_t>(depth);
                row[bit / 8] |= static_cast<uint8_t>(value << (8 - depth - bit % 8));
            }
        }
    }
    if (colourType == 3) {
        im.palette = {200, 10, 20, 30, 150, 40, 50, 60, 250, 255, 255, 0};
        im.trns = {255, 128, 0};  // the fourth entry is opaque by omission
    }
    return im;
}

// What each pixel must become, from the samples (not from the file).
uint32_t expectedPixel(int colourType, int depth, uint32_t x, uint32_t y) {
    const Rgba s = sampleAt(x, y);
    switch (colourType) {
    case 0: {
        const uint32_t v = depth >= 8 ? s.r : (s.r >> (8 - depth)) * 255 / ((1u << depth) - 1);
        return premultiplied(v, v, v, 255);
    }
    case 2: return premultiplied(s.r, s.g, s.b, 255);
    case 3: {
        const uint32_t i = (x + y) % 4;
        const uint8_t palette[12] = {200, 10, 20, 30, 150, 40, 50, 60, 250, 255, 255, 0};
        const uint32_t alpha[4] = {255, 128, 0, 255};
        return premultiplied(palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2], alpha[i]);
    }
    case 4: return premultiplied(s.r, s.r, s.r, s.a);
    default: return premultiplied(s.r, s.g, s.b, s.a);
    }
}

TEST(GuiPng, EveryColourTypeDepthAndInterlaceDecodesToPremultipliedBgra) {
    struct Case {
        int colourType, depth;
        bool interlaced;
    };
    const Case cases[] = {{0, 8, false}, {0, 1, false}, {0, 2, false}, {0, 4, false}, {0, 16, false},
                          {2, 8, false}, {2, 16, false}, {3, 8, false}, {3, 2, false}, {4, 8, false},
                          {4, 16, false}, {6, 8, false}, {6, 16, false}, {6, 8, true}, {2, 8, true},
                          {0, 16, true}};
    for (const Case& k : cases) {
        const std::vector<uint8_t> file = pngtest::encode(imageOf(k.colourType, k.depth, k.interlaced));
        PixelBuffer out;
        const raster::PngOutcome outcome = raster::decodePng(file.data(), file.size(), out);
        const std::string what = "type " + std::to_string(k.colourType) + " depth " + std::to_string(k.depth) +
                                 (k.interlaced ? " interlaced" : "");
        ASSERT_TRUE(outcome.header && outcome.complete) << what;
        ASSERT_EQ(out.width(), int(kW)) << what;
        ASSERT_EQ(out.height(), int(kH)) << what;
        for (uint32_t y = 0; y < kH; ++y) {
            for (uint32_t x = 0; x < kW; ++x) {
                ASSERT_EQ(out.at(int(x), int(y)), expectedPixel(k.colourType, k.depth, x, y))
                    << what << " at (" << x << "," << y << ")";
            }
        }
    }
}

TEST(GuiPng, TheSpecialPixelsOfTheSkinFormat) {
    pngtest::Image im;
    im.width = 3;
    im.height = 2;
    im.colourType = 6;
    im.rows = {255, 0, 0, 255, 9, 8, 7, 0, 0, 0, 255, 128,  // top row: opaque red, invisible, half blue
               0, 255, 0, 255, 1, 2, 3, 4, 255, 255, 255, 255};
    const std::vector<uint8_t> file = pngtest::encode(im);
    PixelBuffer out;
    ASSERT_TRUE(raster::decodePng(file.data(), file.size(), out).complete);
    EXPECT_EQ(out.at(0, 0), 0xFFFE0000u) << "opaque 255 becomes (255 * 255) >> 8 = 254, and row 0 is the top";
    EXPECT_EQ(out.at(1, 0), 0u) << "alpha 0 clears the colour";
    EXPECT_EQ(out.at(2, 0), 0x8000007Fu) << "blue in the low byte: BGRA";
    EXPECT_EQ(out.at(0, 1), 0xFF00FE00u);
}

TEST(GuiPng, DamagedAndHostileFilesNeverReadPastTheirBytes) {
    pngtest::Image pieces = imageOf(6, 8);
    pieces.idatPiece = 16;
    const std::vector<uint8_t> whole = pngtest::encode(pieces);
    PixelBuffer out;
    // Cut inside the image data: the rows read before the cut are kept,
    // premultiplied; the rest is transparent.
    for (size_t cut : {whole.size() - 20, whole.size() / 2, size_t{60}}) {
        const std::vector<uint8_t> cutFile(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
        const raster::PngOutcome outcome = raster::decodePng(cutFile.data(), cutFile.size(), out);
        EXPECT_TRUE(outcome.header) << cut;
        EXPECT_FALSE(outcome.complete) << cut;
        ASSERT_EQ(out.width(), int(kW));
        for (uint32_t y = 0; y < kH; ++y) {
            for (uint32_t x = 0; x < kW; ++x) {
                const uint32_t got = out.at(int(x), int(y));
                EXPECT_TRUE(got == 0 || got == expectedPixel(6, 8, x, y)) << "cut " << cut << " (" << x << "," << y << ")";
            }
        }
    }
    // A cut near the end keeps the top rows: a positive control for the loop above.
    const std::vector<uint8_t> nearEnd(whole.begin(), whole.end() - 20);
    raster::decodePng(nearEnd.data(), nearEnd.size(), out);
    EXPECT_EQ(out.at(3, 0), expectedPixel(6, 8, 3, 0));

    struct Hostile {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Hostile hostile[] = {
        {"2^31 pixels", pngtest::encodeHeaderOnly(65536, 32768)},
        {"a side of 2^31 - 1", pngtest::encodeHeaderOnly(0x7FFFFFFF, 1)},
        {"one pixel over the cap", pngtest::encodeHeaderOnly(8193, 1)},
        {"the signature alone", std::vector<uint8_t>(whole.begin(), whole.begin() + 8)},
        {"no bytes", {}},
        {"not a PNG", std::vector<uint8_t>(100, 'x')},
    };
    for (const Hostile& h : hostile) {
        const raster::PngOutcome outcome = raster::decodePng(h.bytes.data(), h.bytes.size(), out);
        EXPECT_FALSE(outcome.header) << h.what;
        EXPECT_TRUE(out.empty()) << h.what;
    }
    // At the cap the header is accepted (and the data, too short, is not).
    const std::vector<uint8_t> atCap = pngtest::encodeHeaderOnly(8192, 2);
    EXPECT_TRUE(raster::decodePng(atCap.data(), atCap.size(), out).header);
    EXPECT_EQ(out.width(), 8192);
}

TEST(GuiPng, BitmapsComeFromPngResourcesByNumberAndShareOneDecoding) {
    const std::vector<uint8_t> skin = pngtest::encode(imageOf(6, 8));
    const std::vector<uint8_t> broken(skin.begin(), skin.begin() + 70);
    const resources::BuiltInResource table[] = {
        {900, "PNG", "900-skin", skin.data(), skin.data() + skin.size()},
        {901, "PNG", "901-broken", broken.data(), broken.data() + broken.size()},
        {902, "BMP", "902-other", skin.data(), skin.data() + skin.size()},
        {0, nullptr, nullptr, nullptr, nullptr},
    };
    resources::ScopedExtraTable extra(table);

    CBitmap* a = new CBitmap(900);
    CBitmap* b = new CBitmap(900);
    EXPECT_TRUE(a->isLoaded());
    EXPECT_EQ(a->getWidth(), int(kW));
    EXPECT_EQ(a->getHeight(), int(kH));
    EXPECT_FALSE(a->getNoAlpha());
    EXPECT_EQ(a->getPixels(), b->getPixels()) << "decoded once, shared";
    EXPECT_EQ(a->getPixels()->at(5, 0), expectedPixel(6, 8, 5, 0));

    EXPECT_TRUE(a->loadFromResource(901)) << "a damaged image still loads";
    EXPECT_EQ(a->getWidth(), int(kW));
    EXPECT_FALSE(a->loadFromResource(902)) << "only PNG resources count";
    EXPECT_FALSE(a->loadFromResource(903));
    EXPECT_EQ(a->getWidth(), 0);
    EXPECT_FALSE(a->isLoaded());
    EXPECT_FALSE(b->loadFromPath("/tmp/skin.png"));
    EXPECT_FALSE(b->isLoaded());

    // Drawing an empty bitmap does nothing; a loaded one blends at the
    // destination with the context's offset, from the source offset.
    PixelBuffer screen(20, 20);
    CDrawContext* c = new CDrawContext(nullptr, &screen);
    a->draw(c, CRect(0, 0, 20, 20));
    for (uint32_t p : screen.pixels()) ASSERT_EQ(p, 0u);
    EXPECT_TRUE(a->loadFromResource(900));
    c->setOffset(CPoint(2, 3));
    a->draw(c, CRect(0, 0, 4, 4), CPoint(1, 2));
    EXPECT_EQ(screen.at(2, 3), expectedPixel(6, 8, 1, 2));
    EXPECT_EQ(screen.at(5, 6), expectedPixel(6, 8, 4, 5));
    EXPECT_EQ(screen.at(6, 6), 0u);
    c->forget();
    a->forget();
    b->forget();
}

TEST(GuiPng, TheCompiledTableHoldsTheFonts) {
    for (const char* name : {"LiberationSans-Regular", "LiberationSans-Bold"}) {
        const resources::Bytes font = resources::findByName("FONT", name);
        ASSERT_TRUE(font) << name;
        ASSERT_GT(font.size, 100000u) << name;
        EXPECT_EQ(font.data[0], 0) << "TrueType's version 1.0 starts 00 01 00 00";
        EXPECT_EQ(font.data[1], 1);
    }
    EXPECT_FALSE(resources::findByName("FONT", "Arial"));
    EXPECT_FALSE(resources::findByNumber("PNG", -1));
}

} // namespace
