// kelvanti-editor driving the menu toy on an X display of its own (the test
// runs under xvfb-run -a). While the tool's thread sits in the popup's loop,
// this test plays the user through XTEST on a connection of its own: it
// finds the popup among the screen's override-redirect windows, clicks an
// entry, presses Escape or clicks outside. Then the tool carries on: its
// next click and keys must reach the editor (the grab was released).
#include <gtest/gtest.h>
#include "tests/window/ReadPng.h"
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/support/ScratchFolder.h"
#include "tools/host/lib/Process.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where the menu toy puts its views (editor pixels).
constexpr int kMenuX = 30, kMenuY = 20;        // inside the option menu (20,10)-(180,30)
constexpr int kTextX = 40, kTextY = 163;       // inside the text field (20,150)-(220,176)
constexpr int kPanelItemHeight = 20;           // the popup's rows, one pixel below its border

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

class Display {
public:
    Display() : connection_(xcb_connect(nullptr, nullptr)) {
        if (!xcb_connection_has_error(connection_)) screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    }
    ~Display() { xcb_disconnect(connection_); }
    bool ok() const { return screen_ != nullptr; }

    // The viewable override-redirect windows on the screen.
    std::vector<Rect> popups() {
        std::vector<Rect> found;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr);
        if (!tree) return found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
            const bool popup = a && a->override_redirect && a->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(a);
            if (!popup) continue;
            xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, children[i]), nullptr);
            if (g) found.push_back(Rect{g->x, g->y, g->width, g->height});
            std::free(g);
        }
        std::free(tree);
        return found;
    }
    // What the screen shows at (x, y), as 0xRRGGBB.
    uint32_t screenPixel(int x, int y) {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            connection_,
            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<int16_t>(x),
                          static_cast<int16_t>(y), 1, 1, ~0u),
            nullptr);
        uint32_t pixel = 0xFFFFFFFFu;
        if (image && xcb_get_image_data_length(image) >= 4) {
            const uint8_t* p = xcb_get_image_data(image);
            const bool msbFirst = xcb_get_setup(connection_)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
            pixel = msbFirst ? (uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                             : (uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
        }
        std::free(image);
        return pixel;
    }
    void moveTo(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void click(int x, int y) {
        moveTo(x, y);
        fake(XCB_BUTTON_PRESS, 1);
        fake(XCB_BUTTON_RELEASE, 1);
    }
    bool key(uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr);
        if (!map) return false;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        uint8_t code = 0;
        for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(map) && !code; ++i)
            if (syms[i] == keysym) code = static_cast<uint8_t>(setup->min_keycode + i / map->keysyms_per_keycode);
        std::free(map);
        if (!code) return false;
        fake(XCB_KEY_PRESS, code);
        fake(XCB_KEY_RELEASE, code);
        return true;
    }

private:
    void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0) {
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? screen_->root : XCB_NONE,
                            static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
        // Round trip: the server has taken the input before we go on.
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
};

using render_run::ScratchFolder;

// The tool on a thread of its own; `done` once it returned.
struct ToolRun {
    std::atomic<bool> done{false};
    vsthost::ProcessResult result;
    std::thread thread;
    explicit ToolRun(std::vector<std::string> args) {
        std::vector<std::string> argv = vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER);
        argv.push_back(KELVANTI_EDITOR_TOOL);
        argv.push_back(KELVANTI_MENU_TOY_PLUGIN);
        argv.insert(argv.end(), args.begin(), args.end());
        thread = std::thread([this, argv] {
            result = vsthost::runProcess(argv);
            done = true;
        });
    }
    ~ToolRun() {
        if (thread.joinable()) thread.join();
    }
    void finish() { thread.join(); }
};

// Waits until `test` holds, at most ms; false on timeout.
template <class Test>
bool waitFor(int ms, Test test) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        if (test()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return test();
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

// The pixel's RGB at (x, y) as 0xRRGGBB.
uint32_t pixelAt(const std::vector<uint8_t>& rgb, int width, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3u;
    return static_cast<uint32_t>(rgb[at]) << 16 | static_cast<uint32_t>(rgb[at + 1]) << 8 | rgb[at + 2];
}

// The tool's actions after the popup: a click into the text field, typing, Return.
const std::vector<std::string> kAfterwards = {"--click", std::to_string(kTextX) + "," + std::to_string(kTextY),
                                             "--key", "x", "--key", "y", "--key", "Return"};

// One connection for the whole program: the X server resets when its last
// client leaves, and a test connecting during that reset would find no display.
Display& sharedDisplay() {
    static Display* display = new Display;
    return *display;
}

class MenusTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.ok()) GTEST_SKIP() << "no X display";
    }
    Display& display = sharedDisplay();
    ScratchFolder scratch;
};

