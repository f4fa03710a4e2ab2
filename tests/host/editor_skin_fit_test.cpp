// The skin fits the editor's layout: every control the editor places
// (kelvanti-render --editor-rects, the swap areas aside: the bar and the
// header are their pictures) stands wholly inside each panel of the
// generator's page art, a pixel clear of its edge, or wholly outside it, a
// pixel clear; no caption, hairline or arrow touches a control; captions keep
// clear of the panels' edges the same way; and no two controls touch, but the
// program buttons, which the layout sets edge to edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gui/raster/Text.h"
#include "support/RenderRun.h"
#include "tools/skin/PageArt.h"
#include "tools/skin/SkinArt.h"

namespace {

using skin::Panel;
using skin::layout::Box;
using skin::layout::span;

struct Control {
    int index;
    std::string page, kind;
    Box area;
};

Box grown(const Box& b) { return span(b.x - 1, b.y - 1, b.right() + 1, b.bottom() + 1); }
bool meet(const Box& a, const Box& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

// Where a box stands against a panel: inside, a pixel clear of the edge;
// outside, a pixel clear; or across the edge.
enum class Fit { inside, outside, across };

Fit fitOf(const Panel& panel, const Box& box) {
    const Box near = grown(box);
    bool allInterior = true, anyCovered = false;
    for (int y = near.y; y < near.bottom(); ++y) {
        for (int x = near.x; x < near.right(); ++x) {
            const bool covered = skin::panelCovers(panel, x, y);
            anyCovered = anyCovered || covered;
            allInterior = allInterior && covered && skin::panelInterior(panel, x, y);
            if (anyCovered && !allInterior) return Fit::across;
        }
    }
    return allInterior ? Fit::inside : anyCovered ? Fit::across : Fit::outside;
}

// What the page draws outside the controls' own areas, besides the panels.
std::vector<std::pair<std::string, Box>> inkOf(const skin::PageArt& art) {
    std::vector<std::pair<std::string, Box>> ink;
    for (const skin::Caption& c : art.captions) ink.push_back({"caption \"" + c.text + "\"", skin::inkBox(c)});
    for (const Box& r : art.rules) ink.push_back({"hairline", r});
    for (const skin::Arrow& a : art.arrows) ink.push_back({"arrow", a.box});
    return ink;
}

bool isProgramButton(int index) { return index >= 27 && index <= 30; }

// Every way the controls of one page and its art fail to fit, one line each.
std::vector<std::string> misfits(const std::vector<Control>& controls, const skin::PageArt& art) {
    std::vector<std::string> found;
    const auto ink = inkOf(art);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        const std::string name = "control " + std::to_string(c.index) + " (" + c.kind + ")";
        for (const Panel& panel : art.panels) {
            if (fitOf(panel, c.area) == Fit::across) found.push_back(name + " across the " + panel.name);
        }
        for (const auto& [what, box] : ink) {
            if (meet(grown(c.area), box)) found.push_back(name + " touches " + what);
        }
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Control& d = controls[j];
            if (isProgramButton(c.index) && isProgramButton(d.index)) continue;
            if (meet(grown(c.area), d.area)) found.push_back(name + " touches control " + std::to_string(d.index));
        }
    }
    for (const auto& [what, box] : ink) {
        for (const Panel& panel : art.panels) {
            if (fitOf(panel, box) == Fit::across) found.push_back(what + " across the " + panel.name);
        }
    }
    return found;
}

