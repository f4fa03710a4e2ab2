// kelvanti-editor typing into the menu toy's text fields on an X display of
// kelvanti-editor typing into the menu toy's text fields on an X display of
// its own, with and without a window manager: the keyboard focus leaving
// ends the editing with one endEdit, a click ending a changed edit reaches
// the view under it, a click inside the field being edited places the
// caret, keypad keys follow Num Lock, and the focus goes back only while it
// is still ours; giving it back ends neither the next field's edit nor a
// drag; the clipboard and dead keys work with other programs; every
// keyboard layout types what its keys show, in any locale.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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

// A click that ends a changed field's edit is a click like any other: it
// reaches the view under it, the slider or the other field. (On a desktop
// the window manager moves the focus to the host's window as the button
// goes down, before the click arrives.)
TEST_F(TextTool, AClickThatEndsAChangedEditReachesTheViewUnderIt) {
    const std::string upper = point(60, kUpperTextY), lower = point(60, kTextY);
    const std::string drag = point(40, kSliderY) + ",160,0";   // to 200 of the slider's 20..220
    const struct {
        std::vector<std::string> args;
        const char* upperText;
        const char* lowerText;
        const char* level;
    } rows[] = {
        {{"--click", upper, "--key", "q", "--drag", drag}, "q", "ab", "0.900"},
        {{"--click", upper, "--key", "q", "--click", lower, "--key", "z", "--key", "Return"}, "q", "z", "0.000"},
        // Positive control: the text unchanged.
        {{"--click", upper, "--drag", drag}, "cd", "ab", "0.900"},
    };
    for (const auto& row : rows) {
        const std::string log = run(row.args);
        EXPECT_EQ(shownText(log, "param 3 Upper "), row.upperText) << log;
        EXPECT_EQ(shownText(log), row.lowerText) << log;
        EXPECT_EQ(shownText(log, "param 4 Level "), row.level) << log;
    }
}

TEST_F(TextTool, KeypadDigitsTypeDigitsWithNumLockOnAndMoveTheCaretWithItOff) {
    // Num Lock on: 1, the decimal key, 5, +. Off again: the keypad's 7 is
    // Home, its decimal key Delete, its 1 End.
    const std::string log = run({"--click", point(kTextX, kTextY), "--key", "Num_Lock", "--key", "KP_1", "--key", "KP_Decimal",
                                 "--key", "KP_5", "--key", "KP_Add", "--key", "Num_Lock", "--key", "KP_7", "--key", "KP_Decimal",
                                 "--key", "KP_1", "--key", "Return"});
    EXPECT_EQ(shownText(log), ".5+") << log;   // Home, Delete took the "1"; End
}

