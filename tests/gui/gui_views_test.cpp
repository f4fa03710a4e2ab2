// Views and containers: draw order, hit order, key routing, the focus walk,
// drag and drop, update modes, and reference counts that balance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PngWriter.h"
#include "ViewProbe.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "resources/ResourceTable.h"

using namespace VSTGUI;
using viewtest::Probe;
using raster::PixelBuffer;

namespace {

TEST(GuiViews, EdgesOfHitTestsAndUpdateChecks) {
    CView* v = new CView(CRect(10, 20, 30, 40));
    struct Case {
        CPoint where;
        bool hit;
    };
    const Case points[] = {{{10, 20}, true}, {{30, 40}, true}, {{30, 20}, true}, {{9, 20}, false}, {{31, 25}, false},
                           {{20, 41}, false}};
    for (const Case& k : points) EXPECT_EQ(v->hitTest(k.where), k.hit) << k.where.h << "," << k.where.v;
    v->setMouseableArea(CRect(0, 0, 5, 5));
    EXPECT_TRUE(v->hitTest(CPoint(5, 5))) << "the mouseable area decides, not the size";
    EXPECT_FALSE(v->hitTest(CPoint(10, 20)));
    EXPECT_TRUE(v->checkUpdate(CRect(0, 0, 10, 20))) << "touching the top-left corner counts";
    EXPECT_TRUE(v->checkUpdate(CRect(30, 40, 50, 50))) << "touching the bottom-right corner counts";
    EXPECT_FALSE(v->checkUpdate(CRect(31, 0, 50, 50)));
    EXPECT_FALSE(v->checkUpdate(CRect(0, 0, 9, 19)));
    v->setViewSize(CRect(0, 0, 1, 1));
    CRect area;
    EXPECT_EQ(v->getMouseableArea(area), CRect(0, 0, 5, 5)) << "resizing leaves the mouseable area";
    EXPECT_TRUE(v->isDirty());
    v->forget();
}

TEST(GuiViews, ChildrenDrawFirstToLastAndTheMouseGoesToTheLastHit) {
    std::vector<std::string> log;
    PixelBuffer screen(40, 30);
    CFrame* frame = new CFrame(CRect(0, 0, 40, 30), nullptr);
    frame->setBackBuffer(&screen);
    CViewContainer* page = new CViewContainer(CRect(5, 5, 35, 28), frame);
    page->setBackgroundColor(kGreyCColor);
    frame->addView(page);
    Probe* under = new Probe(CRect(0, 0, 20, 20), "under", log);
    Probe* over = new Probe(CRect(10, 0, 30, 20), "over", log);
    over->colour = kBlueCColor;
    page->addView(under);
    page->addView(over);

    CDrawContext* c = new CDrawContext(frame, &screen);
    frame->draw(c);
    EXPECT_EQ(log, (std::vector<std::string>{"under draw", "over draw"}));
    EXPECT_EQ(screen.at(5 + 15, 5 + 10), 0xFF0000FFu) << "the overlap shows the last child";
    EXPECT_EQ(screen.at(5 + 5, 5 + 10), 0xFFFF0000u);
    EXPECT_EQ(screen.at(6, 27), 0xFF7F7F7Fu) << "the page's colour behind its children";

    log.clear();
    CPoint where(5 + 15, 5 + 10);
    frame->mouse(c, where, kLButton);
    EXPECT_EQ(log, (std::vector<std::string>{"over mouse 15,10 1"})) << "last added, in its parent's coordinates";
    log.clear();
    over->setMouseEnabled(false);
    frame->mouse(c, where, kLButton);
    EXPECT_EQ(log, (std::vector<std::string>{"under mouse 15,10 1"}));

    log.clear();
    EXPECT_TRUE(frame->onWheel(c, CPoint(5 + 12, 5 + 3), 1.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"over wheel 12,3 axis 1"}))
        << "the wheel goes to the last child whose area holds the point, mouse-enabled or not";
    EXPECT_EQ(frame->getViewAt(CPoint(5 + 12, 5 + 3), true), over) << "deep: the child under the point";
    EXPECT_EQ(frame->getViewAt(CPoint(5 + 12, 5 + 3), false), page);

    log.clear();
    VstKeyCode key;
    under->keyAnswer = 7;
    EXPECT_EQ(page->onKeyDown(key), 7) << "the second-added answers when the last ignores the key";
    EXPECT_EQ(log, (std::vector<std::string>{"over key", "under key"}));
    under->keyAnswer = -1;
    EXPECT_EQ(page->onKeyDown(key), -1);
    c->forget();
    frame->forget();
}

