#pragma once
// The user at the X display, for the tests that run kelvanti-editor with the
// menu toy: a connection of the test's own that finds popups, reads and
// photographs the screen, moves, clicks and types through XTEST; the tool
// run on a thread of its own; log helpers.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/host/lib/Process.h"

namespace screenuser {

using Clock = std::chrono::steady_clock;

// Where the menu toy puts its views (editor pixels).
constexpr int kMenuX = 30, kMenuY = 20;        // inside the option menu (20,10)-(180,30)
constexpr int kBigMenuX = 250, kBigMenuY = 20; // inside the menu of 200 entries (200,10)-(300,30)
constexpr int kTextX = 40, kTextY = 163;       // inside the text field (20,150)-(220,176)
constexpr int kTextLeft = 20, kTextTop = 150, kTextRight = 220, kTextBottom = 176;
constexpr int kUpperTextX = 40, kUpperTextY = 63;   // inside the upper text field (20,50)-(220,76)
constexpr int kSliderLeft = 20, kSliderWidth = 200, kSliderY = 110;   // the slider (20,100)-(220,120)
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
    int width() const { return screen_->width_in_pixels; }
    int height() const { return screen_->height_in_pixels; }

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
    // What the screen shows in a rectangle, as RGB rows; empty when unreadable.
    std::vector<uint8_t> photograph(const Rect& r) {
        std::vector<uint8_t> rgb;
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            connection_,
            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<int16_t>(r.x),
                          static_cast<int16_t>(r.y), static_cast<uint16_t>(r.width), static_cast<uint16_t>(r.height), ~0u),
            nullptr);
        const size_t pixels = static_cast<size_t>(r.width) * static_cast<size_t>(r.height);
        if (image && static_cast<size_t>(xcb_get_image_data_length(image)) == pixels * 4u) {
            const uint8_t* p = xcb_get_image_data(image);
            const bool msbFirst = xcb_get_setup(connection_)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
            for (size_t i = 0; i < pixels; ++i, p += 4) {
                rgb.push_back(msbFirst ? p[1] : p[2]);
                rgb.push_back(msbFirst ? p[2] : p[1]);
                rgb.push_back(msbFirst ? p[3] : p[0]);
            }
        }
        std::free(image);
        return rgb;
    }
    // What the screen shows at (x, y), as 0xRRGGBB.
    uint32_t screenPixel(int x, int y) {
        const std::vector<uint8_t> rgb = photograph(Rect{x, y, 1, 1});
        return rgb.size() == 3 ? uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2] : 0xFFFFFFFFu;
    }
    void moveTo(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void click(int x, int y) {
        moveTo(x, y);
        press();
        release();
    }
    void press() { fake(XCB_BUTTON_PRESS, 1); }
    void release() { fake(XCB_BUTTON_RELEASE, 1); }
    // held: a modifier's key symbol (Control_L...) held around the key, or 0.
    bool key(uint32_t keysym, uint32_t held = 0) {
        const uint8_t code = keycodeOf(keysym);
        const uint8_t modifier = held ? keycodeOf(held) : 0;
        if (!code || (held && !modifier)) return false;
        if (modifier) fake(XCB_KEY_PRESS, modifier);
        fake(XCB_KEY_PRESS, code);
        fake(XCB_KEY_RELEASE, code);
        if (modifier) fake(XCB_KEY_RELEASE, modifier);
        return true;
    }
    // A key code pressed and released as it is, whatever the layout makes of
    // it; held: a key code held around it, or 0.
    void keyCode(uint8_t code, uint8_t held = 0) {
        if (held) fake(XCB_KEY_PRESS, held);
        fake(XCB_KEY_PRESS, code);
        fake(XCB_KEY_RELEASE, code);
        if (held) fake(XCB_KEY_RELEASE, held);
    }
    // The first key code whose core mapping holds keysym; 0 for none.
    uint8_t keycodeOf(uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr);
        if (!map) return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        uint8_t code = 0;
        for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(map) && !code; ++i)
            if (syms[i] == keysym) code = static_cast<uint8_t>(setup->min_keycode + i / map->keysyms_per_keycode);
        std::free(map);
        return code;
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

// One connection for the whole program: the X server resets when its last
// client leaves, and a test connecting during that reset would find no display.
inline Display& sharedDisplay() {
    static Display* display = new Display;
    return *display;
}

// The tool with the menu toy on a thread of its own; `done` once it returned.
struct ToolRun {
    std::atomic<bool> done{false};
    vsthost::ProcessResult result;
    std::thread thread;
    explicit ToolRun(std::vector<std::string> args) {
        std::vector<std::string> argv = vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER);
        argv.push_back(KELVANTI_EDITOR_TOOL);
        if (!args.empty() && args[0] != "--help") argv.push_back(KELVANTI_MENU_TOY_PLUGIN);
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

// Waits for the tool at most ms. A tool still running then (stuck in a
// popup nobody plays) is freed with Escape keys from the test's user, so the
// test ends and says so: false.
template <class Wait>
bool finishWithin(ToolRun& tool, Display& display, int ms, Wait waitFor) {
    const bool done = waitFor(ms, [&] { return tool.done.load(); });
    while (!tool.done) {
        display.key(0xFF1B);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    tool.finish();
    return done;
}

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

inline std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

inline std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

} // namespace screenuser
