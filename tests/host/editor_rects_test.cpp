// kelvanti-render --editor-rects against the layout of the instrument's
// editor: every control's page and rectangle, as the layout gives them
// (knobs by their centre, sliders by the top of their track, sizes of
// skin-sized controls from the skin: on/off, radio and menu faces are W x 2H,
// the badge one state).
// A control whose skin is not in the tree yet is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "support/RenderRun.h"

namespace {

struct Rect {
    std::string page, kind;
    int left, top, right, bottom;
    bool operator==(const Rect& o) const {
        return page == o.page && kind == o.kind && left == o.left && top == o.top && right == o.right &&
               bottom == o.bottom;
    }
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.page << " " << r.kind << " " << r.left << " " << r.top << " " << r.right << " " << r.bottom;
}

// The width and height of skin id from resources/png (none when not there).
std::optional<std::pair<int, int>> skinSize(int id) {
    const std::filesystem::path folder = std::filesystem::path(KELVANTI_SOURCE_DIR) / "resources" / "png";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(std::to_string(id) + "-", 0) != 0 || entry.path().extension() != ".png") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        unsigned char header[24] = {};
        if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return std::nullopt;
        auto be32 = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
        return std::make_pair(be32(16), be32(20));
    }
    return std::nullopt;
}

std::map<int, Rect> expectedLayout() {
    std::map<int, Rect> t;
    auto knob = [&](int i, int x, int y) { t[i] = {"main", "knob", x - 12, y - 11, x + 13, y + 14}; };
    for (int i = 0; i < 5; ++i) knob(i, 74 + 50 * i, 36);
    for (int i = 0; i < 5; ++i) knob(5 + i, 74 + 50 * i, 100);
    for (int i = 0; i < 4; ++i) knob(13 + i, 374 + 50 * i, 36);
    for (int i = 0; i < 4; ++i) knob(17 + i, 324 + 50 * i, 100);
    knob(21, 580, 36);
    // Faces W x 2H: a control of W x H at its position.
    auto face = [&](int i, const char* page, const char* kind, int x, int y, int skin) {
        if (auto s = skinSize(skin)) t[i] = {page, kind, x, y, x + s->first, y + s->second / 2};
    };
    face(10, "main", "radio", 256, 125, 137);
    face(37, "main", "menu", 627, 85, 131);
    face(11, "main", "onoff", 316, 22, 130);
    face(12, "main", "onoff", 316, 36, 134);
    face(31, "back", "onoff", 397, 55, 132);
    face(32, "back", "onoff", 489, 55, 136);
    // The badge is one state, drawn whole.
    if (auto s = skinSize(135)) t[35] = {"main", "onoff", 465, 135, 465 + s->first, 135 + s->second};
    if (auto h = skinSize(139)) {
        const int m = (h->first - 2) / 2, o = (h->second - 2) / 2;
        for (int i = 0; i < 3; ++i) {
            const int x = 618 + 20 * i, y = 24;
            t[22 + i] = {"main", "slider", x - m, y - o, x + m + 2, y + o + 26};
        }
    }
    t[27] = {"main", "file", 628, 101, 642, 115};
    t[28] = {"main", "file", 656, 101, 670, 115};
    t[29] = {"main", "command", 614, 101, 628, 115};
    t[30] = {"main", "command", 642, 101, 656, 115};
    t[33] = {"back", "textedit", 408, 36, 458, 48};
    t[40] = {"main", "menu", 514, 87, 610, 100};
    t[41] = {"main", "menu", 514, 101, 610, 114};
    t[36] = {"main", "swap", 36, 130, 686, 152};
    t[38] = {"back", "swap", 0, 0, 724, 44};
    t[39] = {"back", "plusminus", 435, 86, 488, 101};
    t[42] = {"back", "label", 432, 102, 527, 115};
    t[43] = {"back", "file", 415, 101, 430, 116};
    return t;
}

TEST(EditorRects, EveryControlWhereTheLayoutPutsIt) {
    const vsthost::ProcessResult run = render_run::runRender({KELVANTI_PLUGIN_PATH, "--editor-rects"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<int, Rect> listed;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int index;
        Rect r;
        ASSERT_TRUE(fields >> index >> r.page >> r.kind >> r.left >> r.top >> r.right >> r.bottom) << line;
        EXPECT_FALSE(listed.count(index)) << "listed twice: " << line;
        listed[index] = r;
    }
    const std::map<int, Rect> expected = expectedLayout();
    for (const auto& [index, rect] : expected) {
        auto it = listed.find(index);
        ASSERT_NE(it, listed.end()) << "control " << index << " missing";
        EXPECT_EQ(it->second, rect) << "control " << index;
    }
    for (const auto& [index, rect] : listed) EXPECT_TRUE(expected.count(index)) << "unexpected " << index << " " << rect;
}

TEST(EditorRects, ShotsAreWrittenForBothPagesAndBadOptionsRefused) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("editor_rects_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string mainShot = (folder / "main.png").string(), backShot = (folder / "back.png").string();
    const vsthost::ProcessResult a =
        render_run::runRender({KELVANTI_PLUGIN_PATH, "--set", "Timbre Range=1n", "--editor-shot", mainShot});
    const vsthost::ProcessResult b =
        render_run::runRender({KELVANTI_PLUGIN_PATH, "--editor-shot", backShot, "--page", "back"});
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(b.exitCode, 0) << b.err;
    // Each a PNG of the page's size (the IHDR's width and height), and the two pages differ.
    auto pngSize = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        unsigned char head[24] = {};
        in.read(reinterpret_cast<char*>(head), sizeof head);
        auto big = [&](int at) { return (uint32_t(head[at]) << 24) | (uint32_t(head[at + 1]) << 16) | (uint32_t(head[at + 2]) << 8) | head[at + 3]; };
        return std::make_pair(big(16), big(20));
    };
    EXPECT_EQ(pngSize(mainShot), std::make_pair(724u, 160u));
    EXPECT_EQ(pngSize(backShot), std::make_pair(724u, 160u));
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_NE(bytes(mainShot), bytes(backShot));
    EXPECT_EQ(render_run::runRender({KELVANTI_PLUGIN_PATH, "--editor-shot", mainShot, "--page", "side"}).exitCode, 2);
    EXPECT_EQ(render_run::runRender({KELVANTI_PLUGIN_PATH, "--editor-rects", "--midi", "x.mid"}).exitCode, 2);
    std::filesystem::remove_all(folder);
}

} // namespace
