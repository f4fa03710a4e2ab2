#pragma once
// Skins of known sizes and colours in place of the art, for the editor's
// tests and benchmark: pages 724 x 160, on/off faces 20 x 2 x 10, the menu
// face, the radio row (3 cells), the knob strip (55 images of 25 x 25, each
// one colour) and the slider handle 14 x 10. Any thread; made once.
#include <cstdint>
#include <vector>

#include "PngWriter.h"
#include "resources/ResourceTable.h"

namespace editortest {

// Colour of strip image c: every image differs.
inline uint32_t stripColour(int c) { return 0xFF000000u | uint32_t(c * 4) << 16 | uint32_t(255 - c * 4) << 8 | 99u; }

struct TestSkins {
    std::vector<std::vector<uint8_t>> files;
    std::vector<resources::BuiltInResource> rows;

    static std::vector<uint8_t> image(int w, int h, uint32_t (*colourAt)(int x, int y, int w, int h)) {
        pngtest::Image img;
        img.width = w;
        img.height = h;
        img.colourType = 6;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = colourAt(x, y, w, h);
                img.rows.insert(img.rows.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
            }
        return pngtest::encode(img);
    }
    TestSkins() {
        auto add = [&](int id, std::vector<uint8_t> bytes) {
            files.push_back(std::move(bytes));
            rows.push_back({id, "PNG", "test", nullptr, nullptr});
        };
        auto page = [](int, int, int, int) { return 0xFF282830u; };
        auto halves = [](int, int y, int, int h) { return y < h / 2 ? 0xFF101010u : 0xFFC8C8C8u; };
        auto strip = [](int x, int y, int, int) { return stripColour((x / 25) * 11 + y / 25); };
        auto white = [](int, int, int, int) { return 0xFFFFFFFFu; };
        add(128, image(724, 160, page));
        add(129, image(724, 160, page));
        for (int id : {130, 132, 134, 135, 136}) add(id, image(20, 20, halves));
        add(131, image(30, 32, halves));
        add(137, image(60, 24, halves));
        add(138, image(125, 275, strip));
        add(139, image(14, 10, white));
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i].begin = files[i].data();
            rows[i].end = files[i].data() + files[i].size();
        }
        rows.push_back({0, nullptr, nullptr, nullptr, nullptr});
    }
};

// One table for the whole process: decoded skins are shared by every bitmap.
inline const resources::BuiltInResource* testSkinTable() {
    static TestSkins* skins = new TestSkins;
    return skins->rows.data();
}

} // namespace editortest
