// kelvanti-editor driving the menu toy's option menus on an X display of its
// own (the test runs under tests/window/with-display.sh). The popup's loop
// holds the tool's editor thread; either the tool's own later actions play
// the popup (they run on a thread of their own), or this test plays the user
// through XTEST on a connection of its own while the tool waits. Afterwards
// the editor must get the next click and keys (the grab was released).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/host/support/ScratchFolder.h"
#include "tests/window/ReadPng.h"
#include "tests/window/menus/ScreenUser.h"
#include "tools/png/PngWriter.h"

namespace {

using namespace screenuser;
using render_run::ScratchFolder;

// The pixel's RGB at (x, y) as 0xRRGGBB.
uint32_t pixelAt(const std::vector<uint8_t>& rgb, int width, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3u;
    return static_cast<uint32_t>(rgb[at]) << 16 | static_cast<uint32_t>(rgb[at + 1]) << 8 | rgb[at + 2];
}

// The tool's actions after the popup: a click into the text field, typing, Return.
const std::vector<std::string> kAfterwards = {"--click", point(kTextX, kTextY), "--key", "x", "--key", "y", "--key", "Return"};

class MenusTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.ok()) GTEST_SKIP() << "no X display";
    }
    Display& display = sharedDisplay();
    ScratchFolder scratch;
};

