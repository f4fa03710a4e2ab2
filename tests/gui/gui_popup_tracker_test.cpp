// The popup's loop on a scripted screen: clicks, releases, keys and
// cascades; cancels by Escape, an outside click, a refused grab and the
// editor's window closing; placement; the editor kept painted meanwhile.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/COptionMenu.h"
#include "gui/PopupTracker.h"
#include "os/window/HeadlessWindow.h"

using namespace VSTGUI;

namespace {

// Runs one scripted step per pump; once the script is done the display "goes".
struct FakeScreen : os::PopupScreen {
    std::vector<std::function<void(FakeScreen&)>> script;
    size_t step = 0;
    int refuseGrabs = 0;
    int grabs = 0;
    std::vector<os::WindowRect> panels;
    std::vector<os::PixelSurface> shown;
    os::WindowRect area{0, 0, 1000, 700};
    uint32_t now = 0;   // advances 10 ms a pump
    uint32_t nowMs() override { return now; }
    bool grab() override {
        ++grabs;
        return refuseGrabs-- <= 0;
    }
    bool windowOrigin(uint32_t, int& x, int& y) override {
        x = 100;
        y = 50;
        return true;
    }
    os::WindowRect screenArea() override { return area; }
    int openPanel(const os::WindowRect& area) override {
        panels.push_back(area);
        shown.emplace_back();
        return static_cast<int>(panels.size()) - 1;
    }
    void closePanels(int first) override {
        panels.resize(static_cast<size_t>(first));
        shown.resize(static_cast<size_t>(first));
    }
    int panelCount() const override { return static_cast<int>(panels.size()); }
    void show(int panel, const os::PixelSurface& pixels) override { shown.at(static_cast<size_t>(panel)) = pixels; }
    void pump(unsigned) override {
        now += 10;
        if (step < script.size()) script[step++](*this);
    }
    bool alive() const override { return step < script.size() || grabs == 0; }

    // Screen point of the middle of an item of a panel.
    CPoint middleOf(int panel, const PopupPanel& layout, size_t item) const {
        const CRect& r = layout.itemRect(item);
        return CPoint(panels[static_cast<size_t>(panel)].x + (r.left + r.right) / 2,
                      panels[static_cast<size_t>(panel)].y + (r.top + r.bottom) / 2);
    }
    void pointer(os::WindowEventKind kind, CPoint at, int button = 0, int buttons = 0) {
        os::WindowEvent e;
        e.kind = kind;
        e.x = at.h;
        e.y = at.v;
        e.button = button;
        e.buttons = buttons;
        queueEvent(e);
    }
    void click(CPoint at, int button = os::kMouseLeft) {
        pointer(os::WindowEventKind::MouseDown, at, button, button);
        pointer(os::WindowEventKind::MouseUp, at, button, 0);
    }
    void key(os::WindowKey k) {
        os::WindowEvent e;
        e.kind = os::WindowEventKind::KeyDown;
        e.key = k;
        queueEvent(e);
    }
    void wheel(CPoint at, float notches) {
        os::WindowEvent e;
        e.kind = os::WindowEventKind::Wheel;
        e.x = at.h;
        e.y = at.v;
        e.wheel = notches;
        queueEvent(e);
    }
};

// A menu of `count` entries named by a pattern with the entry's number.
std::unique_ptr<PopupMenu> numberedMenu(int count, const char* pattern) {
    COptionMenu menu(CRect(), nullptr, 0);
    for (int i = 1; i <= count; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, pattern, i);
        menu.addEntry(text);
    }
    int32_t id = 0;
    return menu.createPopupMenu(id);
}

// A menu "one", "two", a separator, a sub-menu "more" of "inner a", "inner b".
struct Menus {
    COptionMenu* top = new COptionMenu(CRect(10, 10, 110, 30), nullptr, 1);
    std::unique_ptr<PopupMenu> popup;
    Menus() {
        auto* sub = new COptionMenu(CRect(), nullptr, 2);
        sub->addEntry("inner a");
        sub->addEntry("inner b");
        top->addEntry("one");
        top->addEntry("two");
        top->addEntry("-");
        top->addSubMenuEntry(sub, "more");
        sub->forget();
        int32_t id = 0;
        popup = top->createPopupMenu(id);
    }
    ~Menus() { top->forget(); }
    PopupRequest request(bool above = false) const {
        PopupRequest r;
        r.menu = popup.get();
        r.anchor = CRect(10, 10, 110, 30);
        r.above = above;
        r.at = CPoint(10, above ? 10 : 30);
        return r;
    }
};

