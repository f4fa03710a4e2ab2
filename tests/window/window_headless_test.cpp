// The headless editor window (injected input, virtual clock, memory screen),
// the toy editor on it, and the translations the X11 window relies on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "os/window/DropData.h"
#include "os/window/HeadlessWindow.h"
#include "os/window/X11Keys.h"
#include "tests/window/toy/ToyEditor.h"

namespace {

using os::DropItem;
using os::HeadlessWindow;
using os::WindowEvent;
using os::WindowEventKind;

// The host's side of the toy: what it was told, in order.
struct HostLog {
    std::vector<std::string> calls;
    std::function<void()> onIdle;
    toy::ToyHostLink link() {
        toy::ToyHostLink link;
        link.beginEdit = [this](int i) { calls.push_back("begin " + std::to_string(i)); };
        link.automate = [this](int i, float v) { calls.push_back("automate " + std::to_string(i) + " " + std::to_string(v)); };
        link.endEdit = [this](int i) { calls.push_back("end " + std::to_string(i)); };
        link.idle = [this] {
            calls.push_back("idle");
            if (onIdle) onIdle();
        };
        return link;
    }
    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }
};

struct ToyRig {
    toy::ToyModel model;
    HostLog host;
    HeadlessWindow* window = nullptr;
    std::unique_ptr<toy::ToyEditor> editor;
    ToyRig() {
        auto owned = std::make_unique<HeadlessWindow>(toy::kWidth, toy::kHeight);
        window = owned.get();
        editor = std::make_unique<toy::ToyEditor>(model, host.link(), std::move(owned));
    }
    // What the model looks like when drawn afresh.
    os::PixelSurface expected() const {
        os::PixelSurface surface;
        surface.resize(toy::kWidth, toy::kHeight, 0);
        toy::renderToy(model, surface);
        return surface;
    }
};

bool sameScreen(const HeadlessWindow& window, const os::PixelSurface& expected) {
    return window.screen().pixels == expected.pixels;
}

TEST(HeadlessWindow, ButtonsReplayInEventOrderAndTrackingTakesOnlyPointerEvents) {
    HeadlessWindow window(100, 50);
    window.injectPress(10, 12, os::kMouseLeft, os::kMouseShift);
    window.injectRelease(10, 12, os::kMouseLeft);
    window.injectKey(os::WindowKey::Tab);

    WindowEvent event;
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::MouseDown);
    // The press counts as held while it is dispatched, though its release is queued.
    EXPECT_EQ(event.buttons, os::kMouseLeft | os::kMouseShift);
    EXPECT_EQ(window.pointer().buttons, os::kMouseLeft | os::kMouseShift);
    EXPECT_EQ(window.pointer().x, 10);
    // A tracking loop sees the release next; the key stays queued for later.
    EXPECT_EQ(window.trackPointer().buttons, 0);
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::KeyDown);
    EXPECT_EQ(event.key, os::WindowKey::Tab);
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::KeyUp);
    EXPECT_FALSE(window.nextEvent(event));

    // Double-click detection: a queued second press is found and taken.
    window.injectClick(5, 5);
    window.injectPress(5, 5, os::kMouseLeft);
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_FALSE(window.pressQueued(os::kMouseRight, true));
    EXPECT_TRUE(window.pressQueued(os::kMouseLeft, true));
    EXPECT_EQ(window.pointer().buttons, os::kMouseLeft);
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::MouseUp);
    EXPECT_FALSE(window.pressQueued(os::kMouseLeft, false));

    // Once the parent is gone: one Closed event, no more input, tracking ends.
    window.injectPress(1, 1, os::kMouseLeft);
    ASSERT_TRUE(window.nextEvent(event));
    window.injectParentDestroyed();
    window.injectClick(2, 2);
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.trackPointer().buttons & os::kMouseButtonBits, 0);
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::Closed);
    EXPECT_FALSE(window.nextEvent(event));
}