// Another program on the display, on a connection of its own: it reads a
// selection, owns the clipboard and answers for it on a thread of its own,
// and gives a spare key code the dead acute accent.
class OtherProgram {
public:
    OtherProgram() : c_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c_)) return;
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        clipboard = atom("CLIPBOARD");
        utf8 = atom("UTF8_STRING");
        property_ = atom("OTHER_PROGRAM_PASTE");
    }
    ~OtherProgram() {
        stop_ = true;
        if (owner_.joinable()) owner_.join();
        if (deadKeycode_) setKeysym(deadKeycode_, 0);
        xcb_disconnect(c_);
    }
    bool ok() const { return screen_ != nullptr; }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        std::free(r);
        return a;
    }
    xcb_window_t ownerOf(xcb_atom_t selection) {
        xcb_get_selection_owner_reply_t* r = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr);
        const xcb_window_t owner = r ? r->owner : XCB_NONE;
        std::free(r);
        return owner;
    }
    // The keyboard focus is on a window inside the tool's (a text field took it).
    bool editorHasFocus() {
        xcb_get_input_focus_reply_t* f = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
        const xcb_window_t focus = f ? f->focus : XCB_NONE;
        std::free(f);
        if (focus <= 1) return false;   // None, PointerRoot
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, focus), nullptr);
        const xcb_window_t parent = tree ? tree->parent : XCB_NONE;
        std::free(tree);
        xcb_get_property_reply_t* name = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, parent, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 16), nullptr);
        const bool tool = name && xcb_get_property_value_length(name) == 15 &&
                          std::memcmp(xcb_get_property_value(name), "kelvanti-editor", 15) == 0;
        std::free(name);
        return tool;
    }
    // The selection converted to target: its bytes, "<refused>", or "<no answer>" after 3 s.
    std::string read(xcb_atom_t selection, xcb_atom_t target) {
        xcb_convert_selection(c_, window_, selection, target, property_, XCB_CURRENT_TIME);
        xcb_flush(c_);
        std::string out = "<no answer>";
        waitFor(3000, [&] {
            xcb_generic_event_t* e = xcb_poll_for_event(c_);
            const bool answered = e && (e->response_type & 0x7F) == XCB_SELECTION_NOTIFY;
            if (answered) {
                const auto* n = reinterpret_cast<const xcb_selection_notify_event_t*>(e);
                out = "<refused>";
                xcb_get_property_reply_t* r =
                    n->property == XCB_NONE
                        ? nullptr
                        : xcb_get_property_reply(c_, xcb_get_property(c_, 1, window_, n->property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                                 nullptr);
                if (r) out.assign(static_cast<const char*>(xcb_get_property_value(r)),
                                  static_cast<size_t>(xcb_get_property_value_length(r)));
                std::free(r);
            }
            std::free(e);
            return answered;
        });
        return out;
    }
    // Owns the clipboard with text (UTF8_STRING) and answers requests until it goes.
    void ownClipboard(const std::string& text) {
        xcb_set_selection_owner(c_, window_, clipboard, XCB_CURRENT_TIME);
        ownerOf(clipboard);   // a round trip: done
        owner_ = std::thread([this, text] {
            while (!stop_) {
                xcb_generic_event_t* e = xcb_poll_for_event(c_);
                if (!e) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                if ((e->response_type & 0x7F) == XCB_SELECTION_REQUEST) {
                    const auto* r = reinterpret_cast<const xcb_selection_request_event_t*>(e);
                    xcb_selection_notify_event_t n{};
                    n.response_type = XCB_SELECTION_NOTIFY;
                    n.time = r->time;
                    n.requestor = r->requestor;
                    n.selection = r->selection;
                    n.target = r->target;
                    if (r->target == utf8) {
                        n.property = r->property;
                        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, r->requestor, r->property, utf8, 8,
                                            static_cast<uint32_t>(text.size()), text.data());
                    }
                    xcb_send_event(c_, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
                    ownerOf(clipboard);   // the answer is on its way before anyone types on
                    ++served_;
                }
                std::free(e);
            }
        });
    }
    int served() const { return served_; }
    // A key code with no symbols types the dead acute accent (as on keyboards
    // with dead keys) until this program goes; false when none is spare.
    bool addDeadAcute() {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        xcb_get_keyboard_mapping_reply_t* map =
            xcb_get_keyboard_mapping_reply(c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr);
        if (!map) return false;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        perCode_ = map->keysyms_per_keycode;
        for (int code = 0; code < count && !deadKeycode_ && perCode_ > 0; ++code) {
            bool spare = true;
            for (int i = 0; i < perCode_; ++i) spare = spare && syms[code * perCode_ + i] == 0;
            if (spare) deadKeycode_ = static_cast<uint8_t>(setup->min_keycode + code);
        }
        std::free(map);
        if (deadKeycode_) setKeysym(deadKeycode_, kDeadAcute);
        return deadKeycode_ != 0;
    }
    static constexpr uint32_t kDeadAcute = 0xFE51;
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t utf8 = XCB_NONE;

private:
    void setKeysym(uint8_t code, uint32_t keysym) {
        std::vector<xcb_keysym_t> row(perCode_, 0);
        row[0] = keysym;
        xcb_change_keyboard_mapping(c_, 1, code, perCode_, row.data());
        ownerOf(clipboard);   // a round trip
    }

    xcb_connection_t* c_;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t property_ = XCB_NONE;
    std::thread owner_;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    uint8_t deadKeycode_ = 0;
    uint8_t perCode_ = 0;
};

// Ctrl+A Ctrl+C: another program reads the text (UTF-8 and Latin-1) from the
// clipboard, and from the primary selection; a text it owns comes in with
// Ctrl+V on one line; a dead key composes with the next key.
TEST_F(TextTool, ClipboardAndDeadKeysWorkWithOtherPrograms) {
    constexpr uint32_t kControl = 0xFFE3, kEnd = 0xFF57, kReturn = 0xFF0D;
    OtherProgram other;
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(other.addDeadAcute());
    ToolRun tool({"--log", "--click", point(kTextX, kTextY), "--idle", "5000"});
    ASSERT_TRUE(waitFor(5000, [&] { return other.editorHasFocus(); }));
    display.key('x');   // over the text, all of it selected
    display.key(OtherProgram::kDeadAcute);
    display.key('e');
    display.key('a', kControl);
    display.key('c', kControl);
    EXPECT_TRUE(waitFor(3000, [&] { return other.ownerOf(other.clipboard) != XCB_NONE; }));
    EXPECT_EQ(other.read(other.clipboard, other.utf8), "x\xC3\xA9");
    EXPECT_EQ(other.read(other.clipboard, XCB_ATOM_STRING), "x\xE9");
    EXPECT_EQ(other.read(XCB_ATOM_PRIMARY, other.utf8), "x\xC3\xA9");

    other.ownClipboard("p\n\xE2\x82\xAC");
    display.key(kEnd);
    display.key('v', kControl);
    EXPECT_TRUE(waitFor(3000, [&] { return other.served() > 0; }));
    display.key(kReturn);
    ASSERT_TRUE(finishWithin(tool, display, 15000, waitFor<std::function<bool()>>));
    EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
    EXPECT_EQ(shownText(tool.result.out), "x\xC3\xA9p\xE2\x82\xAC") << tool.result.out;
}