TEST_F(MenusTool, TheUserChoosesTheSecondEntryWhileTheToolWaitsAndTheEditorStaysPainted) {
    const std::string during = scratch.file("during.png");
    ToolRun tool({"--log", "--shot-during", "1500," + during, "--click", point(kMenuX, kMenuY)});
    ASSERT_TRUE(waitFor(10000, [&] { return display.popups().size() == 1 || tool.done; })) << "no popup";
    ASSERT_FALSE(tool.done) << tool.result.err;
    const Rect popup = display.popups().at(0);
    // The photograph taken meanwhile (the editor covered and uncovered first).
    ASSERT_TRUE(waitFor(10000, [&] { return std::filesystem::exists(during) || tool.done; }));
    // On the screen the popup sits right below the option menu, at its left
    // edge: the menu's colour just above its top-left corner, our panel
    // (drawn after the cover went) inside it. A slow build paints late: wait.
    const struct {
        int x, y;
        uint32_t colour;
    } pixels[] = {{popup.x + 10, popup.y - 10, 0x204080u},
                  {popup.x + 4, popup.y + 1 + kPanelItemHeight * 2 + kPanelItemHeight / 2, 0xF0F0F0u},
                  {popup.x, popup.y, 0x646464u}};   // the last: its border
    for (const auto& p : pixels) {
        waitFor(5000, [&] { return display.screenPixel(p.x, p.y) == p.colour; });
        EXPECT_EQ(display.screenPixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
    const int second = 1 + kPanelItemHeight + kPanelItemHeight / 2;
    display.moveTo(popup.x + 30, popup.y + second);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    display.click(popup.x + 30, popup.y + second);
    const bool gone = waitFor(5000, [&] { return display.popups().empty(); });
    ASSERT_TRUE(finishWithin(tool, display, 20000, waitFor<std::function<bool()>>));
    EXPECT_TRUE(gone);
    EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
    const std::string& log = tool.result.out;
    EXPECT_EQ(linesStartingWith(log, "automate 0"), std::vector<std::string>{"automate 0 0.333333"}) << log;
    EXPECT_EQ(linesStartingWith(log, "beginEdit 0").size(), 1u);
    EXPECT_EQ(linesStartingWith(log, "endEdit 0").size(), 1u);
    // The host's window photographed during the loop, after being covered
    // and uncovered: the editor repainted itself while the popup's loop ran
    // (the menu's colour and the text field's are there, not the cover's white).
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(during, width, height, rgb));
    EXPECT_EQ(pixelAt(rgb, width, 22, 12), 0x204080u);
    EXPECT_EQ(pixelAt(rgb, width, 22, 152), 0xF0F0E0u);
}

TEST_F(MenusTool, TheToolsOwnActionsPlayThePopupAndTheEditorGetsTheNextClickAndKeys) {
    // The popup hangs from the menu's bottom-left corner (20, 30): its second
    // entry's middle is 1 + 20 + 10 pixels below.
    const struct {
        std::vector<std::string> play;
        const char* choice;   // the automate line of the menu; none for a cancel
    } rows[] = {
        {{"--key", "Escape"}, nullptr},
        {{"--click", point(300, 190)}, nullptr},   // outside the popup
        {{"--click", point(50, 30 + 1 + kPanelItemHeight + kPanelItemHeight / 2)}, "automate 0 0.333333"},
        {{"--key", "Down", "--key", "Down", "--key", "Return"}, "automate 0 0.333333"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"--log", "--click", point(kMenuX, kMenuY)};
        args.insert(args.end(), row.play.begin(), row.play.end());
        args.insert(args.end(), kAfterwards.begin(), kAfterwards.end());
        ToolRun tool(args);
        const std::string what = row.play[0] + " " + row.play[1];
        // Nobody waits for a user: the tool's own actions end the popup.
        ASSERT_TRUE(finishWithin(tool, display, 8000, waitFor<std::function<bool()>>)) << what;
        EXPECT_EQ(tool.result.exitCode, 0) << what << tool.result.err;
        EXPECT_TRUE(display.popups().empty()) << what;
        const std::string& log = tool.result.out;
        const std::vector<std::string> choice = row.choice ? std::vector<std::string>{row.choice} : std::vector<std::string>{};
        EXPECT_EQ(linesStartingWith(log, "automate 0"), choice) << what << log;
        EXPECT_EQ(linesStartingWith(log, "beginEdit 0").size(), 1u) << what << log;
        EXPECT_EQ(linesStartingWith(log, "endEdit 0").size(), 1u) << what << log;
        // The next click reached the editor and its keys were typed.
        EXPECT_EQ(linesStartingWith(log, "automate 1").size(), 1u) << what << log;
        const std::vector<std::string> text = linesStartingWith(log, "param 1");
        ASSERT_EQ(text.size(), 1u) << log;
        EXPECT_NE(text[0].find(" xy"), std::string::npos) << what << text[0];
    }
}

TEST_F(MenusTool, APopupLeftOpenIsClosedWithEscapeAndTheToolFailsSayingSo) {
    ToolRun tool({"--log", "--click", point(kMenuX, kMenuY)});
    // Positive control: the popup did open (and stayed while nobody played it).
    ASSERT_TRUE(waitFor(10000, [&] { return display.popups().size() == 1 || tool.done; })) << "no popup";
    EXPECT_FALSE(tool.done);
    ASSERT_TRUE(finishWithin(tool, display, 20000, waitFor<std::function<bool()>>));
    EXPECT_EQ(tool.result.exitCode, 4);
    EXPECT_NE(tool.result.err.find("popup menu was still open"), std::string::npos) << tool.result.err;
    EXPECT_TRUE(display.popups().empty());
    EXPECT_TRUE(linesStartingWith(tool.result.out, "automate 0").empty()) << tool.result.out;
    EXPECT_EQ(linesStartingWith(tool.result.out, "endEdit 0").size(), 1u) << tool.result.out;
}

TEST_F(MenusTool, HelpIsUsageOnStandardOutput) {
    ToolRun help({"--help"});
    help.finish();
    EXPECT_EQ(help.result.exitCode, 0) << help.result.err;
    EXPECT_EQ(help.result.out.rfind("usage: kelvanti-editor", 0), 0u) << help.result.out;
    EXPECT_NE(help.result.out.find("--key"), std::string::npos);
    EXPECT_EQ(help.result.err, "");
    ToolRun unknown({"--bogus"});
    unknown.finish();
    EXPECT_EQ(unknown.result.exitCode, 1);
    EXPECT_NE(unknown.result.err.find("unknown option --bogus"), std::string::npos) << unknown.result.err;
}

// On any screen (the suite runs it on one 800 pixels high as well): the menu
// of 200 entries lies within the screen, and its last entry can be chosen.
TEST_F(MenusTool, AMenuOf200EntriesShowsEveryEntryOnTheScreen) {
    ToolRun tool({"--log", "--click", point(kBigMenuX, kBigMenuY)});
    ASSERT_TRUE(waitFor(10000, [&] { return display.popups().size() == 1 || tool.done; })) << "no popup";
    ASSERT_FALSE(tool.done) << tool.result.err;
    const Rect popup = display.popups().at(0);
    EXPECT_GE(popup.x, 0);
    EXPECT_GE(popup.y, 0);
    EXPECT_LE(popup.x + popup.width, display.width());
    EXPECT_LE(popup.y + popup.height, display.height());
    // Its picture, to look at: every entry's number is there.
    const int right = popup.x + popup.width - 1, bottom = popup.y + popup.height - 1;
    waitFor(5000, [&] { return display.screenPixel(right, bottom) == 0x646464u; });   // the last corner drawn
    const std::vector<uint8_t> rgb = display.photograph(popup);
    ASSERT_FALSE(rgb.empty());
    const std::string shots = KELVANTI_WINDOW_SHOTS_DIR;
    std::filesystem::create_directories(shots);
    pngtest::writeRgbFile(shots + "/menu-200-on-" + std::to_string(display.height()) + ".png", popup.width,
                          popup.height, rgb);
    // The columns: rules of grey (200, 200, 200) between them, on the first row.
    std::vector<int> columnLefts = {1};
    for (int x = 1; x + 1 < popup.width; ++x)
        if (pixelAt(rgb, popup.width, x, 3) == 0xC8C8C8u) columnLefts.push_back(x + 1);
    const int rows = (popup.height - 2) / kPanelItemHeight;
    ASSERT_GE(rows, 1);
    const int columns = static_cast<int>(columnLefts.size());
    EXPECT_EQ(columns, (200 + rows - 1) / rows) << rows;
    // The last entry: the last column, row (199 mod rows).
    const int lastRow = 199 % rows;
    const int x = popup.x + columnLefts.back() + 30;
    const int y = popup.y + 1 + lastRow * kPanelItemHeight + kPanelItemHeight / 2;
    display.moveTo(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    display.click(x, y);
    EXPECT_TRUE(waitFor(5000, [&] { return display.popups().empty(); }));
    ASSERT_TRUE(finishWithin(tool, display, 20000, waitFor<std::function<bool()>>));
    EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
    EXPECT_EQ(linesStartingWith(tool.result.out, "automate 2"), std::vector<std::string>{"automate 2 1.000000"})
        << tool.result.out;
    EXPECT_EQ(linesStartingWith(tool.result.out, "param 2"), std::vector<std::string>{"param 2 Big 1.000000 200"});
}

} // namespace