TEST(HeadlessWindow, ClockPaintingAndPaintOnlyPumps) {
    HeadlessWindow window(8, 4, 0xFFFFFFF0u);
    window.sleepMs(40);
    EXPECT_EQ(window.nowMs(), 0x18u);   // wraps like the system tick
    window.injectMove(3, 3);

    // Drawing alone shows nothing; present shows the clipped part.
    window.backBuffer().row(1)[2] = 0xFF112233u;
    window.backBuffer().row(3)[7] = 0xFF445566u;
    EXPECT_EQ(window.screenPixel(2, 1), 0xFF000000u);
    window.present({2, 1, 100, 1});
    EXPECT_EQ(window.screenPixel(2, 1), 0xFF112233u);
    EXPECT_EQ(window.screenPixel(7, 3), 0xFF000000u);
    window.present({-5, -5, 0, 100});   // empty: nothing
    EXPECT_EQ(window.screenPixel(7, 3), 0xFF000000u);

    // A paint-only pump repaints from the back buffer and leaves input queued.
    window.exposeAll();
    window.pumpPaintOnly();
    EXPECT_EQ(window.screenPixel(7, 3), 0xFF445566u);
    EXPECT_EQ(window.paintOnlyPumps(), 1);
    WindowEvent event;
    ASSERT_TRUE(window.nextEvent(event));
    EXPECT_EQ(event.kind, WindowEventKind::MouseMove);
    EXPECT_EQ(event.timeMs, 0x18u);
}

TEST(ToyOnHeadless, ClicksWheelKeysAndDropsEditTheModelAndTheScreenShowsIt) {
    ToyRig rig;
    EXPECT_TRUE(sameScreen(*rig.window, rig.expected()));

    // A press and its release queued before one idle toggle the switch once.
    rig.window->injectClick(toy::kSwitchBox.x + 5, toy::kSwitchBox.y + 5);
    rig.editor->idle();
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"begin 0", "automate 0 1.000000", "end 0"}));
    EXPECT_EQ(rig.model.values[toy::kPower], 1.0f);
    EXPECT_TRUE(sameScreen(*rig.window, rig.expected()));

    // A click beside the controls and a right click on the switch edit nothing.
    rig.host.calls.clear();
    rig.window->injectClick(5, 5);
    rig.window->injectClick(toy::kSwitchBox.x + 5, toy::kSwitchBox.y + 5, os::kMouseRight);
    rig.editor->idle();
    EXPECT_TRUE(rig.host.calls.empty());

    // Two wheel notches up and one down over the slider: 0.25 + 0.1.
    rig.window->injectWheel(toy::kSliderBox.x + 3, toy::kSliderBox.y + 3, 1.0f);
    rig.window->injectWheel(toy::kSliderBox.x + 3, toy::kSliderBox.y + 3, 1.0f);
    rig.window->injectWheel(toy::kSliderBox.x + 3, toy::kSliderBox.y + 3, -1.0f);
    rig.editor->idle();
    EXPECT_NEAR(rig.model.values[toy::kLevel], 0.35f, 1e-6f);
    EXPECT_EQ(rig.host.count("begin 1"), 3);

    // Keys: characters, a virtual key, Backspace.
    rig.window->injectKey(os::WindowKey::None, "x");
    rig.window->injectKey(os::WindowKey::Backspace);
    rig.window->injectKey(os::WindowKey::None, "x");
    rig.window->injectKey(os::WindowKey::Tab);
    rig.window->injectKey(os::WindowKey::None, "\xC3\xA9");
    rig.editor->idle();
    EXPECT_EQ(rig.model.text, "abx<1>\xC3\xA9");

    // "m" waits as under a dialog: repaints are served, the click behind it waits its turn.
    const uint32_t before = rig.window->nowMs();
    rig.window->injectKey(os::WindowKey::None, "m");
    rig.window->injectClick(toy::kSwitchBox.x + 5, toy::kSwitchBox.y + 5);
    rig.editor->idle();
    EXPECT_EQ(rig.window->nowMs() - before, toy::kModalWaitMs);
    EXPECT_GE(rig.window->paintOnlyPumps(), static_cast<int>(toy::kModalWaitMs / 10));
    EXPECT_EQ(rig.model.values[toy::kPower], 0.0f);   // the click came after the wait
    EXPECT_EQ(rig.model.text, "abx<1>\xC3\xA9");

    // A text dropped on the field replaces its text once; dropped elsewhere it is refused.
    rig.window->injectDrop(toy::kTextBox.x + 10, toy::kTextBox.y + 10, {os::textItem(std::string("dropped\0junk", 12))});
    rig.window->injectDrop(toy::kSwitchBox.x + 1, toy::kSwitchBox.y + 1, {os::textItem("elsewhere")});
    rig.window->injectDrop(toy::kSwitchBox.x + 1, toy::kSwitchBox.y + 1,
                           {DropItem{DropItem::Type::File, "/a b"}, DropItem{DropItem::Type::File, "/c"}});
    rig.editor->idle();
    EXPECT_EQ(rig.model.text, "dropped");
    EXPECT_EQ(rig.model.textDrops, 1);
    EXPECT_EQ(rig.model.files, "/a b;/c");
    EXPECT_TRUE(sameScreen(*rig.window, rig.expected()));
}

