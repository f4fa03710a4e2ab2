// The headless editor window (injected input, virtual clock, memory screen),
// the toy editor on it, and the translations the X11 window relies on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/window/DropData.h"
#include "os/window/HeadlessWindow.h"
#include "os/window/X11Compose.h"
#include "os/window/X11Keyboard.h"
#include "os/window/X11Keys.h"
#include "framework/platform/EditorThread.h"
#include "gui/CDragContainer.h"
#include "gui/CDropTarget.h"
#include "gui/CFrame.h"
#include "tests/window/toy/ToyPlugin.h"

namespace {

using os::DropItem;
using os::HeadlessWindow;
using os::WindowEvent;
using os::WindowEventKind;

// The host's side of the toy: what it was told, in order.
struct HostLog {
    std::vector<std::string> calls;
    std::function<void()> onIdle;
    bool resizes = false;   // the host offers sizeWindow and grants it
    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }
};

std::map<AEffect*, HostLog*>& hostLogs() {
    static std::map<AEffect*, HostLog*> logs;
    return logs;
}

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt) {
    if (opcode == audioMasterVersion) return kVstVersion;
    auto found = hostLogs().find(effect);
    if (found == hostLogs().end()) return 0;
    HostLog& log = *found->second;
    switch (opcode) {
    case audioMasterBeginEdit: log.calls.push_back("begin " + std::to_string(index)); break;
    case audioMasterAutomate: log.calls.push_back("automate " + std::to_string(index) + " " + std::to_string(opt)); break;
    case audioMasterEndEdit: log.calls.push_back("end " + std::to_string(index)); break;
    case audioMasterIdle:
        log.calls.push_back("idle");
        if (log.onIdle) log.onIdle();
        break;
    case audioMasterCanDo: return log.resizes ? 1 : 0;
    case audioMasterSizeWindow:
        log.calls.push_back("size " + std::to_string(index) + " " + std::to_string(static_cast<int>(value)));
        return log.resizes ? 1 : 0;
    default: break;
    }
    return 0;
}

// The toy plug-in with its editor open on a headless window.
struct ToyRig {
    HostLog host;
    std::unique_ptr<toy::ToyPlugin> plugin = std::make_unique<toy::ToyPlugin>(hostCallback);
    toy::ToyModel& model = plugin->model;
    HeadlessWindow* window = nullptr;
    toy::ToyEditor* editor = plugin->toyEditor();
    ToyRig() {
        hostLogs()[plugin->getAeffect()] = &host;
        auto owned = std::make_unique<HeadlessWindow>(toy::kWidth, toy::kHeight);
        window = owned.get();
        editor->openOn(nullptr, std::move(owned));
        editor->idle();
    }
    ~ToyRig() { hostLogs().erase(plugin->getAeffect()); }
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
    // The wheel's edit made the slider the focus view: it ignores keys, and
    // Tab moves the focus on to the field.
    EXPECT_EQ(rig.model.text, "ab\xC3\xA9");

    // "m" waits as under a dialog: repaints are served, the click behind it waits its turn.
    const uint32_t before = rig.window->nowMs();
    rig.window->injectKey(os::WindowKey::None, "m");
    rig.window->injectClick(toy::kSwitchBox.x + 5, toy::kSwitchBox.y + 5);
    rig.editor->idle();
    EXPECT_EQ(rig.window->nowMs() - before, toy::kModalWaitMs);
    EXPECT_GE(rig.window->paintOnlyPumps(), static_cast<int>(toy::kModalWaitMs / 10));
    EXPECT_EQ(rig.model.values[toy::kPower], 0.0f);   // the click came after the wait
    EXPECT_EQ(rig.model.text, "ab\xC3\xA9");