// setxkbmap as the user runs it, on the test's display; false when it fails.
bool setLayout(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"setxkbmap"};
    argv.insert(argv.end(), args.begin(), args.end());
    const vsthost::ProcessResult result = vsthost::runProcess(argv);
    return result.started && result.exitCode == 0;
}

// The variable set for the tools this test starts, and as it was afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (old) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// The desktop's keyboard layout, changed while the editor runs (setxkbmap,
// as a user does): AltGr's third level, other scripts, a second group
// switched to (where Ctrl+A Ctrl+C still copy), a dead key in a locale
// whose charset is not UTF-8. The same key codes are pressed under every layout.
TEST_F(TextTool, EveryKeyboardLayoutTypesWhatItsKeysShow) {
    const std::vector<std::string> us = {"-layout", "us", "-option", ""};
    if (!setLayout(us)) GTEST_SKIP() << "setxkbmap cannot set the layout (tools/setup/install-deps.sh xvfb installs it)";
    struct Restore {
        std::vector<std::string> layout;
        ~Restore() { setLayout(layout); }
    } restore{us};
    OtherProgram other;
    ASSERT_TRUE(other.ok());
    const uint8_t q = display.keycodeOf('q'), w = display.keycodeOf('w'), e = display.keycodeOf('e');
    const uint8_t a = display.keycodeOf('a'), b = display.keycodeOf('b'), seven = display.keycodeOf('7');
    const uint8_t eight = display.keycodeOf('8'), caps = display.keycodeOf(0xFFE5), enter = display.keycodeOf(0xFF0D);
    const uint8_t c = display.keycodeOf('c'), control = display.keycodeOf(0xFFE3);
    ASSERT_TRUE(q && w && e && a && b && seven && eight && caps && enter && c && control);
    constexpr uint32_t kAltGr = 0xFE03, kDeadAcute = 0xFE51;   // ISO_Level3_Shift, dead_acute
    struct Press {
        uint8_t code;   // 0: the layout's dead acute key
        bool altGr;
    };
    const struct {
        std::vector<std::string> layout;
        const char* locale;
        std::vector<Press> keys;
        const char* text;
        bool copy;   // Ctrl+A Ctrl+C after the keys: the clipboard holds the text
    } rows[] = {
        {{"-layout", "de"}, "de_DE.ISO-8859-1",
         {{q, true}, {e, true}, {seven, true}, {eight, true}, {0, false}, {e, false}}, "@\xE2\x82\xAC{[\xC3\xA9", false},
        {{"-layout", "ru"}, "ru_RU.KOI8-R", {{q, false}, {w, false}, {e, false}}, "\xD0\xB9\xD1\x86\xD1\x83", false},
        {{"-layout", "us,ru", "-option", "grp:caps_toggle"}, "en_US.UTF-8",
         {{q, false}, {caps, false}, {q, false}, {w, false}}, "q\xD0\xB9\xD1\x86", true},
        {{"-layout", "pl"}, "pl_PL", {{a, true}, {e, true}}, "\xC4\x85\xC4\x99", false},
        {{"-layout", "gr"}, "el_GR.UTF-8", {{a, false}, {b, false}}, "\xCE\xB1\xCE\xB2", false},
    };
    for (const auto& row : rows) {
        const std::string name = row.layout[1];
        ASSERT_TRUE(setLayout(us));
        ScopedEnvironment locale("LC_ALL", row.locale);
        ToolRun tool({"--log", "--click", point(kTextX, kTextY), "--idle", "2500"});
        ASSERT_TRUE(waitFor(5000, [&] { return other.editorHasFocus(); })) << name;
        ASSERT_TRUE(setLayout(row.layout)) << name;
        const uint8_t altGr = display.keycodeOf(kAltGr), deadAcute = display.keycodeOf(kDeadAcute);
        for (const Press& press : row.keys) {
            ASSERT_TRUE(press.code || deadAcute) << name;
            ASSERT_TRUE(!press.altGr || altGr) << name;
            display.keyCode(press.code ? press.code : deadAcute, press.altGr ? altGr : 0);
        }
        if (row.copy) {
            display.keyCode(a, control);
            display.keyCode(c, control);
            EXPECT_TRUE(waitFor(3000, [&] { return other.ownerOf(other.clipboard) != XCB_NONE; })) << name;
            EXPECT_EQ(other.read(other.clipboard, other.utf8), row.text) << name;
        }
        display.keyCode(enter);
        ASSERT_TRUE(finishWithin(tool, display, 10000, waitFor<std::function<bool()>>)) << name;
        EXPECT_EQ(tool.result.exitCode, 0) << tool.result.err;
        EXPECT_EQ(shownText(tool.result.out), row.text) << name << "\n" << tool.result.out;
        // libxkbcommon writes nothing on the host's stderr.
        EXPECT_EQ(tool.result.err.find("xkbcommon"), std::string::npos) << name << "\n" << tool.result.err;
    }
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