TEST(ToyOnHeadless, SliderTracksTheMouseIdlesTheHostOnTheVirtualClockAndEndsWhenTheParentGoes) {
    ToyRig rig;
    const int startX = toy::kSliderBox.x + 50;
    const int y = toy::kSliderBox.y + 5;
    // The mouse moves on every 10th pump and is released on the 200th.
    rig.window->onPump([&](HeadlessWindow& window) {
        const int pump = window.pumps();
        if (pump % 10 == 0 && pump < 200) window.injectMove(startX + pump / 10, y);
        if (pump == 200) window.injectRelease(startX + 20, y, os::kMouseLeft);
    });
    rig.window->injectPress(startX, y, os::kMouseLeft);
    const uint32_t started = rig.window->nowMs();
    rig.editor->idle();
    const uint32_t elapsed = rig.window->nowMs() - started;

    ASSERT_GE(rig.host.calls.size(), 3u);
    EXPECT_EQ(rig.host.calls.front(), "begin 1");
    EXPECT_EQ(rig.host.calls.back(), "end 1");
    EXPECT_NEAR(rig.model.values[toy::kLevel], 69.0f / 200.0f, 1e-6f);   // the last move before the release
    // Sleeping 4 ms per empty poll advanced the virtual clock; the host idled every 100 ms of it.
    EXPECT_GT(elapsed, 500u);
    const int idles = rig.host.count("idle");
    EXPECT_GE(idles, static_cast<int>(elapsed / 100));
    EXPECT_LE(idles, static_cast<int>(elapsed / 100) + 1);
    EXPECT_TRUE(sameScreen(*rig.window, rig.expected()));

    // The host destroys its window from its idle in the middle of a drag:
    // the loop ends at once with the gesture closed.
    ToyRig closing;
    closing.host.onIdle = [&] { closing.window->injectParentDestroyed(); };
    closing.window->injectPress(startX, y, os::kMouseLeft);
    closing.editor->idle();
    EXPECT_EQ(closing.host.count("idle"), 1);
    EXPECT_EQ(closing.host.calls.back(), "end 1");
    EXPECT_FALSE(closing.window->isOpen());
    closing.editor->idle();   // nothing more happens
    EXPECT_EQ(closing.host.calls.back(), "end 1");
}