TEST(GuiPopupTracker, AClickOnTheSecondEntryChoosesItAndTheEditorStaysPainted) {
    Menus menus;
    FakeScreen screen;
    os::HeadlessWindow editor(200, 100);
    const PopupPanel layout(*menus.popup);
    screen.script = {
        // The release of the click that opened the menu chooses nothing.
        [&](FakeScreen& s) { s.pointer(os::WindowEventKind::MouseUp, s.middleOf(0, layout, 0), os::kMouseLeft); },
        [&](FakeScreen& s) { s.pointer(os::WindowEventKind::MouseMove, s.middleOf(0, layout, 1)); },
        [&](FakeScreen& s) { s.click(s.middleOf(0, layout, 1)); },
    };
    const int32_t id = PopupTracker(screen, &editor).run(menus.request());
    EXPECT_EQ(id, menus.popup->items[1].id);
    // Below the option menu, at its left edge, on the screen.
    ASSERT_FALSE(screen.panels.empty());
    EXPECT_EQ(screen.panels[0].x, 110);
    EXPECT_EQ(screen.panels[0].y, 80);
    EXPECT_GE(editor.paintOnlyPumps(), 3);
    EXPECT_EQ(editor.pumps(), 0);   // its input stays queued
    // The entry under the pointer is highlighted in the picture shown.
    const os::PixelSurface& pixels = screen.shown[0];
    const CRect& r = layout.itemRect(1);
    const CRect& other = layout.itemRect(0);
    EXPECT_NE(pixels.row(r.top + 2)[r.right - 3], pixels.row(other.top + 2)[other.right - 3]);
}

TEST(GuiPopupTracker, EscapeAnOutsideClickARefusedGrabAndAClosedEditorCancel) {
    Menus menus;
    const PopupPanel layout(*menus.popup);
    {
        FakeScreen screen;
        screen.script = {[](FakeScreen& s) { s.key(os::WindowKey::Escape); },
                         [&](FakeScreen& s) { s.click(s.middleOf(0, layout, 0)); }};
        EXPECT_EQ(PopupTracker(screen, nullptr).run(menus.request()), -1);
        EXPECT_EQ(screen.step, 1u);   // ended at the Escape, not later
    }
    {
        FakeScreen screen;
        screen.script = {[](FakeScreen& s) { s.click(CPoint(5, 5)); },
                         [&](FakeScreen& s) { s.click(s.middleOf(0, layout, 0)); }};
        EXPECT_EQ(PopupTracker(screen, nullptr).run(menus.request()), -1);
        EXPECT_EQ(screen.step, 1u);
    }
    {
        FakeScreen screen;
        screen.refuseGrabs = 1000;
        screen.script.assign(200, [](FakeScreen&) {});
        EXPECT_EQ(PopupTracker(screen, nullptr).run(menus.request()), -1);
        EXPECT_GE(screen.grabs, 50);
        // Positive control: a grab that succeeds late still opens the menu.
        FakeScreen late;
        late.refuseGrabs = 3;
        late.script.assign(3, [](FakeScreen&) {});
        late.script.push_back([&](FakeScreen& s) { s.click(s.middleOf(0, layout, 0)); });
        EXPECT_EQ(PopupTracker(late, nullptr).run(menus.request()), menus.popup->items[0].id);
    }
    {
        FakeScreen screen;
        os::HeadlessWindow editor(200, 100);
        screen.script = {[&](FakeScreen&) { editor.injectParentDestroyed(); },
                         [&](FakeScreen& s) { s.click(s.middleOf(0, layout, 0)); }};
        EXPECT_EQ(PopupTracker(screen, &editor).run(menus.request()), -1);
        EXPECT_FALSE(editor.isOpen());
    }
    {
        // The frame closes (a host's close during the loop) with its window still there.
        FakeScreen screen;
        bool frameOpen = true;
        screen.script = {[&](FakeScreen&) { frameOpen = false; },
                         [&](FakeScreen& s) { s.click(s.middleOf(0, layout, 0)); }};
        EXPECT_EQ(PopupTracker(screen, nullptr, [&] { return frameOpen; }).run(menus.request()), -1);
        EXPECT_EQ(screen.step, 1u);
    }
}

