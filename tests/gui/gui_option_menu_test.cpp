// The option menu on a headless frame, with a chooser standing in for the
// popup: numbered entries and what the display shows, columns, the choice
// reported by the menu that holds it, sub-menus that stay in step, cancels,
// and one edit bracket per click.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CFrameEditor.h"
#include "gui/COptionMenu.h"
#include "os/window/HeadlessWindow.h"

using namespace VSTGUI;

namespace {

struct Log : CFrameEditor, CControlListener {
    std::vector<std::string> calls;
    std::vector<CControl*> told;
    void beginEdit(int32_t i) override { calls.push_back("begin " + std::to_string(i)); }
    void endEdit(int32_t i) override { calls.push_back("end " + std::to_string(i)); }
    void doIdleStuff() override {}
    bool requestSize(int32_t, int32_t) override { return false; }
    void valueChanged(CDrawContext*, CControl* c) override {
        told.push_back(c);
        calls.push_back("changed " + std::to_string(c->getTag()));
    }
};

// Picks the Command item with a given text (searching sub-menus), or none.
struct Chooser : FrameServices {
    std::string pick;
    std::vector<PopupRequest> requests;
    std::vector<std::vector<std::string>> shown;   // item texts of each popup's top level
    static const PopupItem* find(const PopupMenu& menu, const std::string& text) {
        for (const PopupItem& item : menu.items) {
            if (item.kind == PopupItem::Kind::Command && item.text == text) return &item;
            if (item.subMenu)
                if (const PopupItem* inner = find(*item.subMenu, text)) return inner;
        }
        return nullptr;
    }
    int32_t trackPopup(const PopupRequest& request) override {
        requests.push_back(request);
        std::vector<std::string> texts;
        for (const PopupItem& item : request.menu->items) texts.push_back(item.text);
        shown.push_back(texts);
        const PopupItem* item = find(*request.menu, pick);
        return item ? item->id : -1;
    }
};

struct Bench {
    Log log;
    Chooser chooser;
    os::HeadlessWindow* window;
    CFrame* frame;
    Bench() {
        auto owned = std::make_unique<os::HeadlessWindow>(200, 120);
        window = owned.get();
        frame = new CFrame(CRect(0, 0, 200, 120), std::move(owned), &log);
        setFrameServices(frame, &chooser);
        frame->idle();
    }
    ~Bench() {
        setFrameServices(frame, nullptr);
        frame->forget();
    }
    void click(int x, int y, int button = os::kMouseLeft) {
        window->injectClick(x, y, button);
        frame->idle();
    }
};

// The pixels a menu draws for itself, alone in a buffer.
std::vector<uint32_t> pixelsOf(COptionMenu& menu) {
    raster::PixelBuffer pixels(100, 20);
    CDrawContext context(nullptr, &pixels);
    menu.setTransparency(false);
    menu.draw(&context);
    return pixels.pixels();
}

TEST(GuiOptionMenu, ThreeNumberedEntriesShowTheirTextWithoutTheNumber) {
    COptionMenu numbered(CRect(0, 0, 100, 20), nullptr, 1);
    numbered.setPrefixNumbers(3);
    for (const char* text : {"Kick", "Snare", "Hat"}) ASSERT_TRUE(numbered.addEntry(text));
    char entry[kTextBufferSize];
    const char* expected[] = {"01 Kick", "02 Snare", "03 Hat"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(numbered.getEntry(i, entry));
        EXPECT_STREQ(entry, expected[i]);
    }
    numbered.setValue(1.0f);
    COptionMenu plain(CRect(0, 0, 100, 20), nullptr, 1);
    plain.addEntry("Kick");
    plain.addEntry("Snare");
    plain.setValue(1.0f);
    COptionMenu other(CRect(0, 0, 100, 20), nullptr, 1);
    other.addEntry("Kick");
    other.setValue(0.0f);
    EXPECT_EQ(pixelsOf(numbered), pixelsOf(plain));
    EXPECT_NE(pixelsOf(numbered), pixelsOf(other));   // the comparison sees a different text
}

TEST(GuiOptionMenu, ValuesSelectEntriesAndInsertionKeepsTheCurrentOne) {
    COptionMenu menu(CRect(0, 0, 100, 20), nullptr, 1);
    for (const char* text : {"a", "b", "c"}) menu.addEntry(text);
    menu.setValue(2.9f);
    EXPECT_EQ(menu.getCurrent(), 2);
    menu.setValue(3.0f);
    EXPECT_EQ(menu.getCurrent(), 2);
    menu.setValue(0.0f);
    menu.checkEntry(0, true);
    ASSERT_TRUE(menu.addEntry("before", 0));
    EXPECT_EQ(menu.getCurrent(), 1);
    char text[kTextBufferSize];
    menu.getCurrent(text);
    EXPECT_STREQ(text, "a");
    EXPECT_TRUE(menu.isCheckEntry(0));   // check flags stay where they were

    COptionMenu mixed(CRect(0, 0, 100, 20), nullptr, 1);
    for (const char* t : {"-TTitle", "plain", "-", "other"}) mixed.addEntry(t);
    ASSERT_TRUE(mixed.setCurrent(1, false));
    EXPECT_EQ(mixed.getCurrent(), 3);
    EXPECT_EQ(mixed.getCurrent(nullptr, false), 1);
    EXPECT_FALSE(mixed.setCurrent(2, true));   // a separator
}

TEST(GuiOptionMenu, ColumnsEvery26ItemsOnlyBelow160Entries) {
    for (int entries : {60, 159, 160}) {
        COptionMenu menu(CRect(0, 0, 100, 20), nullptr, 1);
        menu.setNbItemsPerColumn(26);
        for (int i = 0; i < entries; ++i) menu.addEntry(("e" + std::to_string(i)).c_str());
        int32_t nextId = 0;
        auto popup = menu.createPopupMenu(nextId);
        EXPECT_EQ(nextId, entries);
        std::vector<int> breaks;
        for (size_t i = 0; i < popup->items.size(); ++i)
            if (popup->items[i].columnBreak) breaks.push_back(static_cast<int>(i) + 1);
        if (entries == 160) {
            EXPECT_TRUE(breaks.empty());
        } else {
            ASSERT_GE(breaks.size(), 2u) << entries;
            EXPECT_EQ(breaks[0], 27);
            EXPECT_EQ(breaks[1], 53);
        }
    }
}

TEST(GuiOptionMenu, AChoiceInsideASubMenuIsReportedToTheTopListener) {
    Bench bench;
    auto* top = new COptionMenu(CRect(10, 10, 110, 30), &bench.log, 7);
    auto* drums = new COptionMenu(CRect(), nullptr, 0);
    auto* keys = new COptionMenu(CRect(), nullptr, 0);
    for (const char* t : {"Kick", "Snare"}) drums->addEntry(t);
    for (const char* t : {"Piano", "Organ", "Harp"}) keys->addEntry(t);
    top->addEntry("Off");
    top->addSubMenuEntry(drums, "Drums");
    top->addEntry("-");
    top->addSubMenuEntry(keys, "Keys");
    drums->forget();
    keys->forget();
    bench.frame->addView(top);

    bench.chooser.pick = "Harp";
    bench.click(20, 20);
    ASSERT_EQ(bench.log.told.size(), 1u);
    EXPECT_EQ(bench.log.told[0], keys);
    EXPECT_EQ(keys->getCurrent(), 2);
    EXPECT_FLOAT_EQ(keys->getValue(), 2.0f);
    EXPECT_EQ(top->getCurrent(), 0);
    // The popup opens below the menu, at its left edge.
    ASSERT_EQ(bench.chooser.requests.size(), 1u);
    EXPECT_EQ(bench.chooser.requests[0].at, CPoint(10, 30));
    EXPECT_FALSE(bench.chooser.requests[0].above);
    const std::vector<std::string> shown = {"Off", "Drums", "", "Keys"};
    EXPECT_EQ(bench.chooser.shown[0], shown);
    // One bracket around the click; the focus is given back.
    // The listener is told of the sub-menu (its own tag, 0 here).
    const std::vector<std::string> calls = {"begin 7", "changed 0", "end 7"};
    EXPECT_EQ(bench.log.calls, calls);
    EXPECT_EQ(bench.frame->getFocusView(), nullptr);

    // A removed sub-menu entry takes its sub-menu along: "Keys" still
    // opens its own entries and a choice there still lands in it.
    ASSERT_TRUE(top->removeEntry(1));
    EXPECT_EQ(top->getNbSubMenus(), 1);
    EXPECT_EQ(top->getSubMenu(2), keys);
    bench.chooser.pick = "Organ";
    bench.click(20, 20);
    ASSERT_EQ(bench.log.told.size(), 2u);
    EXPECT_EQ(bench.log.told[1], keys);
    EXPECT_EQ(keys->getCurrent(), 1);
    // A "-M" text added as an entry opens nothing and is not shown.
    top->addEntry("-Mfake", 0);
    bench.chooser.pick = "Piano";
    bench.click(20, 20);
    ASSERT_EQ(bench.log.told.size(), 3u);
    EXPECT_EQ(bench.log.told[2], keys);
    EXPECT_EQ(keys->getCurrent(), 0);
    EXPECT_EQ(bench.chooser.shown.back().size(), 3u);
}

TEST(GuiOptionMenu, ACancelledPopupTellsNobodyAndStillClosesTheBracket) {
    Bench bench;
    auto* menu = new COptionMenu(CRect(10, 10, 110, 30), &bench.log, 3, nullptr, nullptr, kPopupStyle);
    for (const char* t : {"one", "two"}) menu->addEntry(t);
    bench.frame->addView(menu);
    bench.chooser.pick = "";   // nothing chosen
    bench.click(20, 20);
    EXPECT_TRUE(bench.log.told.empty());
    EXPECT_EQ(bench.chooser.requests.at(0).at, CPoint(10, 10));   // above: from the top edge
    const std::vector<std::string> calls = {"begin 3", "end 3"};
    EXPECT_EQ(bench.log.calls, calls);
    // Positive control: a choice on the same menu is told.
    bench.chooser.pick = "two";
    bench.click(20, 20);
    ASSERT_EQ(bench.log.told.size(), 1u);
    EXPECT_EQ(menu->getCurrent(), 1);
    // The right button opens it too, and says so.
    bench.click(20, 20, os::kMouseRight);
    EXPECT_TRUE(bench.chooser.requests.back().rightButton);
    // A click beside it opens nothing.
    const size_t before = bench.chooser.requests.size();
    bench.click(150, 100);
    EXPECT_EQ(bench.chooser.requests.size(), before);
}

TEST(GuiOptionMenu, ChecksFollowTheStyle) {
    COptionMenu own(CRect(), nullptr, 0, nullptr, nullptr, kCheckStyle);
    COptionMenu current(CRect(), nullptr, 0, nullptr, nullptr, kCheckCurrentStyle);
    for (COptionMenu* m : {&own, &current})
        for (const char* t : {"a", "b", "c"}) m->addEntry(t);
    own.setValue(1.0f);     // toggles b's flag on
    own.checkEntry(2, true);
    current.setValue(1.0f);
    current.checkEntry(2, true);   // flags are not shown without kCheckStyle
    int32_t id = 0;
    auto ownPopup = own.createPopupMenu(id);
    id = 0;
    auto currentPopup = current.createPopupMenu(id);
    const bool ownChecks[] = {false, true, true};
    const bool currentChecks[] = {false, true, false};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ownPopup->items[i].checked, ownChecks[i]) << i;
        EXPECT_EQ(currentPopup->items[i].checked, currentChecks[i]) << i;
    }
}

} // namespace