    // A text dropped on the field replaces its text once; dropped elsewhere it is refused.
    rig.window->injectDrop(toy::kTextBox.x + 10, toy::kTextBox.y + 10, {os::textItem(std::string("dropped\0junk", 12))});
    rig.window->injectDrop(toy::kSwitchBox.x + 1, toy::kSwitchBox.y + 1, {os::textItem("elsewhere")});
    rig.window->injectDrop(toy::kFreeX, toy::kFreeY,
                           {DropItem{DropItem::Type::File, "/a b"}, DropItem{DropItem::Type::File, "/c"}});
    // The same text on the field whose mouse is disabled: refused.
    rig.window->injectDrop(toy::kLockedBox.x + 10, toy::kLockedBox.y + 10, {os::textItem("locked")});
    rig.editor->idle();
    EXPECT_EQ(rig.model.text, "dropped");
    EXPECT_EQ(rig.model.textDrops, 1);
    EXPECT_EQ(rig.model.files, "/a b;/c");
    EXPECT_EQ(rig.model.locked, "--");
    EXPECT_EQ(rig.model.lockedDrops, 0);
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
    // Sleeping 4 ms per early poll advanced the virtual clock; the host
    // idled on a 100 ms schedule that is caught up once less than 50 ms ahead.
    EXPECT_GT(elapsed, 500u);
    const int idles = rig.host.count("idle");
    EXPECT_GE(idles, static_cast<int>(elapsed / 100));
    EXPECT_LE(idles, static_cast<int>(elapsed / 50) + 1);
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

TEST(ToyOnHeadless, AHostClosingTheEditorFromItsIdleDuringADragClosesItOnceTheDragHasUnwound) {
    const int y = toy::kSliderBox.y + 5;
    for (const bool closeInIdle : {false, true}) {   // false: the positive control
        ToyRig rig;
        AEffect* effect = rig.plugin->getAeffect();
        rig.host.onIdle = [&] {
            if (closeInIdle) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        };
        rig.window->onPump([&](HeadlessWindow& window) {
            if (window.pumps() == 150) window.injectRelease(toy::kSliderBox.x + 90, y, os::kMouseLeft);
        });
        rig.window->injectPress(toy::kSliderBox.x + 50, y, os::kMouseLeft);
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        EXPECT_EQ(rig.host.calls.back(), "end 1") << closeInIdle;
        EXPECT_EQ(rig.host.count("idle"), closeInIdle ? 1 : rig.host.count("idle")) << closeInIdle;
        EXPECT_EQ(rig.editor->getFrame() == nullptr, closeInIdle);
        EXPECT_EQ(VSTGUI::CFrame::frameCount(), closeInIdle ? 0 : 1);
        // Later idles and keys reach nothing once closed.
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effEditKeyDown, 'z', 0, nullptr, 0.0f);
        EXPECT_EQ(rig.editor->getFrame() == nullptr, closeInIdle);
    }
    EXPECT_EQ(VSTGUI::CFrame::frameCount(), 0);
}

TEST(ToyOnHeadless, ASecondOpenReplacesTheFirstAndEachInstanceKeepsItsOwnEditorThread) {
    ToyRig first;
    EXPECT_EQ(VSTGUI::CFrame::frameCount(), 1);
    first.editor->openOn(nullptr, std::make_unique<HeadlessWindow>(toy::kWidth, toy::kHeight));
    EXPECT_EQ(VSTGUI::CFrame::frameCount(), 1);   // the first frame went
    {
        ToyRig second;
        EXPECT_EQ(VSTGUI::CFrame::frameCount(), 2);
        EXPECT_TRUE(isEditorThread());
        second.editor->close();
        // The other instance is still open on this thread.
        EXPECT_TRUE(isEditorThread());
    }
    first.editor->close();
    EXPECT_FALSE(isEditorThread());
    EXPECT_EQ(VSTGUI::CFrame::frameCount(), 0);
}

TEST(ToyOnHeadless, SizesAreAskedOfTheHostAndHostWindowsAreNeverRead) {
    for (const bool granted : {false, true}) {
        ToyRig rig;
        rig.host.resizes = granted;
        VSTGUI::CFrame* frame = rig.editor->getFrame();
        EXPECT_FALSE(frame->setSize(toy::kWidth, toy::kHeight));   // unchanged
        EXPECT_EQ(frame->setSize(500, 200), granted);
        // Asked only of a host that offers it.
        EXPECT_EQ(rig.host.count("size 500 200"), granted ? 1 : 0);
        EXPECT_EQ(frame->size().width(), granted ? 500 : toy::kWidth);
        EXPECT_EQ(rig.window->width(), granted ? 500 : toy::kWidth);
        ERect* rect = nullptr;
        rig.editor->getRect(&rect);
        EXPECT_EQ(rect->right - rect->left, granted ? 500 : toy::kWidth);
        VSTGUI::CCoord x = 0, y = 0;
        VSTGUI::CRect host;
        EXPECT_FALSE(frame->getPosition(x, y));
        EXPECT_FALSE(frame->getSize(host));
        // Repainted at the new size: the pattern's far corner is where it was.
        rig.editor->idle();
        EXPECT_EQ(rig.window->screenPixel(toy::kPatternBox.x, toy::kPatternBox.y), 0xFF000080u);
    }
}