// The controls of each page but the swap areas.
std::map<std::string, std::vector<Control>> editorControls() {
    const vsthost::ProcessResult run = render_run::runRender({KELVANTI_PLUGIN_PATH, "--editor-rects"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, std::vector<Control>> pages;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Control c;
        int left, top, right, bottom;
        EXPECT_TRUE(fields >> c.index >> c.page >> c.kind >> left >> top >> right >> bottom) << line;
        c.area = span(left, top, right, bottom);
        if (c.kind != "swap") pages[c.page].push_back(c);
    }
    return pages;
}

// How many pixels the page paints outside its art and its controls' areas:
// none, when the art the controls are held to is all the page draws.
int strayPixels(const raster::PixelBuffer& page, const std::vector<Control>& controls, const skin::PageArt& art) {
    const uint32_t plain = raster::packPixel(skin::colours::kPage.r, skin::colours::kPage.g, skin::colours::kPage.b);
    std::vector<bool> known(static_cast<size_t>(page.width() * page.height()), false);
    auto mark = [&](const Box& b, const Panel* panel) {
        for (int y = std::max(b.y, 0); y < std::min(b.bottom(), page.height()); ++y) {
            for (int x = std::max(b.x, 0); x < std::min(b.right(), page.width()); ++x) {
                if (!panel || skin::panelCovers(*panel, x, y)) known[static_cast<size_t>(y * page.width() + x)] = true;
            }
        }
    };
    for (const Control& c : controls) mark(c.area, nullptr);
    for (const auto& [what, box] : inkOf(art)) mark(box, nullptr);
    for (const Panel& panel : art.panels) {
        for (const Box& piece : panel.pieces) mark(piece, &panel);
    }
    int stray = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.at(x, y) != plain && !known[static_cast<size_t>(y * page.width() + x)]) ++stray;
        }
    }
    return stray;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

TEST(SkinFit, EveryControlClearOfThePagesArt) {
    ASSERT_TRUE(raster::fontsAvailable());
    auto pages = editorControls();
    const std::vector<Control>&main = pages["main"], &back = pages["back"];
    // The controls the eye caught first are among those held to the art.
    auto has = [](const std::vector<Control>& page, int index) {
        return std::any_of(page.begin(), page.end(), [&](const Control& c) { return c.index == index; });
    };
    for (int index : {10, 11, 12, 13}) EXPECT_TRUE(has(main, index)) << index;
    EXPECT_TRUE(has(back, 33));
    EXPECT_GE(main.size(), 30u);
    EXPECT_GE(back.size(), 6u);
    EXPECT_EQ(joined(misfits(main, skin::mainPageArt())), "");
    EXPECT_EQ(joined(misfits(back, skin::backPageArt())), "");

    EXPECT_EQ(strayPixels(skin::drawMainPage(), main, skin::mainPageArt()), 0);
    EXPECT_EQ(strayPixels(skin::drawBackPage(), back, skin::backPageArt()), 0);
    // Positive control: without its captions, the back page's help text is stray.
    skin::PageArt uncaptioned = skin::backPageArt();
    uncaptioned.captions.clear();
    EXPECT_GT(strayPixels(skin::drawBackPage(), back, uncaptioned), 100);

    // Positive control: the same controls a few pixels off their places do
    // not fit (each shift puts some control across an edge or a caption).
    for (const auto& [dx, dy] : {std::pair{0, 3}, std::pair{0, -3}, std::pair{3, 0}, std::pair{-3, 0}}) {
        std::vector<Control> moved = main;
        for (Control& c : moved) c.area = span(c.area.x + dx, c.area.y + dy, c.area.right() + dx, c.area.bottom() + dy);
        EXPECT_FALSE(misfits(moved, skin::mainPageArt()).empty()) << dx << ", " << dy;
    }
}

TEST(SkinFit, ABoxFitsAPanelOnlyAPixelClearOfItsEdge) {
    // A panel of two pieces: 20..80 x 10..50 with its lower right corner
    // 60..80 x 40..50 cut away.
    const Panel panel{"cut", skin::PanelStyle::panel, 5.0, {span(20, 10, 80, 40), span(20, 10, 60, 50)}};
    struct Case {
        const char* what;
        Box box;
        Fit fit;
    } cases[] = {
        {"in the middle", span(30, 20, 50, 30), Fit::inside},
        {"a pixel from the left edge", span(22, 20, 30, 30), Fit::inside},
        {"on the left edge's inner side", span(21, 20, 30, 30), Fit::across},
        {"a pixel from the cut's floor", span(62, 30, 70, 38), Fit::inside},
        {"on the cut's floor", span(62, 30, 70, 39), Fit::across},
        {"in the cut, a pixel clear", span(62, 41, 70, 48), Fit::outside},
        {"in the cut, touching its wall", span(60, 41, 70, 48), Fit::across},
        {"outside, a pixel clear", span(81, 10, 90, 20), Fit::outside},
        {"outside, touching", span(80, 10, 90, 20), Fit::across},
        {"across the top", span(30, 5, 40, 15), Fit::across},
        {"in a rounded corner", span(22, 12, 26, 16), Fit::across},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<int>(fitOf(panel, c.box)), static_cast<int>(c.fit)) << c.what;
}

} // namespace
