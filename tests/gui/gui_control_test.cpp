// The control base: dirty rules, range, the Ctrl-click reset inside an edit
// bracket, and the double click on the frame's clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/CControl.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CFrameEditor.h"
#include "os/window/HeadlessWindow.h"

using namespace VSTGUI;

namespace {

struct EditLog : CFrameEditor, CControlListener {
    std::vector<std::string> calls;
    void beginEdit(int32_t i) override { calls.push_back("begin " + std::to_string(i)); }
    void endEdit(int32_t i) override { calls.push_back("end " + std::to_string(i)); }
    void doIdleStuff() override { calls.push_back("idle"); }
    bool requestSize(int32_t, int32_t) override { return false; }
    void valueChanged(CDrawContext*, CControl* c) override {
        calls.push_back("changed " + std::to_string(c->getTag()) + " " + std::to_string(c->getValue()));
    }
};

class Plain : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext*) override { setDirty(false); }
};

TEST(GuiControl, DirtyRulesAndTheRange) {
    Plain control(CRect(0, 0, 10, 10));
    EXPECT_EQ(control.getValue(), 0.0f);
    EXPECT_EQ(control.getOldValue(), 1.0f);
    EXPECT_EQ(control.getDefaultValue(), 0.5f);
    EXPECT_EQ(control.getMin(), 0.0f);
    EXPECT_EQ(control.getMax(), 1.0f);
    EXPECT_FLOAT_EQ(control.getWheelInc(), 0.1f);
    EXPECT_TRUE(control.isDirty());   // fresh: 0 against 1
    control.setDirty(false);
    EXPECT_FALSE(control.isDirty());  // positive control for the cases below
    control.setDirty(true);
    EXPECT_TRUE(control.isDirty());
    control.setValue(-1.0f);
    control.setDirty(false);
    control.setDirty(true);
    EXPECT_EQ(control.getOldValue(), 0.0f);   // -1 cannot mark -1 dirty
    EXPECT_TRUE(control.isDirty());

    const struct {
        float value, bounced;
    } rows[] = {{1.5f, 1.0f}, {-0.5f, 0.0f}, {0.25f, 0.25f}, {1.0f, 1.0f}};
    for (const auto& row : rows) {
        control.setValue(row.value);
        control.bounceValue();
        EXPECT_EQ(control.getValue(), row.bounced) << row.value;
    }
}

TEST(GuiControl, CtrlLeftClickResetsToTheDefaultInsideAnEditBracketOnlyForThatExactCombination) {
    EditLog log;
    CFrame* frame = new CFrame(CRect(0, 0, 50, 50), &log);
    Plain* control = new Plain(CRect(0, 0, 10, 10), &log, 7);
    frame->addView(control);
    const struct {
        int32_t buttons;
        float value;
        bool handled;
        std::vector<std::string> calls;
    } rows[] = {
        {kLButton | kControl, 0.9f, true, {"begin 7", "changed 7 0.500000", "end 7"}},
        // Already at the default: bracketed, but no change reported.
        {kLButton | kControl, 0.5f, true, {"begin 7", "end 7"}},
        {kLButton, 0.9f, false, {}},
        {kControl, 0.9f, false, {}},
        {kLButton | kControl | kShift, 0.9f, false, {}},
        {kRButton | kControl, 0.9f, false, {}},
    };
    for (const auto& row : rows) {
        log.calls.clear();
        frame->setFocusView(nullptr);
        control->setValue(row.value);
        control->setDirty(false);
        EXPECT_EQ(control->checkDefaultValue(nullptr, row.buttons), row.handled) << row.buttons;
        EXPECT_EQ(log.calls, row.calls) << row.buttons;
        EXPECT_EQ(control->getValue(), row.handled ? 0.5f : row.value);
        // beginEdit makes the control the focus view.
        EXPECT_EQ(frame->getFocusView(), row.handled ? control : nullptr);
    }
    frame->forget();
}

TEST(GuiControl, DoubleClickWithin400MsAndTwoPixelsOnTheFramesClock) {
    // Just below the wrap of the 32-bit clock, so some pairs straddle it.
    auto owned = std::make_unique<os::HeadlessWindow>(50, 50, 0xFFFFFF00u);
    os::HeadlessWindow* window = owned.get();
    CFrame* frame = new CFrame(CRect(0, 0, 50, 50), std::move(owned), nullptr);
    Plain* control = new Plain(CRect(0, 0, 40, 40));
    frame->addView(control);
    const struct {
        unsigned gapMs;
        CPoint second;
        bool isDouble;
    } rows[] = {
        {399, CPoint(12, 12), true}, {400, CPoint(10, 10), false}, {100, CPoint(12, 8), true},
        {100, CPoint(13, 10), false}, {100, CPoint(10, 7), false}, {0, CPoint(10, 10), true},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(control->isDoubleClick(CPoint(10, 10)));
        window->sleepMs(row.gapMs);
        EXPECT_EQ(control->isDoubleClick(row.second), row.isDouble) << row.gapMs << " " << row.second.h;
        // A pair used up, or a click recorded: start every row afresh.
        window->sleepMs(1000);
        control->isDoubleClick(CPoint(-100, -100));
        window->sleepMs(1000);
    }
    // A third quick click after a double click starts a new pair.
    EXPECT_FALSE(control->isDoubleClick(CPoint(5, 5)));
    EXPECT_TRUE(control->isDoubleClick(CPoint(5, 5)));
    EXPECT_FALSE(control->isDoubleClick(CPoint(5, 5)));
    frame->forget();
}

} // namespace