TEST(ToyOnHeadless, KeysFocusTabWheelAndCursorsThroughTheFrame) {
    ToyRig rig;
    VSTGUI::CFrame* frame = rig.editor->getFrame();
    EXPECT_EQ(frame->getFocusView() != nullptr, true);   // the free field has the keys
    // The host's keys: true only when the frame answers 1.
    VstKeyCode key{'q', 0, 0};
    EXPECT_TRUE(rig.editor->onKeyDown(key));
    EXPECT_EQ(rig.model.text, "abq");
    EXPECT_FALSE(rig.editor->onKeyUp(key));   // nobody takes key releases
    // Tab with no focus: the first view that wants it (the free field);
    // Shift+Tab searches from the last child (the locked field). The field
    // with the focus takes Tab itself.
    VSTGUI::VstKeyCode tab;
    tab.virt = 2;
    frame->setFocusView(nullptr);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(static_cast<VSTGUI::CControl*>(frame->getFocusView())->getTag(), toy::kText);
    tab.modifier = 1;
    frame->setFocusView(nullptr);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(static_cast<VSTGUI::CControl*>(frame->getFocusView())->getTag(), toy::kLocked);
    // The keyboard focus leaving the window ends the focus too; its coming
    // back, or the window being hidden and shown, does not.
    rig.window->injectFocus(true);
    rig.window->injectHidden(true);
    rig.window->injectHidden(false);
    rig.editor->idle();
    EXPECT_NE(frame->getFocusView(), nullptr);
    rig.window->injectFocus(false);
    rig.editor->idle();
    EXPECT_EQ(frame->getFocusView(), nullptr);
    frame->setFocusView(nullptr);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    // A click ends the focus before it is handled.
    rig.window->injectClick(5, 5);
    rig.editor->idle();
    EXPECT_EQ(frame->getFocusView(), nullptr);
    // The wheel: one step of 0.1 per notch, both ways.
    rig.window->injectWheel(toy::kSliderBox.x + 1, toy::kSliderBox.y + 1, -2.0f);
    rig.editor->idle();
    EXPECT_NEAR(rig.model.values[toy::kLevel], 0.05f, 1e-6f);
    const struct {
        int32_t type;
        os::CursorShape shape;
    } cursors[] = {{1, os::CursorShape::Wait}, {2, os::CursorShape::ResizeHorizontal},
                   {3, os::CursorShape::ResizeVertical}, {4, os::CursorShape::Move},
                   {5, os::CursorShape::ResizeNeSw}, {6, os::CursorShape::ResizeNwSe},
                   {8, os::CursorShape::NotAllowed}, {9, os::CursorShape::Hand},
                   {7, os::CursorShape::Default}, {0, os::CursorShape::Default}, {42, os::CursorShape::Default}};
    for (const auto& c : cursors) {
        frame->setCursor(VSTGUI::kCursorHand == c.type ? 0 : VSTGUI::kCursorHand);
        frame->setCursor(c.type);
        EXPECT_EQ(rig.window->cursor(), c.shape) << c.type;
    }
}