TEST_F(MenusTool, AClickOnEntryTwoSelectsItAndTheEditorGetsTheNextClickAndKeys) {
    const std::string during = scratch.file("during.png");
    const std::string after = scratch.file("after.png");
    std::vector<std::string> args = {"--log", "--shot-during", "1500," + during, "--click",
                                     std::to_string(kMenuX) + "," + std::to_string(kMenuY)};
    args.insert(args.end(), kAfterwards.begin(), kAfterwards.end());
    args.insert(args.end(), {"--shot", after});
    ToolRun tool(args);
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
    bool gone = waitFor(5000, [&] { return display.popups().empty(); });
    const bool toolStillRunning = !tool.done;
    tool.finish();
    EXPECT_TRUE(gone);
    EXPECT_TRUE(toolStillRunning);   // none remained while the editor was still open
    EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;

    const std::string& log = tool.result.out;
    const std::vector<std::string> choice = {"automate 0 0.333333"};
    EXPECT_EQ(linesStartingWith(log, "automate 0"), choice) << log;
    EXPECT_EQ(linesStartingWith(log, "beginEdit 0").size(), 1u);
    EXPECT_EQ(linesStartingWith(log, "endEdit 0").size(), 1u);
    // The text field: one change told once, with what was typed.
    EXPECT_EQ(linesStartingWith(log, "automate 1").size(), 1u) << log;
    const std::vector<std::string> text = linesStartingWith(log, "param 1");
    ASSERT_EQ(text.size(), 1u) << log;
    EXPECT_NE(text[0].find(" xy"), std::string::npos) << text[0];

    // The host's window photographed during the loop, after being covered
    // and uncovered: the editor repainted itself while the popup's loop ran
    // (the menu's colour and the text field's are there, not the cover's white).
    int width = 0, height = 0;
    std::vector<uint8_t> rgb, rgbAfter;
    ASSERT_TRUE(readPng(during, width, height, rgb));
    ASSERT_TRUE(readPng(after, width, height, rgbAfter));
    EXPECT_EQ(pixelAt(rgb, width, 22, 12), 0x204080u);
    EXPECT_EQ(pixelAt(rgb, width, 22, 152), 0xF0F0E0u);
    EXPECT_EQ(pixelAt(rgbAfter, width, 22, 12), 0x204080u);
}

TEST_F(MenusTool, EscapeAndAClickOutsideCancelAndReleaseTheGrab) {
    for (const bool escape : {true, false}) {
        std::vector<std::string> args = {"--log", "--click", std::to_string(kMenuX) + "," + std::to_string(kMenuY)};
        args.insert(args.end(), kAfterwards.begin(), kAfterwards.end());
        ToolRun tool(args);
        ASSERT_TRUE(waitFor(10000, [&] { return display.popups().size() == 1 || tool.done; })) << "no popup";
        ASSERT_FALSE(tool.done) << tool.result.err;
        const Rect popup = display.popups().at(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (escape)
            ASSERT_TRUE(display.key(0xFF1B));
        else
            display.click(popup.x + popup.width + 200, popup.y + popup.height + 100);
        const bool gone = waitFor(5000, [&] { return display.popups().empty(); });
        const bool toolStillRunning = !tool.done;
        tool.finish();
        EXPECT_TRUE(gone) << escape;
        EXPECT_TRUE(toolStillRunning) << escape;
        EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
        const std::string& log = tool.result.out;
        EXPECT_TRUE(linesStartingWith(log, "automate 0").empty()) << log;
        EXPECT_EQ(linesStartingWith(log, "beginEdit 0").size(), 1u) << log;
        EXPECT_EQ(linesStartingWith(log, "endEdit 0").size(), 1u) << log;
        // The next click reached the editor and its keys were typed.
        EXPECT_EQ(linesStartingWith(log, "automate 1").size(), 1u) << escape << log;
    }
}

} // namespace