TEST(GuiPopupTracker, SubMenusCascadeByPointerAndByKeys) {
    Menus menus;
    const PopupPanel layout(*menus.popup);
    const PopupMenu& inner = *menus.popup->items[3].subMenu;
    const PopupPanel innerLayout(inner);
    {
        FakeScreen screen;
        screen.script = {
            [&](FakeScreen& s) { s.pointer(os::WindowEventKind::MouseMove, s.middleOf(0, layout, 3)); },
            [&](FakeScreen& s) {
                ASSERT_EQ(s.panels.size(), 2u);
                // To the right of the sub-menu's entry, level with it.
                EXPECT_EQ(s.panels[1].x, s.panels[0].x + layout.itemRect(3).right);
                EXPECT_EQ(s.panels[1].y, s.panels[0].y + layout.itemRect(3).top - 1);
                s.click(s.middleOf(1, innerLayout, 1));
            },
        };
        EXPECT_EQ(PopupTracker(screen, nullptr).run(menus.request()), inner.items[1].id);
    }
    {
        FakeScreen screen;
        // Down: "one"; Down, Down: "more" (the separator is skipped); Right
        // opens it on "inner a"; Escape closes only the cascade; Right, Down, Return.
        screen.script = {[](FakeScreen& s) {
                             for (int i = 0; i < 3; ++i) s.key(os::WindowKey::Down);
                             s.key(os::WindowKey::Right);
                         },
                         [](FakeScreen& s) {
                             EXPECT_EQ(s.panels.size(), 2u);
                             s.key(os::WindowKey::Escape);
                         },
                         [](FakeScreen& s) {
                             EXPECT_EQ(s.panels.size(), 1u);
                             s.key(os::WindowKey::Right);
                             s.key(os::WindowKey::Down);
                             s.key(os::WindowKey::Return);
                         }};
        EXPECT_EQ(PopupTracker(screen, nullptr).run(menus.request()), inner.items[1].id);
    }
}

TEST(GuiPopupTracker, PlacementAboveAtTheScreensEdgeAndInColumns) {
    Menus menus;
    const PopupPanel layout(*menus.popup);
    os::HeadlessWindow editor(200, 100);   // at (100, 50) on the fake screen
    FakeScreen screen;
    screen.script = {[](FakeScreen& s) { s.key(os::WindowKey::Escape); }};
    PopupRequest above = menus.request(true);
    above.anchor = CRect(10, 200, 110, 220);
    above.at = CPoint(10, 200);
    PopupTracker(screen, &editor).run(above);
    ASSERT_EQ(screen.panels.size(), 1u);
    EXPECT_EQ(screen.panels[0].y + screen.panels[0].height, 250);   // its bottom at the menu's top
    // Near the bottom of the screen a menu opens above instead.
    FakeScreen low;
    low.script = screen.script;
    PopupRequest request = menus.request();
    request.anchor = CRect(10, 630, 110, 645);
    request.at = CPoint(10, 645);
    PopupTracker(low, &editor).run(request);
    EXPECT_EQ(low.panels[0].y + low.panels[0].height, 680);

    // 30 entries at 26 to a column: two columns side by side.
    COptionMenu many(CRect(), nullptr, 0);
    many.setNbItemsPerColumn(26);
    for (int i = 0; i < 30; ++i) many.addEntry(("entry " + std::to_string(i)).c_str());
    int32_t id = 0;
    auto popup = many.createPopupMenu(id);
    const PopupPanel columns(*popup);
    EXPECT_GE(columns.itemRect(26).left, columns.itemRect(0).right);
    EXPECT_EQ(columns.itemRect(26).top, columns.itemRect(0).top);
    EXPECT_EQ(columns.height(), columns.itemRect(25).bottom + 1);
}