TEST(GuiViews, ClippedDrawingAndUpdateModes) {
    std::vector<std::string> log;
    PixelBuffer screen(40, 30);
    CFrame* frame = new CFrame(CRect(0, 0, 40, 30), nullptr);
    frame->setBackBuffer(&screen);
    Probe* inside = new Probe(CRect(2, 2, 8, 8), "inside", log);
    Probe* outside = new Probe(CRect(50, 50, 60, 60), "outside", log);
    Probe* straddling = new Probe(CRect(30, 20, 50, 40), "straddling", log);
    frame->addView(inside);
    frame->addView(outside);
    frame->addView(straddling);
    CDrawContext* c = new CDrawContext(frame, &screen);
    frame->draw(c);
    EXPECT_EQ(screen.at(39, 29), 0xFFFF0000u);
    log.clear();

    // Mode 1: dirty children alone; one wholly outside is neither drawn nor counted.
    inside->setDirty(false);
    straddling->setDirty(false);
    outside->setDirty(true);
    EXPECT_FALSE(frame->isDirty()) << "a dirty child outside the container does not count";
    inside->setDirty(true);
    EXPECT_TRUE(frame->isDirty());
    frame->update(c);
    EXPECT_EQ(log, (std::vector<std::string>{"inside draw"}));
    EXPECT_FALSE(inside->isDirty());

    // drawRect over part of the straddling child leaves it dirty: it still owes pixels.
    log.clear();
    straddling->setDirty(true);
    frame->drawRect(c, CRect(32, 22, 36, 26));
    EXPECT_EQ(log, (std::vector<std::string>{"straddling draw"}));
    EXPECT_TRUE(straddling->isDirty());

    // Mode 0 redraws everything when anything is dirty.
    log.clear();
    frame->setMode(0);
    inside->setDirty(true);
    straddling->setDirty(false);
    frame->update(c);
    EXPECT_EQ(log, (std::vector<std::string>{"inside draw", "straddling draw"}));
    c->forget();
    frame->forget();
}

TEST(GuiViews, ReferencesBalanceThroughAddRemoveAndBackgrounds) {
    std::vector<std::string> log;
    int alive = 0;
    CFrame* frame = new CFrame(CRect(0, 0, 40, 30), nullptr);
    Probe* kept = new Probe(CRect(0, 0, 5, 5), "kept", log, &alive);
    Probe* dropped = new Probe(CRect(0, 0, 5, 5), "dropped", log, &alive);
    Probe* stranger = new Probe(CRect(0, 0, 5, 5), "stranger", log, &alive);
    frame->addView(kept);
    frame->addView(dropped);
    EXPECT_EQ(kept->getNbReference(), 2) << "the creator's, taken over, and the list's";
    EXPECT_EQ(kept->getFrame(), frame);

    frame->removeView(stranger, true);
    EXPECT_EQ(stranger->getNbReference(), 1) << "not a child: nothing happens";
    EXPECT_EQ(frame->getNbViews(), 2);

    frame->setFocusView(dropped);
    frame->removeView(dropped, true);
    EXPECT_EQ(frame->getFocusView(), nullptr) << "the focus is cleared before the view goes";
    EXPECT_EQ(alive, 2) << "with forget the view loses both references";

    frame->removeView(kept, false);
    EXPECT_EQ(kept->getNbReference(), 1) << "without forget only the list's reference goes";
    kept->forget();
    EXPECT_EQ(alive, 1);

    // The same background set twice on its only holder survives.
    const std::vector<uint8_t> png = pngtest::encodeHeaderOnly(2, 2);
    const resources::BuiltInResource table[] = {{910, "PNG", "910", png.data(), png.data() + png.size()},
                                                {0, nullptr, nullptr, nullptr, nullptr}};
    resources::ScopedExtraTable extra(table);
    CBitmap* bitmap = new CBitmap(910);
    stranger->setBackground(bitmap);
    bitmap->forget();
    EXPECT_EQ(bitmap->getNbReference(), 1);
    stranger->setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 1) << "remembered before the old one was forgotten";
    EXPECT_EQ(stranger->getBackground()->getWidth(), 2);
    stranger->forget();
    EXPECT_EQ(alive, 0);

    Probe* late = new Probe(CRect(0, 0, 5, 5), "late", log, &alive);
    frame->addView(late);
    frame->forget();
    EXPECT_EQ(alive, 0) << "a container releases its children";
}

