// Views that leave their container while the frame or a container still
// points at them (the drag under way, the focus, the modal view, the parent
// links of a view kept alive elsewhere): nothing may reach a view after it
// left. Under AddressSanitizer a pointer left behind is a read of freed memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ViewProbe.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

using namespace VSTGUI;
using raster::PixelBuffer;
using viewtest::Probe;

namespace {

size_t countOf(const std::vector<std::string>& log, const std::string& entry) {
    return static_cast<size_t>(std::count(log.begin(), log.end(), entry));
}

// frame → outer (10,10) → inner (10,10) → leaf: the leaf covers frame (20,20)-(40,40).
struct Tree {
    std::vector<std::string> log;
    int alive = 0;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    CViewContainer* outer = new CViewContainer(CRect(10, 10, 90, 90), frame);
    CViewContainer* inner = new CViewContainer(CRect(10, 10, 60, 60), frame);
    Probe* leaf = new Probe(CRect(0, 0, 20, 20), "leaf", log, &alive);

    explicit Tree(bool outerIsModal) {
        inner->addView(leaf);
        outer->addView(inner);
        if (outerIsModal)
            frame->setModalView(outer);
        else
            frame->addView(outer);
    }
    ~Tree() {
        // A modal view is the caller's to forget.
        if (frame->getModalView() == outer) {
            frame->setModalView(nullptr);
            outer->forget();
        }
        frame->forget();
    }
};

const CPoint kOverLeaf(25, 25);
const CPoint kOverLate(95, 95);   // outside the outer container

TEST(GuiViewsLeaving, NothingReachesAViewThatLeft) {
    enum Hold { kDrag, kFocus, kModal };
    struct Removal {
        const char* name;
        bool outerLeaves;
        std::function<void(Tree&)> remove;
    };
    const Removal removals[] = {
        {"the view itself", false, [](Tree& t) { t.inner->removeView(t.leaf); }},
        {"its container", false, [](Tree& t) { t.outer->removeView(t.inner); }},
        {"its container's container", true, [](Tree& t) { t.frame->removeView(t.outer); }},
        {"its container emptied", false, [](Tree& t) { t.inner->removeAll(); }},
        {"the frame emptied", true, [](Tree& t) { t.frame->removeAll(); }},
    };
    for (const Hold hold : {kDrag, kFocus, kModal}) {
        for (const Removal& removal : removals) {
            SCOPED_TRACE(std::string(removal.name) + (hold == kDrag ? ", drag" : hold == kFocus ? ", focus" : ", modal"));
            Tree t(hold == kModal);
            CDrawContext* c = new CDrawContext(t.frame, nullptr);
            if (hold == kDrag) t.frame->onDragEnter(c, nullptr, kOverLeaf);
            if (hold == kFocus) t.frame->setFocusView(t.leaf);
            ASSERT_EQ(t.log, (std::vector<std::string>(hold == kDrag ? 1 : 0, "leaf enter")));

            removal.remove(t);
            EXPECT_EQ(t.alive, 0);
            EXPECT_EQ(t.frame->getFocusView(), nullptr);
            EXPECT_EQ(countOf(t.log, "leaf loose"), hold == kFocus ? 1u : 0u) << "the focus is lost as it leaves";
            const bool modalStays = hold == kModal && !removal.outerLeaves;
            EXPECT_EQ(t.frame->getModalView(), modalStays ? t.outer : nullptr);

            // What reached the leaf through a pointer left behind now reaches
            // a newcomer, or nobody while the modal view stays.
            Probe* late = new Probe(CRect(90, 90, 100, 100), "late", t.log);
            late->setWantsFocus(true);
            t.frame->addView(late);
            t.log.clear();
            t.frame->onDragMove(c, nullptr, kOverLeaf);
            t.frame->onDragMove(c, nullptr, kOverLate);
            EXPECT_TRUE(t.frame->onDrop(c, nullptr, kOverLate));
            CPoint click = kOverLate;
            t.frame->mouse(c, click, kLButton);
            t.frame->setFocusView(late);
            VstKeyCode key;
            t.frame->onKeyDown(key);
            std::vector<std::string> expected = {"late enter", "late drop", "late leave"};
            if (!modalStays) expected.push_back("late mouse 95,95 1");
            expected.push_back("late key");
            EXPECT_EQ(t.log, expected);
            c->forget();
        }
    }
}

// Takes itself out of its container when it takes a drop.
class DropAndLeave : public Probe {
public:
    using Probe::Probe;
    bool onDrop(CDrawContext* c, CDragContainer* drag, const CPoint& where) override {
        Probe::onDrop(c, drag, where);
        getParentView()->removeView(this);
        return true;
    }
};

TEST(GuiViewsLeaving, AViewThatLeavesWhileTakingADropIsToldNothingMore) {
    std::vector<std::string> log;
    int alive = 0;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), frame);
    frame->addView(box);
    box->addView(new DropAndLeave(CRect(0, 0, 20, 20), "leaver", log, &alive));
    box->addView(new Probe(CRect(30, 0, 50, 20), "stay", log));
    CDrawContext* c = new CDrawContext(frame, nullptr);
    frame->onDragEnter(c, nullptr, CPoint(5, 5));
    EXPECT_TRUE(frame->onDrop(c, nullptr, CPoint(5, 5)));
    EXPECT_EQ(alive, 0);
    frame->onDragEnter(c, nullptr, CPoint(35, 5));
    EXPECT_TRUE(frame->onDrop(c, nullptr, CPoint(35, 5)));
    EXPECT_EQ(log, (std::vector<std::string>{"leaver enter", "leaver drop", "stay enter", "stay drop", "stay leave"}));
    c->forget();
    frame->forget();
}