TEST(GuiPopupPanel, AMenuTallerThanTheScreenComesInColumnsThatFitIt) {
    const auto menu = numberedMenu(200, "Entry %03d");
    // Without a limit: one column of 200 rows, far taller than any screen.
    EXPECT_EQ(PopupPanel(*menu).height(), 2 + 200 * PopupPanel::kItemHeight);
    for (const int32_t screenHeight : {800, 768, 480}) {
        const PopupPanel panel(*menu, 1024, screenHeight);
        EXPECT_LE(panel.height(), screenHeight);
        EXPECT_LE(panel.width(), 1024);
        EXPECT_FALSE(panel.scrolls()) << screenHeight;   // all of it at once
        const CRect inside(1, 1, panel.width() - 1, panel.height() - 1);
        for (size_t i = 0; i < menu->items.size(); ++i) {
            const CRect r = panel.itemRect(i);
            ASSERT_TRUE(inside.pointInside(CPoint(r.left, r.top)) && r.right <= inside.right && r.bottom <= inside.bottom)
                << screenHeight << " entry " << i;
            EXPECT_EQ(panel.itemAt(CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2)), static_cast<int32_t>(i));
        }
        // Columns fill from the top: the second starts where the first is full.
        const int32_t rows = (screenHeight - 2) / PopupPanel::kItemHeight;
        EXPECT_EQ(panel.itemRect(static_cast<size_t>(rows)).top, 1) << screenHeight;
        EXPECT_GT(panel.itemRect(static_cast<size_t>(rows)).left, panel.itemRect(0).left) << screenHeight;
    }
}

TEST(GuiPopupTracker, AMenuTooTallAndTooWideScrollsAndItsLastEntryIsReached) {
    // 300 long names on a screen of 1000 x 700: columns would be too wide,
    // so the panel keeps one column, as tall as the screen, and scrolls.
    const auto menu = numberedMenu(300, "A rather long name of a preset, number %03d");
    PopupRequest request;
    request.menu = menu.get();
    request.anchor = CRect(10, 10, 110, 30);
    request.at = CPoint(10, 30);
    PopupPanel atEnd(*menu, 1000, 700);
    ASSERT_TRUE(atEnd.scrolls());
    EXPECT_EQ(atEnd.height(), 700);
    EXPECT_LE(atEnd.width(), 1000);
    while (atEnd.scrollBy(PopupPanel::kItemHeight)) {
    }
    const size_t last = menu->items.size() - 1;
    const CRect lastRect = atEnd.itemRect(last);
    const int32_t lastId = menu->items[last].id;
    const auto onLast = [&](FakeScreen& s) {
        return CPoint(s.panels[0].x + (lastRect.left + lastRect.right) / 2, s.panels[0].y + (lastRect.top + lastRect.bottom) / 2);
    };
    {
        // The pointer rests on the lower arrow strip: a row every 60 ms.
        FakeScreen screen;
        screen.script.push_back([&](FakeScreen& s) {
            EXPECT_EQ(s.panels[0].y, 0);   // moved up to fit the screen
            EXPECT_EQ(s.panels[0].height, 700);
            s.pointer(os::WindowEventKind::MouseMove, CPoint(s.panels[0].x + 50, s.panels[0].y + 700 - 5));
        });
        const size_t rowsToScroll = 300 - (700 - 2 - 2 * PopupPanel::kScrollStripHeight) / PopupPanel::kItemHeight;
        for (size_t i = 0; i < rowsToScroll * 6 + 6; ++i) screen.script.push_back([](FakeScreen&) {});
        screen.script.push_back([&](FakeScreen& s) { s.click(onLast(s)); });
        EXPECT_EQ(PopupTracker(screen, nullptr).run(request), lastId);
        // Positive control: the same click without the rest on the strip
        // finds a row that is not the last one.
        FakeScreen early;
        early.script.push_back([&](FakeScreen& s) { s.click(onLast(s)); });
        EXPECT_NE(PopupTracker(early, nullptr).run(request), lastId);
    }
    {
        // The wheel, three rows a notch.
        FakeScreen screen;
        screen.script.push_back([&](FakeScreen& s) {
            for (int i = 0; i < 100; ++i) s.wheel(CPoint(s.panels[0].x + 50, s.panels[0].y + 300), -1.0f);
        });
        screen.script.push_back([&](FakeScreen& s) { s.click(onLast(s)); });
        EXPECT_EQ(PopupTracker(screen, nullptr).run(request), lastId);
    }
    {
        // Up from no entry is the last one, scrolled into view.
        FakeScreen screen;
        screen.script.push_back([](FakeScreen& s) {
            s.key(os::WindowKey::Up);
            s.key(os::WindowKey::Return);
        });
        EXPECT_EQ(PopupTracker(screen, nullptr).run(request), lastId);
        FakeScreen shown;
        shown.script.push_back([](FakeScreen& s) { s.key(os::WindowKey::Up); });
        shown.script.push_back([&](FakeScreen& s) { s.click(onLast(s)); });
        EXPECT_EQ(PopupTracker(shown, nullptr).run(request), lastId);
    }
}

} // namespace