TEST(WindowTranslations, UriListsBecomeDecodedLocalPaths) {
    const std::string list =
        "# a comment\r\n"
        "file:///tmp/a%20b/%C3%A9t%C3%A9.txt\r\n"
        "file://localhost/etc/x\r\n"
        "file://otherhost/etc/y\r\n"
        "http://example.org/z\r\n"
        "file:///bad%2\r\n"
        "file:///nul%00here\r\n"
        "file:///last";
    const std::vector<DropItem> items = os::filesFromUriList(list);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].data, "/tmp/a b/\xC3\xA9t\xC3\xA9.txt");
    EXPECT_EQ(items[1].data, "/etc/x");
    EXPECT_EQ(items[2].data, "/last");
    EXPECT_EQ(items[0].type, DropItem::Type::File);
    std::string decoded;
    EXPECT_FALSE(os::percentDecode("%g1", decoded));
    EXPECT_TRUE(os::percentDecode("100%25", decoded));
    EXPECT_EQ(decoded, "100%");
}

TEST(WindowTranslations, KeysymsAndStatesBecomeNeutralKeysAndMouseBits) {
    struct Row {
        uint32_t keysym;
        bool known;
        os::WindowKey key;
        const char* text;
    };
    const Row rows[] = {
        {0xFF09, true, os::WindowKey::Tab, ""},        {0xFE20, true, os::WindowKey::Tab, ""},
        {0xFF0D, true, os::WindowKey::Return, ""},     {0xFF8D, true, os::WindowKey::Return, ""},
        {0xFF1B, true, os::WindowKey::Escape, ""},     {0xFF08, true, os::WindowKey::Backspace, ""},
        {0xFFFF, true, os::WindowKey::Delete, ""},     {0xFF51, true, os::WindowKey::Left, ""},
        {0xFF53, true, os::WindowKey::Right, ""},      {0xFF52, true, os::WindowKey::Up, ""},
        {0xFF54, true, os::WindowKey::Down, ""},       {0xFF50, true, os::WindowKey::Home, ""},
        {0xFF57, true, os::WindowKey::End, ""},        {'a', true, os::WindowKey::None, "a"},
        {0xE9, true, os::WindowKey::None, "\xC3\xA9"}, {0x010020AC, true, os::WindowKey::None, "\xE2\x82\xAC"},
        {0xFFB7, true, os::WindowKey::None, "7"},      {0xFFE1, false, os::WindowKey::None, ""},
        {0xFFBE, false, os::WindowKey::None, ""},
    };
    for (const Row& row : rows) {
        const os::TranslatedKey t = os::translateKeysym(row.keysym);
        EXPECT_EQ(t.known, row.known) << std::hex << row.keysym;
        EXPECT_EQ(t.key, row.key) << std::hex << row.keysym;
        EXPECT_EQ(t.text, row.text) << std::hex << row.keysym;
    }
    EXPECT_EQ(os::chooseKeysym('a', 'A', 0), uint32_t{'a'});
    EXPECT_EQ(os::chooseKeysym('a', 'A', os::kXShiftMask), uint32_t{'A'});
    EXPECT_EQ(os::chooseKeysym('a', 'A', os::kXLockMask), uint32_t{'A'});
    EXPECT_EQ(os::chooseKeysym('a', 'A', os::kXLockMask | os::kXShiftMask), uint32_t{'a'});
    EXPECT_EQ(os::chooseKeysym('1', '!', os::kXLockMask), uint32_t{'1'});
    EXPECT_EQ(os::chooseKeysym('1', 0, os::kXShiftMask), uint32_t{'1'});
    EXPECT_EQ(os::mouseBitsFromXState(os::kXButton1Mask | os::kXButton3Mask | os::kXControlMask | os::kXMod1Mask),
              os::kMouseLeft | os::kMouseRight | os::kMouseControl | os::kMouseAlt);
    EXPECT_EQ(os::mouseBitsFromXState(os::kXButton2Mask | os::kXShiftMask | os::kXLockMask),
              os::kMouseMiddle | os::kMouseShift);
    EXPECT_EQ(os::utf8Of(0xD800), "");
    EXPECT_EQ(os::utf8Of(0x1F600), "\xF0\x9F\x98\x80");
}

} // namespace
