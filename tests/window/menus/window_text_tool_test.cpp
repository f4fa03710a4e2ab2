// kelvanti-editor typing into the menu toy's text fields on an X display of
// its own: the keyboard focus leaving ends the editing with one endEdit, a
// click inside the field being edited places the caret, keypad keys follow
// Num Lock, and the focus goes back only while it is still ours; giving it
// back ends neither the next field's edit nor a drag.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "os/window/PopupScreen.h"
#include "tests/window/menus/ScreenUser.h"

namespace {

using namespace screenuser;

class TextTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.ok()) GTEST_SKIP() << "no X display";
    }
    // The tool's log after the actions, with --log; fails the test on a bad exit.
    std::string run(std::vector<std::string> args) {
        args.insert(args.begin(), "--log");
        ToolRun tool(args);
        tool.finish();
        EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
        return tool.result.out;
    }
    Display& display = sharedDisplay();
};

// What the log's last line of a parameter shows ("param 1 Text " by
// default: the toy shows 8 bytes of the text).
std::string shownText(const std::string& log, const std::string& prefix = "param 1 Text ") {
    const std::vector<std::string> lines = linesStartingWith(log, prefix);
    if (lines.empty()) return "<none>";
    const std::string& line = lines.back();
    const size_t space = line.find(' ', prefix.size());
    return space == std::string::npos ? "<none>" : line.substr(space + 1);
}

TEST_F(TextTool, ClicksInsideTheFieldPlaceTheCaretAndLeavingTheFocusEndsTheEdit) {
    const std::string field = point(kTextX, kTextY);
    const std::string leftEdge = point(kTextLeft + 2, kTextY);
    const struct {
        std::vector<std::string> args;
        const char* text;
        size_t edits;    // beginEdit/endEdit pairs of the field
        size_t changes;  // automate lines of the field
    } rows[] = {
        // A click at the left edge of the text being edited puts the caret before it.
        {{"--click", field, "--key", "x", "--key", "y", "--click", leftEdge, "--key", "z", "--key", "Return"}, "zxy", 1, 1},
        // The focus given to another window: the text is taken as on Return;
        // keys typed afterwards no longer reach the field.
        {{"--click", field, "--key", "x", "--key", "y", "--focus-away", "--key", "z"}, "xy", 1, 1},
        // Positive control: without it they do (and the edit ends with the editor).
        {{"--click", field, "--key", "x", "--key", "y", "--key", "z", "--key", "Return"}, "xyz", 1, 1},
    };
    for (const auto& row : rows) {
        const std::string log = run(row.args);
        EXPECT_EQ(shownText(log), row.text) << log;
        EXPECT_EQ(linesStartingWith(log, "beginEdit 1").size(), row.edits) << log;
        EXPECT_EQ(linesStartingWith(log, "endEdit 1").size(), row.edits) << log;
        EXPECT_EQ(linesStartingWith(log, "automate 1").size(), row.changes) << log;
    }
}

// The user at the display, outside the tool's process: the focus a field
// gives back as its edit ends is no loss of the window.
TEST_F(TextTool, TheFocusAFieldGivesBackEndsNeitherTheNextFieldsEditNorADrag) {
    ToolRun tool({"--log", "--idle", "4000"});
    ASSERT_TRUE(waitFor(10000, [&] { return tool.done || display.screenPixel(kTextLeft + 2, kTextTop + 2) == 0xF0F0E0u; }));
    ASSERT_FALSE(tool.done) << tool.result.err;
    const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(150)); };   // 3 editor idles
    // From the lower field straight into the upper one, typing in each.
    display.click(kTextX, kTextY);
    settle();
    display.key('x');
    settle();
    display.click(kUpperTextX, kUpperTextY);
    settle();
    display.key('y');
    settle();
    display.key(0xFF0D);   // Return
    settle();
    // Editing the lower field again, the slider is pressed, dragged and, a
    // while later, released.
    display.click(kTextX, kTextY);
    settle();
    display.moveTo(kSliderLeft + 20, kSliderY);
    display.press();
    settle();
    for (int x = 30; x <= 130; x += 10) {
        display.moveTo(kSliderLeft + x, kSliderY);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    settle();
    display.release();
    ASSERT_TRUE(finishWithin(tool, display, 10000, waitFor<std::function<bool()>>));
    ASSERT_EQ(tool.result.exitCode, 0) << tool.result.err;
    const std::string& log = tool.result.out;
    EXPECT_EQ(shownText(log), "x") << log;
    EXPECT_EQ(shownText(log, "param 3 Upper "), "y") << log;
    for (const char* bracket : {"beginEdit 3", "endEdit 3", "beginEdit 4", "endEdit 4"})
        EXPECT_EQ(linesStartingWith(log, bracket).size(), 1u) << bracket << "\n" << log;
    // Where the pointer was at the release (130 of 200 pixels), not at the press.
    EXPECT_EQ(shownText(log, "param 4 Level "), "0.650") << log;
}

TEST_F(TextTool, KeypadDigitsTypeDigitsWithNumLockOnAndMoveTheCaretWithItOff) {
    // Num Lock on: 1, the decimal key, 5, +. Off again: the keypad's 7 is
    // Home, its decimal key Delete, its 1 End.
    const std::string log = run({"--click", point(kTextX, kTextY), "--key", "Num_Lock", "--key", "KP_1", "--key", "KP_Decimal",
                                 "--key", "KP_5", "--key", "KP_Add", "--key", "Num_Lock", "--key", "KP_7", "--key", "KP_Decimal",
                                 "--key", "KP_1", "--key", "Return"});
    EXPECT_EQ(shownText(log), ".5+") << log;   // Home, Delete took the "1"; End
}

// The focus a text field took goes back where it was when editing ends,
// but not when the user has given it to another window meanwhile.
TEST(KeyboardHold, GivesTheFocusBackOnlyWhileItIsStillOurs) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const auto window = [&](int x) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<int16_t>(x), 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, w);
        return w;
    };
    const xcb_window_t host = window(0), ours = window(20), other = window(40);
    const auto focus = [&] {
        xcb_get_input_focus_reply_t* r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const xcb_window_t f = r ? r->focus : 0;
        std::free(r);
        return f;
    };
    const auto setFocus = [&](xcb_window_t w) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, w, XCB_CURRENT_TIME);
        focus();   // a round trip: done
    };
    for (const bool userMovesOn : {false, true}) {
        setFocus(host);
        std::unique_ptr<os::KeyboardHold> hold = os::holdX11Keyboard(ours);
        ASSERT_NE(hold, nullptr);
        setFocus(ours);   // as the editor's window takes it
        if (userMovesOn) setFocus(other);
        hold.reset();
        EXPECT_EQ(focus(), userMovesOn ? other : host) << userMovesOn;
    }
    xcb_disconnect(c);
}

} // namespace