TEST(GuiViews, FocusWalksForwardBackwardAndIntoContainers) {
    std::vector<std::string> log;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    Probe* a = new Probe(CRect(0, 0, 5, 5), "a", log);
    Probe* plain = new Probe(CRect(0, 0, 5, 5), "plain", log);
    CViewContainer* box = new CViewContainer(CRect(10, 10, 50, 50), frame);
    Probe* inner = new Probe(CRect(0, 0, 5, 5), "inner", log);
    Probe* z = new Probe(CRect(0, 0, 5, 5), "z", log);
    a->setWantsFocus(true);
    inner->setWantsFocus(true);
    z->setWantsFocus(true);
    box->addView(inner);
    for (CView* v : {static_cast<CView*>(a), static_cast<CView*>(plain), static_cast<CView*>(box), static_cast<CView*>(z)})
        frame->addView(v);

    EXPECT_TRUE(frame->advanceNextFocusView(nullptr));
    EXPECT_EQ(frame->getFocusView(), a);
    EXPECT_TRUE(frame->advanceNextFocusView(a));
    EXPECT_EQ(frame->getFocusView(), inner) << "past a view that wants no focus, into the container";
    EXPECT_TRUE(frame->advanceNextFocusView(box));
    EXPECT_EQ(frame->getFocusView(), z);
    EXPECT_FALSE(frame->advanceNextFocusView(z)) << "the walk ends after the last";
    EXPECT_TRUE(frame->advanceNextFocusView(nullptr, true));
    EXPECT_EQ(frame->getFocusView(), z) << "reverse starts from the last";
    EXPECT_TRUE(frame->advanceNextFocusView(z, true));
    EXPECT_EQ(frame->getFocusView(), inner);
    EXPECT_NE(std::find(log.begin(), log.end(), "a loose"), log.end()) << "the old focus was told";
    frame->forget();
}

TEST(GuiViews, DragAndDropFollowTheChildUnderThePoint) {
    std::vector<std::string> log;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    Probe* left = new Probe(CRect(0, 0, 40, 40), "left", log);
    Probe* right = new Probe(CRect(60, 0, 100, 40), "right", log);
    frame->addView(left);
    frame->addView(right);
    CDrawContext* c = new CDrawContext(frame, nullptr);
    frame->onDragEnter(c, nullptr, CPoint(10, 10));
    frame->onDragMove(c, nullptr, CPoint(20, 10));
    frame->onDragMove(c, nullptr, CPoint(70, 10));
    EXPECT_TRUE(frame->onDrop(c, nullptr, CPoint(70, 10)));
    EXPECT_EQ(log, (std::vector<std::string>{"left enter", "left move", "left leave", "right enter", "right drop",
                                             "right leave"}));
    log.clear();
    EXPECT_FALSE(frame->onDrop(c, nullptr, CPoint(50, 80))) << "no child: false";
    EXPECT_TRUE(log.empty());
    frame->onDragLeave(c, nullptr, CPoint(50, 80));
    EXPECT_TRUE(log.empty()) << "and no current drag view was left behind";

    CViewContainer* loose = new CViewContainer(CRect(0, 0, 10, 10), nullptr);
    loose->addView(new Probe(CRect(0, 0, 10, 10), "orphan", log));
    EXPECT_FALSE(loose->onDrop(c, nullptr, CPoint(5, 5))) << "without a frame drops are ignored";
    EXPECT_TRUE(log.empty());
    loose->forget();
    c->forget();
    frame->forget();
}

TEST(GuiViews, OffscreenAndTransparentContainersShowWhatLiesUnderneath) {
    std::vector<std::string> log;
    PixelBuffer screen(30, 30);
    CFrame* frame = new CFrame(CRect(0, 0, 30, 30), nullptr);
    frame->setBackgroundColor(kGreenCColor);
    CViewContainer* glass = new CViewContainer(CRect(10, 10, 30, 30), frame);
    glass->useOffscreen(true);
    glass->setTransparency(true);
    frame->addView(glass);
    Probe* dot = new Probe(CRect(5, 5, 6, 6), "dot", log);
    glass->addView(dot);
    CDrawContext* c = new CDrawContext(frame, &screen);
    frame->draw(c);
    c->forget();
    EXPECT_EQ(screen.at(12, 12), 0xFF00FF00u) << "the frame's colour through the transparent container";
    EXPECT_EQ(screen.at(15, 15), 0xFFFF0000u) << "the child through the off-screen buffer";
    ASSERT_NE(glass->getOffscreen(), nullptr);
    glass->useOffscreen(false);
    EXPECT_EQ(glass->getOffscreen(), nullptr);
    frame->forget();
}

} // namespace