TEST(ToyOnHeadless, DragItemsAreBoundedTerminatedAndOneDragAtATime) {
    std::string big(VSTGUI::CDragContainer::kMaxItemBytes + 10, 'x');
    VSTGUI::CDragContainer* drag = new VSTGUI::CDragContainer(
        {os::textItem(big), DropItem{DropItem::Type::File, "/ignored after a text"}});
    int32_t size = 0, type = 0;
    const char* item = drag->first(size, type);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(type, VSTGUI::CDragContainer::kText);
    EXPECT_EQ(static_cast<size_t>(size), VSTGUI::CDragContainer::kMaxItemBytes);
    EXPECT_EQ(item[size], '\0');
    EXPECT_EQ(drag->next(size, type), nullptr);
    EXPECT_EQ(type, -1);
    drag->setItems({DropItem{DropItem::Type::File, "/a"}, DropItem{DropItem::Type::File, std::string(70000, 'p')},
                    DropItem{DropItem::Type::File, "/b"}});
    EXPECT_EQ(drag->getCount(), 2);   // the over-long path is left out, never cut
    EXPECT_STREQ(drag->first(size, type), "/a");
    EXPECT_STREQ(drag->next(size, type), "/b");
    drag->forget();

    // Two editors: while one has a drag under way the other's is refused.
    ToyRig a;
    ToyRig b;
    VSTGUI::CDropTarget targetA(a.editor->getFrame());
    VSTGUI::CDropTarget targetB(b.editor->getFrame());
    EXPECT_EQ(targetA.dragEnter(), VSTGUI::CDropTarget::kEffectCopy);
    EXPECT_EQ(targetB.dragEnter(), VSTGUI::CDropTarget::kEffectNone);
    EXPECT_FALSE(targetB.drop({os::textItem("from b")}));
    EXPECT_EQ(targetA.dragOver(), VSTGUI::CDropTarget::kEffectCopy);
    EXPECT_EQ(VSTGUI::CDropTarget::currentDrag() != nullptr, true);
    targetA.dragLeave();
    EXPECT_EQ(VSTGUI::CDropTarget::currentDrag(), nullptr);
    // A drop without an enter does nothing; after a's drag b's goes through.
    EXPECT_FALSE(targetB.drop({os::textItem("from b")}));
    EXPECT_EQ(targetB.dragEnter(), VSTGUI::CDropTarget::kEffectCopy);
    b.window->injectMove(toy::kTextBox.x + 5, toy::kTextBox.y + 5);
    b.editor->idle();
    EXPECT_EQ(b.model.textDrops, 0);
    EXPECT_TRUE(targetB.drop({os::textItem("from b")}));
    EXPECT_EQ(b.model.text, "from b");
    EXPECT_EQ(b.model.textDrops, 1);
}

TEST(ToyOnHeadless, IdleStuffPacesOnAWrappingClock) {
    // The clock 40 ms before 2^32: the schedule crosses the wrap.
    ToyRig rig;
    rig.editor->close();
    auto owned = std::make_unique<HeadlessWindow>(toy::kWidth, toy::kHeight, 0xFFFFFFD8u);
    HeadlessWindow* window = owned.get();
    rig.editor->openOn(nullptr, std::move(owned));
    rig.host.calls.clear();
    rig.editor->doIdleStuff();   // due now
    EXPECT_EQ(rig.host.count("idle"), 1);
    rig.editor->doIdleStuff();   // 100 ms early: sleeps 4 ms, no idle
    EXPECT_EQ(rig.host.count("idle"), 1);
    EXPECT_EQ(window->nowMs(), 0xFFFFFFD8u + 4);
    window->sleepMs(100);        // past the wrap and past the next time
    rig.editor->doIdleStuff();
    EXPECT_EQ(rig.host.count("idle"), 2);
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
        {0xFF63, true, os::WindowKey::Insert, ""},     {0xFF9E, true, os::WindowKey::Insert, ""},
        {0xE9, true, os::WindowKey::None, "\xC3\xA9"}, {0x010020AC, true, os::WindowKey::None, "\xE2\x82\xAC"},
        {0xFFB7, true, os::WindowKey::None, "7"},      {0xFFE1, false, os::WindowKey::None, ""},
        {0xFFBE, false, os::WindowKey::None, ""},
        // Symbols of the legacy sets that layouts other than the Latin-1 ones type.
        {0x20AC, true, os::WindowKey::None, "\xE2\x82\xAC"},   // EuroSign
        {0x1B1, true, os::WindowKey::None, "\xC4\x85"},          // aogonek (Polish)
        {0x7E1, true, os::WindowKey::None, "\xCE\xB1"},          // Greek_alpha
        {0x6CA, true, os::WindowKey::None, "\xD0\xB9"},          // Cyrillic_shorti
        {0x5C7, true, os::WindowKey::None, "\xD8\xA7"},          // Arabic_alef
        {0xFE51, false, os::WindowKey::None, ""},                 // dead_acute alone types nothing
        {0xFF0A, false, os::WindowKey::None, ""},                 // Linefeed: a control character
    };
    for (const Row& row : rows) {
        const os::TranslatedKey t = os::translateKeysym(row.keysym);
        EXPECT_EQ(t.known, row.known) << std::hex << row.keysym;
        EXPECT_EQ(t.key, row.key) << std::hex << row.keysym;
        EXPECT_EQ(t.text, row.text) << std::hex << row.keysym;
    }
    EXPECT_EQ(os::mouseBitsFromXState(os::kXButton1Mask | os::kXButton3Mask | os::kXControlMask | os::kXMod1Mask),
              os::kMouseLeft | os::kMouseRight | os::kMouseControl | os::kMouseAlt);
    EXPECT_EQ(os::mouseBitsFromXState(os::kXButton2Mask | os::kXShiftMask | os::kXLockMask),
              os::kMouseMiddle | os::kMouseShift);
}