TEST(GuiViewsLeaving, AContainerTakenOutMidDragStartsTheNextDragAfresh) {
    std::vector<std::string> log;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), frame);
    frame->addView(box);
    box->addView(new Probe(CRect(0, 0, 20, 20), "leaf", log));
    CDrawContext* c = new CDrawContext(frame, nullptr);
    frame->onDragEnter(c, nullptr, CPoint(5, 5));
    frame->removeView(box, false);   // a page swapped out mid-drag, kept
    frame->addView(box);
    frame->onDragEnter(c, nullptr, CPoint(40, 40));
    frame->onDragMove(c, nullptr, CPoint(5, 5));
    EXPECT_EQ(log, (std::vector<std::string>{"leaf enter", "leaf enter"})) << "no leave from the drag that ended";
    c->forget();
    frame->forget();
}

TEST(GuiViewsLeaving, AContainerUpdatedWithoutAContextDrawsThroughTheFrame) {
    struct Case {
        const char* name;
        bool nested, transparent;
        int32_t mode;
    };
    const Case cases[] = {
        {"a page of the frame", false, false, 1},
        {"nested in a page", true, false, 1},
        {"nested and transparent", true, true, 1},
        {"nested, redrawn whole", true, false, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::string> log;
        PixelBuffer screen(60, 60);
        CFrame* frame = new CFrame(CRect(0, 0, 60, 60), nullptr);
        frame->setBackBuffer(&screen);
        CViewContainer* page = new CViewContainer(CRect(5, 5, 55, 55), frame);
        frame->addView(page);
        CViewContainer* box = page;
        if (k.nested) {
            box = new CViewContainer(CRect(10, 10, 40, 40), frame);
            page->addView(box);
        }
        box->setTransparency(k.transparent);
        box->setMode(k.mode);
        Probe* leaf = new Probe(CRect(2, 2, 8, 8), "leaf", log);
        leaf->colour = kBlueCColor;
        box->addView(leaf);
        for (CViewContainer* v : {static_cast<CViewContainer*>(frame), page, box}) v->setDirty(false);
        CPoint at(4, 4);
        leaf->localToFrame(at);
        EXPECT_NE(screen.at(at.h, at.v), 0xFF0000FFu);

        box->update(nullptr);
        EXPECT_EQ(screen.at(at.h, at.v), 0xFF0000FFu);
        EXPECT_FALSE(box->isDirty());
        frame->forget();
    }
}

TEST(GuiViewsLeaving, AViewKeptAliveForgetsTheContainerItLeft) {
    std::vector<std::string> log;
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr);
    CViewContainer* box = new CViewContainer(CRect(10, 10, 60, 60), frame);
    frame->addView(box);
    Probe* kept = new Probe(CRect(0, 0, 5, 5), "kept", log);
    box->addView(kept);
    kept->remember();   // as a menu holds itself while its popup runs
    CPoint at(1, 1);
    EXPECT_EQ(kept->localToFrame(at), CPoint(11, 11));

    frame->removeView(box);
    at = CPoint(1, 1);
    EXPECT_EQ(kept->localToFrame(at), CPoint(1, 1));
    EXPECT_EQ(kept->getParentView(), nullptr);
    EXPECT_EQ(kept->getFrame(), frame) << "an edit it began still ends in its frame";
    kept->forget();
    frame->forget();
}

} // namespace
