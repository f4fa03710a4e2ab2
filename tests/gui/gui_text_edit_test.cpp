// The text field on a headless frame: typing into our line editor, the
// listener told once on a change and never without one, "LooseFocus" to the
// parent, one endEdit per beginEdit however the focus goes, the keyboard
// taken and given back, drops, the field removed while editing, selecting by
// dragging, and clicks with a modifier key offered to the listener first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CFrameEditor.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "gui/CTextEdit.h"
#include "gui/FrameServices.h"
#include "os/window/HeadlessWindow.h"

using namespace VSTGUI;

namespace {

struct Log : CFrameEditor, CControlListener, FrameServices {
    std::vector<std::string> calls;
    void beginEdit(int32_t i) override { calls.push_back("begin " + std::to_string(i)); }
    void endEdit(int32_t i) override { calls.push_back("end " + std::to_string(i)); }
    void doIdleStuff() override {}
    bool requestSize(int32_t, int32_t) override { return false; }
    void valueChanged(CDrawContext*, CControl* c) override {
        char text[kTextBufferSize];
        static_cast<CTextEdit*>(c)->getText(text);
        calls.push_back(std::string("changed ") + text);
    }
    int32_t trackPopup(const PopupRequest&) override { return -1; }
    void takeKeyboard() override { calls.push_back("keyboard taken"); }
    void releaseKeyboard() override { calls.push_back("keyboard released"); }
    int32_t modifierAnswer = 0;
    int32_t controlModifierClicked(CDrawContext*, CControl* c, int32_t buttons) override {
        calls.push_back("modifier " + std::to_string(c->getTag()) + " " + std::to_string(buttons));
        return modifierAnswer;
    }
};

// A container that records what its children notify.
struct Panel : CViewContainer {
    Panel(const CRect& size, CFrame* frame, Log& log) : CViewContainer(size, frame), log_(log) {}
    int32_t notify(CView* sender, const char* message) override {
        if (message == kMsgLooseFocus) log_.calls.push_back("notify LooseFocus");
        return CViewContainer::notify(sender, message);
    }
    Log& log_;
};

struct Bench {
    Log log;
    os::HeadlessWindow* window;
    CFrame* frame;
    CTextEdit* field;
    Bench(const char* text = "ab") {
        auto owned = std::make_unique<os::HeadlessWindow>(200, 100);
        window = owned.get();
        frame = new CFrame(CRect(0, 0, 200, 100), std::move(owned), &log);
        setFrameServices(frame, &log);
        auto* panel = new Panel(CRect(0, 0, 200, 100), frame, log);
        frame->addView(panel);
        field = new CTextEdit(CRect(10, 10, 110, 30), &log, 5, text);
        panel->addView(field);
        frame->idle();
    }
    ~Bench() {
        setFrameServices(frame, nullptr);
        frame->forget();
    }
    void click(int x, int y) {
        window->injectClick(x, y);
        frame->idle();
    }
    void type(const std::string& text) {
        window->injectKey(os::WindowKey::None, text);
        frame->idle();
    }
    void key(os::WindowKey key, int modifiers = 0) {
        window->injectKey(key, std::string(), modifiers);
        frame->idle();
    }
    // Ctrl and a letter.
    void chord(char letter) {
        window->injectKey(os::WindowKey::None, std::string(1, letter), os::kMouseControl);
        frame->idle();
    }
    std::string text() const {
        char out[kTextBufferSize];
        field->getText(out);
        return out;
    }
};

TEST(GuiTextEdit, TypingAndReturnTellTheListenerOnceAndNotifyTheParent) {
    Bench bench;
    bench.click(20, 20);
    ASSERT_TRUE(bench.field->isEditing());
    EXPECT_EQ(bench.frame->getFocusView(), bench.field);
    bench.key(os::WindowKey::End);          // all was selected: keep it, go to the end
    bench.type("c");
    bench.type("\xC3\xA9");                 // é, stored as typed
    EXPECT_EQ(bench.field->lineEditor()->text(), "abc\xC3\xA9");
    bench.key(os::WindowKey::Return);
    EXPECT_FALSE(bench.field->isEditing());
    EXPECT_EQ(bench.text(), "abc\xC3\xA9");
    const std::vector<std::string> calls = {"begin 5", "keyboard taken", "end 5", "keyboard released",
                                            "changed abc\xC3\xA9", "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, calls);
    EXPECT_EQ(bench.frame->getFocusView(), nullptr);
}

TEST(GuiTextEdit, NothingTypedTellsNobodyButStillNotifiesAndEndsTheEditOnce) {
    Bench bench;
    bench.click(20, 20);
    // The loss of focus enters again (clearing the frame's focus): still
    // one endEdit; a click on the focused field does nothing.
    bench.field->looseFocus();
    bench.field->looseFocus();
    bench.field->takeFocus();   // an editor without a gesture
    CPoint where(20, 20);
    bench.frame->setFocusView(bench.field);
    bench.field->mouse(nullptr, where, kLButton);
    bench.field->looseFocus();
    const std::vector<std::string> calls = {"begin 5",           "keyboard taken", "end 5",
                                            "keyboard released", "notify LooseFocus", "keyboard taken",
                                            "keyboard released", "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, calls);
    EXPECT_EQ(bench.text(), "ab");
    // Positive control: a click elsewhere after a click on the field ends
    // that edit, once.
    bench.log.calls.clear();
    bench.click(20, 20);
    bench.click(150, 80);
    const std::vector<std::string> again = {"begin 5", "keyboard taken", "end 5", "keyboard released",
                                            "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, again);
}

TEST(GuiTextEdit, EscapeKeepsTheOldTextAndEditingKeysWork) {
    Bench bench("hello");
    bench.click(20, 20);
    bench.type("x");   // replaces the selection
    EXPECT_EQ(bench.field->lineEditor()->text(), "x");
    bench.key(os::WindowKey::Escape);
    EXPECT_EQ(bench.text(), "hello");
    for (const auto& call : bench.log.calls) EXPECT_EQ(call.rfind("changed", 0), std::string::npos);

    LineEditor editor(8);
    editor.reset("abcd");
    const struct {
        uint8_t virt;
        uint8_t modifier;
        int32_t character;
        const char* text;
        size_t caret;
    } steps[] = {
        {kVkHome, 0, 0, "abcd", 0},        {kVkDelete, 0, 0, "bcd", 0},     {kVkEnd, 0, 0, "bcd", 3},
        {kVkBack, 0, 0, "bc", 2},          {kVkLeft, 0, 0, "bc", 1},        {0, 0, 0xE9, "b\xC3\xA9" "c", 3},
        {kVkLeft, 0, 0, "b\xC3\xA9" "c", 1}, {kVkRight, kModShift, 0, "b\xC3\xA9" "c", 3},
        {kVkBack, 0, 0, "bc", 1},          {kVkSpace, 0, ' ', "b c", 2},    {0, kModControl, 'v', "b c", 2},
        {0, 0, 0x20AC, "b \xE2\x82\xAC" "c", 5},   // €: three bytes
        {0, 0, 'x', "b \xE2\x82\xAC" "xc", 6},     // the limit of 8 bytes is not passed
        {0, 0, 0x20AC, "b \xE2\x82\xAC" "xc", 6},
    };
    for (const auto& step : steps) {
        VstKeyCode key;
        key.virt = step.virt;
        key.modifier = step.modifier;
        key.character = step.character;
        editor.key(key);
        EXPECT_EQ(editor.text(), step.text) << int(step.virt) << " " << step.character;
        EXPECT_EQ(editor.caret(), step.caret) << int(step.virt) << " " << step.character;
    }
    // A text stored by a Windows build: its bytes that are not UTF-8 are one
    // character each, for the caret and for deleting.
    LineEditor old(255);
    old.reset("caf\xE9\x80");
    VstKeyCode back;
    back.virt = kVkBack;
    old.key(back);   // the selection (all of it)
    old.reset("caf\xE9\x80");
    VstKeyCode end;
    end.virt = kVkEnd;
    old.key(end);
    old.key(back);
    EXPECT_EQ(old.text(), "caf\xE9");
    VstKeyCode left;
    left.virt = kVkLeft;
    old.key(left);
    EXPECT_EQ(old.caret(), 3u);
}

// Ctrl+A, C, X and V, and Ctrl+Insert, Shift+Insert and Shift+Delete,
// through the window's clipboard (the process's own on a headless window,
// as another program's on X); the primary selection holds
// what the user selects, not the text selected as editing begins; a paste
// replaces the selection as one line, its bytes read as our texts are; the
// middle button pastes the primary selection where it clicks.
TEST(GuiTextEdit, ClipboardKeysCopyCutAndPasteOneLineOverTheSelection) {
    using os::Selection;
    const auto held = [](Selection which) { return os::HeadlessWindow::selectionText(which); };
    Bench bench("hello");
    const auto editing = [&] { return bench.field->lineEditor()->text(); };
    bench.window->offerSelection(Selection::Clipboard, "before");
    bench.window->offerSelection(Selection::Primary, "elsewhere");
    bench.click(20, 20);
    EXPECT_EQ(held(Selection::Primary), "elsewhere");
    bench.chord('c');
    EXPECT_EQ(held(Selection::Clipboard), "hello");
    bench.key(os::WindowKey::End);
    bench.chord('c');   // nothing selected: the clipboard keeps its text
    EXPECT_EQ(held(Selection::Clipboard), "hello");
    bench.key(os::WindowKey::Left, os::kMouseShift);
    bench.key(os::WindowKey::Left, os::kMouseShift);
    EXPECT_EQ(held(Selection::Primary), "lo");
    bench.chord('x');
    EXPECT_EQ(editing(), "hel");
    EXPECT_EQ(held(Selection::Clipboard), "lo");
    bench.chord('A');   // Shift or Caps Lock held: still select-all
    EXPECT_EQ(held(Selection::Primary), "hel");

    // Another program's text: line breaks, a tab and the C1 control U+0085
    // are left out; a byte that is not UTF-8 reads as Windows-1252 (0x85: …).
    bench.window->offerSelection(Selection::Clipboard, "A\r\nB\tC\x85\xC2\x85");
    bench.key(os::WindowKey::Home);
    bench.key(os::WindowKey::Right, os::kMouseShift);   // "h" selected
    bench.chord('v');
    EXPECT_EQ(editing(), "ABC\xE2\x80\xA6" "el");
    bench.chord('v');   // at the caret, nothing selected
    EXPECT_EQ(editing(), "ABC\xE2\x80\xA6" "ABC\xE2\x80\xA6" "el");
    bench.chord('a');
    bench.chord('x');
    EXPECT_EQ(editing(), "");

    // The middle button: the primary selection at the point clicked (the left edge).
    bench.type("x");
    bench.type("y");
    bench.window->offerSelection(Selection::Primary, "mid");
    bench.window->injectClick(11, 20, os::kMouseMiddle);
    bench.frame->idle();
    EXPECT_EQ(editing(), "midxy");
    // The caret follows the pasted text.
    bench.type("!");
    EXPECT_EQ(editing(), "mid!xy");
    bench.key(os::WindowKey::Return);
    EXPECT_EQ(bench.text(), "mid!xy");
    // Not editing: a paste arriving changes nothing.
    bench.chord('v');
    bench.field->paste("late");
    EXPECT_EQ(bench.text(), "mid!xy");

    // The desktop's other chords beside Ctrl+C, X and V, over "hello" all
    // selected, the clipboard holding "clip"; Delete and Insert alone, and
    // Ctrl+Shift+Insert, leave the clipboard alone.
    using os::WindowKey;
    const struct {
        WindowKey key;
        const char* letter;
        int modifiers;
        const char* text;
        const char* clipboard;
    } chords[] = {
        {WindowKey::None, "c", os::kMouseControl, "hello", "hello"},
        {WindowKey::Insert, "", os::kMouseControl, "hello", "hello"},
        {WindowKey::None, "x", os::kMouseControl, "", "hello"},
        {WindowKey::Delete, "", os::kMouseShift, "", "hello"},
        {WindowKey::None, "v", os::kMouseControl, "clip", "clip"},
        {WindowKey::Insert, "", os::kMouseShift, "clip", "clip"},
        {WindowKey::Delete, "", 0, "", "clip"},
        {WindowKey::Insert, "", 0, "hello", "clip"},
        {WindowKey::Insert, "", os::kMouseShift | os::kMouseControl, "hello", "clip"},
    };
    for (const auto& c : chords) {
        Bench fresh("hello");
        fresh.window->offerSelection(Selection::Clipboard, "clip");
        fresh.click(20, 20);
        fresh.window->injectKey(c.key, c.letter, c.modifiers);
        fresh.frame->idle();
        const std::string row = std::to_string(static_cast<int>(c.key)) + c.letter + " " + std::to_string(c.modifiers);
        EXPECT_EQ(fresh.field->lineEditor()->text(), c.text) << row;
        EXPECT_EQ(held(Selection::Clipboard), c.clipboard) << row;
    }
}

TEST(GuiTextEdit, DropsTakeTheFirstTextCutTo255Bytes) {
    Bench bench;
    auto* files = new CDragContainer({{os::DropItem::Type::File, "/tmp/a.fxp"}});
    EXPECT_FALSE(bench.field->onDrop(nullptr, files, CPoint()));
    EXPECT_EQ(bench.text(), "ab");
    files->forget();
    const std::string longText(320, 't');
    auto* mixed = new CDragContainer({{os::DropItem::Type::Text, longText}});
    EXPECT_TRUE(bench.field->onDrop(nullptr, mixed, CPoint()));
    EXPECT_EQ(bench.text(), longText.substr(0, 255));
    mixed->forget();
    // The 255 bytes never end inside a character; a Windows text of
    // one-byte characters that look like UTF-8's middle bytes keeps all 255.
    const struct {
        std::string text;
        size_t kept;
    } cuts[] = {{std::string(254, 'a') + "\xC3\xA9", 254}, {std::string(253, 'a') + "\xE2\x82\xAC", 253},
                {std::string(300, '\xA9'), 255}, {std::string(254, 'a') + "\xE9\xE9", 255}};
    for (const auto& cut : cuts) {
        bench.field->setText(cut.text.c_str());
        EXPECT_EQ(bench.text(), cut.text.substr(0, cut.kept)) << cut.kept;
    }
    // The constructor and setText cut the same way.
    CTextEdit constructed(CRect(), nullptr, 0, longText.c_str());
    char out[kTextBufferSize];
    constructed.getText(out);
    EXPECT_EQ(std::strlen(out), 255u);
    constructed.setText(nullptr);
    constructed.getText(out);
    EXPECT_STREQ(out, "");
}

TEST(GuiTextEdit, AFieldRemovedWhileEditingEndsItsEditAndGivesTheKeyboardBack) {
    Bench bench;
    bench.click(20, 20);
    bench.type("z");
    CViewContainer* panel = bench.field->getParentView();
    bench.field->remember();
    panel->removeView(bench.field);   // the frame's focus goes first: the text is kept
    EXPECT_FALSE(bench.field->isEditing());
    const std::vector<std::string> calls = {"begin 5", "keyboard taken", "end 5", "keyboard released",
                                            "changed z", "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, calls);
    EXPECT_EQ(bench.frame->getFocusView(), nullptr);
    bench.field->forget();
    // Destroyed while editing: the keyboard goes back, nobody else is told.
    Bench second;
    second.click(20, 20);
    second.log.calls.clear();
    // Taken out without being released: the container's reference is ours now.
    second.field->getParentView()->removeView(second.field, false);
    second.field->takeFocus();
    second.field->forget();   // the last reference
    const std::vector<std::string> released = {"end 5", "keyboard released", "notify LooseFocus",
                                               "keyboard taken", "keyboard released"};
    EXPECT_EQ(second.log.calls, released);
}

// The field's pixels on the frame's back buffer.
std::vector<uint32_t> fieldPixels(Bench& bench) {
    bench.frame->idle();
    const raster::PixelBuffer* pixels = bench.frame->getBackBuffer();
    std::vector<uint32_t> out;
    const CRect r = bench.field->size();
    for (CCoord y = r.top; y < r.bottom; ++y)
        for (CCoord x = r.left; x < r.right; ++x) out.push_back(pixels->at(x, y));
    return out;
}

TEST(GuiTextEdit, WhatWasTypedIsDrawnAsItsCharactersLikeAWindowsTextOfThem) {
    // Typed "é" (UTF-8) and "é" stored by a Windows build (one byte) look alike,
    // after editing and while editing; "Ã©" and "e" look otherwise.
    const auto typed = [](const char* utf8, bool commit) {
        Bench bench("");
        bench.click(20, 20);
        bench.type(utf8);
        if (commit) bench.key(os::WindowKey::Return);
        return fieldPixels(bench);
    };
    const auto stored = [](const char* bytes, bool editing) {
        Bench bench(bytes);
        if (editing) {
            bench.click(20, 20);
            bench.key(os::WindowKey::End);   // no selection, the caret after the text
        }
        return fieldPixels(bench);
    };
    EXPECT_EQ(typed("\xC3\xA9", true), stored("\xE9", false));
    EXPECT_NE(typed("\xC3\xA9", true), stored("\xC3\x83\xC2\xA9", false));
    EXPECT_NE(typed("\xC3\xA9", true), stored("e", false));
    EXPECT_EQ(typed("\xE2\x82\xAC", false), stored("\x80", true));   // the euro sign while editing
    EXPECT_NE(typed("\xE2\x82\xAC", false), stored("?", true));
}

TEST(GuiTextEdit, FocusLeavingTheWindowEndsEditingAsReturnDoes) {
    Bench bench;
    bench.click(20, 20);
    bench.type("z");
    // The focus coming (again) and the window hidden and shown change nothing.
    bench.window->injectFocus(true);
    bench.window->injectHidden(true);
    bench.window->injectHidden(false);
    bench.frame->idle();
    EXPECT_TRUE(bench.field->isEditing());
    bench.window->injectFocus(false);
    bench.frame->idle();
    EXPECT_FALSE(bench.field->isEditing());
    EXPECT_EQ(bench.text(), "z");
    const std::vector<std::string> calls = {"begin 5", "keyboard taken", "end 5", "keyboard released",
                                            "changed z", "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, calls);

    // The focus leaving just before a click on another view, both read in
    // one idle (a window manager focuses the host's window as the button
    // goes down): the changed text is taken, and the click still reaches
    // the view under it; without a change too.
    auto* other = new CTextEdit(CRect(10, 50, 110, 70), &bench.log, 6, "cd");
    bench.field->getParentView()->addView(other);
    for (const bool change : {true, false}) {
        bench.click(20, 20);
        if (change) bench.type("y");
        bench.log.calls.clear();
        bench.window->injectFocus(false);
        bench.window->injectClick(20, 60);
        bench.frame->idle();
        EXPECT_EQ(bench.text(), "y") << change;
        EXPECT_TRUE(other->isEditing()) << change;
        EXPECT_EQ(bench.frame->getFocusView(), other) << change;
        std::vector<std::string> expected = {"end 5", "keyboard released"};
        if (change) expected.push_back("changed y");
        for (const char* call : {"notify LooseFocus", "begin 6", "keyboard taken"}) expected.push_back(call);
        EXPECT_EQ(bench.log.calls, expected) << change;
        bench.key(os::WindowKey::Return);
    }
}

TEST(GuiTextEdit, AClickInsideTheFieldBeingEditedPlacesTheCaret) {
    Bench bench("abcd");
    bench.click(20, 20);   // all selected
    ASSERT_TRUE(bench.field->lineEditor()->hasSelection());
    const struct {
        int x;
        bool shift;
        size_t caret;
        bool selection;
    } clicks[] = {{11, false, 0, false}, {100, false, 4, false}, {12, true, 0, true}, {108, false, 4, false}};
    for (const auto& c : clicks) {
        bench.window->injectClick(c.x, 20, os::kMouseLeft, c.shift ? os::kMouseShift : 0);
        bench.frame->idle();
        ASSERT_TRUE(bench.field->isEditing()) << c.x;
        EXPECT_EQ(bench.field->lineEditor()->caret(), c.caret) << c.x;
        EXPECT_EQ(bench.field->lineEditor()->hasSelection(), c.selection) << c.x;
    }
    // Pressed and moved, the selection follows the pointer either way; the
    // release leaves it where the pointer was.
    const struct {
        int from, to;
        size_t caret;
    } drags[] = {{11, 100, 4}, {100, 11, 0}};
    for (const auto& d : drags) {
        bench.window->injectPress(d.from, 20, os::kMouseLeft);
        bench.window->injectMove((d.from + d.to) / 2, 20);
        bench.window->injectMove(d.to, 20);
        bench.window->injectRelease(d.to, 20, os::kMouseLeft);
        bench.frame->idle();
        EXPECT_EQ(bench.field->lineEditor()->caret(), d.caret) << d.from;
        EXPECT_EQ(bench.field->lineEditor()->selectionStart(), 0u) << d.from;
        EXPECT_EQ(bench.field->lineEditor()->selectionEnd(), 4u) << d.from;
    }
    bench.click(11, 20);
    bench.type("Z");
    bench.key(os::WindowKey::Return);
    EXPECT_EQ(bench.text(), "Zabcd");
    // One gesture for the whole edit, one change told.
    const std::vector<std::string> calls = {"begin 5", "keyboard taken", "end 5", "keyboard released",
                                            "changed Zabcd", "notify LooseFocus"};
    EXPECT_EQ(bench.log.calls, calls);
}

TEST(GuiTextEdit, AClickWithAModifierIsOfferedToTheListenerWhichMayTakeIt) {
    // The field and an option menu beside it (its popup cancels).
    Bench bench;
    auto* menu = new COptionMenu(CRect(120, 10, 190, 30), &bench.log, 6);
    menu->addEntry("One");
    bench.field->getParentView()->addView(menu);
    const struct {
        int x, modifiers, answer;
        std::vector<std::string> calls;
    } rows[] = {
        {20, os::kMouseShift, 1, {"modifier 5 9"}},
        {150, os::kMouseControl, 1, {"modifier 6 17"}},
        {150, os::kMouseAlt, 0, {"modifier 6 33", "begin 6", "end 6"}},
        {150, 0, 1, {"begin 6", "end 6"}},   // no modifier: nobody asked
        {20, os::kMouseControl, 0, {"modifier 5 17", "begin 5", "keyboard taken"}},
        // Inside the box being edited a click is the box's: Shift moves the caret.
        {11, os::kMouseShift, 1, {}},
    };
    for (const auto& row : rows) {
        bench.log.calls.clear();
        bench.log.modifierAnswer = row.answer;
        bench.window->injectClick(row.x, 20, os::kMouseLeft, row.modifiers);
        bench.frame->idle();
        EXPECT_EQ(bench.log.calls, row.calls) << row.x << " " << row.modifiers;
    }
    ASSERT_TRUE(bench.field->isEditing());
    EXPECT_EQ(bench.field->lineEditor()->caret(), 0u);
}

TEST(GuiTextEdit, TheEditorsFontFitsALowBox) {
    EXPECT_EQ(CTextEdit::editFontSize(kNormalFont, 12), 10);
    EXPECT_EQ(CTextEdit::editFontSize(kNormalFont, 40), defaultFontSize(kNormalFont));
}

TEST(GuiParamDisplay, DefaultsShowTheValueWithTheUsersDecimalSeparator) {
    CParamDisplay display(CRect(0, 0, 60, 20));
    EXPECT_EQ(display.getFont(), kNormalFont);
    EXPECT_EQ(display.getHoriAlign(), kCenterText);
    EXPECT_EQ(display.getFontColor(), kWhiteCColor);
    EXPECT_EQ(display.getBackColor(), kBlackCColor);
    EXPECT_EQ(display.getFrameColor(), kBlackCColor);
    EXPECT_EQ(display.getShadowColor(), kRedCColor);
    char text[kTextBufferSize];
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    CParamDisplay::formatValue(0.0f, text, sizeof text);
    ::unsetenv("LC_ALL");
    const std::string zero = text;
    EXPECT_TRUE(zero == "0,00" || zero == "0.00") << zero;   // read once per process
    CParamDisplay::formatValue(12.345f, text, sizeof text);
    EXPECT_EQ(std::string(text).substr(0, 2), "12");
    EXPECT_EQ(std::strlen(text), 5u);

    display.setDirty(false);
    display.setFontColor(kWhiteCColor);
    EXPECT_FALSE(display.isDirty());
    display.setFontColor(CColor{255, 255, 255, 254});   // alpha only
    EXPECT_TRUE(display.isDirty());
    display.setDirty(false);
    display.setTextTransparency(false);
    EXPECT_FALSE(display.isDirty());
}

TEST(GuiParamDisplay, ShadowEdgesAndNothingDrawnFollowTheStyle) {
    const auto render = [](int32_t style, float value) {
        CParamDisplay display(CRect(0, 0, 60, 20), nullptr, style);
        display.setTransparency(false);
        display.setFrameColor(kGreenCColor);
        display.setValue(value);
        raster::PixelBuffer pixels(60, 20);
        CDrawContext context(nullptr, &pixels);
        display.draw(&context);
        return pixels;
    };
    // Pixels mostly of one colour (text is antialiased): each channel within 100 of it.
    const auto countWhere = [](const raster::PixelBuffer& p, uint32_t rgb) {
        int n = 0;
        for (uint32_t pixel : p.pixels()) {
            bool near = true;
            for (int shift : {0, 8, 16})
                near = near && std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) < 100;
            n += near ? 1 : 0;
        }
        return n;
    };
    EXPECT_GT(countWhere(render(kShadowText, 0.5f), 0xFF0000u), 0);   // the red shadow
    EXPECT_EQ(countWhere(render(0, 0.5f), 0xFF0000u), 0);
    EXPECT_GT(countWhere(render(0, 0.5f), 0x00FF00u), 0);             // the frame
    EXPECT_EQ(countWhere(render(kNoFrame, 0.5f), 0x00FF00u), 0);
    // Sunken: the frame colour on the lower and right edges only.
    const raster::PixelBuffer sunken = render(k3DIn | kNoTextStyle, 0.0f);
    EXPECT_EQ(sunken.at(59, 10) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(sunken.at(0, 10) & 0xFFFFFFu, 0x000000u);
    EXPECT_EQ(countWhere(render(kNoDrawStyle, 0.5f), 0xFFFFFFu), 0);
    EXPECT_GT(countWhere(render(0, 0.5f), 0xFFFFFFu), 0);             // white text when drawn
}

} // namespace