TEST(WindowTranslations, KeypadKeysTypeWhatTheyShow) {
    const struct {
        uint32_t keysym;
        const char* text;
        os::WindowKey key;
    } keypad[] = {{0xFFB0, "0", os::WindowKey::None}, {0xFFB9, "9", os::WindowKey::None},
                  {0xFFAE, ".", os::WindowKey::None}, {0xFFAC, ",", os::WindowKey::None},
                  {0xFFAA, "*", os::WindowKey::None}, {0xFFAB, "+", os::WindowKey::None},
                  {0xFFAD, "-", os::WindowKey::None}, {0xFFAF, "/", os::WindowKey::None},
                  {0xFFBD, "=", os::WindowKey::None}, {0xFF80, " ", os::WindowKey::None},
                  {0xFF8D, "", os::WindowKey::Return}, {0xFF89, "", os::WindowKey::Tab},
                  // Num Lock off: the keys move the caret.
                  {0xFF9C, "", os::WindowKey::End},    {0xFF95, "", os::WindowKey::Home},
                  {0xFF9F, "", os::WindowKey::Delete}, {0xFF96, "", os::WindowKey::Left}};
    for (const auto& k : keypad) {
        const os::TranslatedKey t = os::translateKeysym(k.keysym);
        EXPECT_TRUE(t.known) << std::hex << k.keysym;
        EXPECT_EQ(t.text, k.text) << std::hex << k.keysym;
        EXPECT_EQ(t.key, k.key) << std::hex << k.keysym;
    }
}

// Standard error of this process, read back: what libxkbcommon or we wrote
// there between start() and stop().
class StderrCapture {
public:
    void start() {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(2);
        dup2(fileno(file_), 2);
    }
    std::string stop() {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        std::string text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
        std::fclose(file_);
        return text;
    }

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

// Our texts are UTF-8 in every locale: the compose table is the one of the
// locale's language in UTF-8, then "C"; libxkbcommon says nothing on stderr.
TEST(WindowCompose, DeadKeysComposeInEveryLocaleAndNothingIsWrittenOnStderr) {
    const struct {
        const char* locale;
        std::vector<std::string> tried;
    } names[] = {
        {"de_DE.UTF-8", {"de_DE.UTF-8", "C"}},
        {"sr_RS.utf8@latin", {"sr_RS.utf8@latin", "sr_RS.UTF-8", "C"}},
        {"de_DE.ISO-8859-1", {"de_DE.UTF-8", "C"}},
        {"de_DE@euro", {"de_DE.UTF-8", "C"}},
        {"en_US", {"en_US.UTF-8", "C"}},
        {"C", {"C"}},
        {"POSIX", {"C"}},
    };
    for (const auto& row : names) EXPECT_EQ(os::composeLocales(row.locale), row.tried) << row.locale;

    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    constexpr uint32_t kDeadAcute = 0xFE51;
    for (const char* locale : {"en_US", "de_DE.ISO-8859-1", "de_DE@euro", "ru_RU.KOI8-R", "ja_JP.eucJP",
                               "xx_YY.unknown", "de_DE.UTF-8", "C"}) {
        setenv("LC_ALL", locale, 1);
        StderrCapture capture;
        capture.start();
        std::string text;
        os::KeyComposer composer;
        const os::KeyComposer::Step dead = composer.press(kDeadAcute, text);
        const os::KeyComposer::Step letter = composer.press('e', text);
        std::fputs("control\n", stderr);   // the capture sees what is written
        const std::string written = capture.stop();
        EXPECT_EQ(dead, os::KeyComposer::Step::Swallowed) << locale;
        EXPECT_EQ(letter, os::KeyComposer::Step::Composed) << locale;
        EXPECT_EQ(text, "\xC3\xA9") << locale;
        EXPECT_EQ(written, "control\n") << locale;
    }
    if (saved)
        setenv("LC_ALL", savedValue.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

} // namespace
