// The instrument's editor over the real plug-in object: made with the
// plug-in, open before any audio, bound to its parameters, redrawn from
// every thread's changes, and worked with the mouse on a headless window.
#include "EditorFixture.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "framework/model/CurveMapping.h"
#include "framework/model/Parameter_c.h"

namespace {

using editortest::EditorTest;

constexpr int kKnob0X = 74, kKnob0Y = 36;

TEST_F(EditorTest, MadeWithThePluginAndOpensBeforeAnyAudio) {
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(plugin->getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 724);
    EXPECT_EQ(rect->bottom - rect->top, 160);
    EXPECT_FALSE(plugin->isReady());  // no process call yet
    // A host's open without a parent window fails and creates nothing.
    EXPECT_EQ(plugin->dispatcher(effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(editor->isOpen());
    ASSERT_NE(openHeadless(), nullptr);
    EXPECT_TRUE(editor->isOpen());
    EXPECT_NE(editor->controlOf(0), nullptr);
    // The knob mode applies before any audio too: mode 2 is linear, 5 acts as 2, -1 as 0.
    EXPECT_EQ(plugin->dispatcher(effSetEditKnobMode, 0, 5, nullptr, 0.0f), 1);
    EXPECT_FALSE(editor->controlOf(0)->circular());
    EXPECT_EQ(plugin->dispatcher(effSetEditKnobMode, 0, -1, nullptr, 0.0f), 1);
    EXPECT_TRUE(editor->controlOf(0)->circular());
    plugin->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(editor->controlOf(0), nullptr);
}

TEST_F(EditorTest, BindingsReadRangeDefaultAndCurveAndShowTexts) {
    ASSERT_NE(openHeadless(), nullptr);
    int checked = 0;
    for (int32_t i = 0; i < editor::ZendrixEditor_c::kControls; ++i) {
        editor::Edit& e = editor->edit(i);
        const Parameter_c* p = plugin->findParameter(i);
        if (e.kind() != editor::Edit::kBoundControl || !p || !p->descriptor()) continue;
        const ParamDesc& d = *p->descriptor();
        EXPECT_EQ(e.minimum(), d.min) << i;
        EXPECT_EQ(e.maximum(), d.max) << i;
        EXPECT_EQ(e.defaultValue(), d.defaultValue) << i;
        EXPECT_EQ(e.curve(), d.curve) << i;
        // The control's default is the parameter's default through the curve.
        EXPECT_NEAR(e.control()->getDefaultValue(), normalizedPosition(d, d.defaultValue), 1e-6) << i;
        // The knob shows the plug-in's value and text.
        EXPECT_NEAR(e.control()->shownValue(), plugin->getParameter(i), 1e-6) << i;
        char text[320];
        plugin->getParameterText(i, text, 319);
        EXPECT_STREQ(e.text(), text) << i;
        ++checked;
    }
    EXPECT_GE(checked, 20);
    // An empty range gives 0.5 before the curve; an index without a parameter shows "- - -".
    EXPECT_FLOAT_EQ(editor::controlDefault(3, 3, 3, 0.0f), 0.5f);
    EXPECT_NEAR(editor::controlDefault(0, 10, 5, 2.0f), std::log(1.0 + 0.5 * (std::exp(2.0) - 1.0)) / 2.0, 1e-6);
    editor::Edit unbound;
    unbound.updateText(0.7f);
    EXPECT_STREQ(unbound.text(), "- - -");
}

TEST_F(EditorTest, KnobDrawsTheStripImageOfItsValue) {
    ASSERT_NE(openHeadless(), nullptr);
    const struct { float value; int image; } cases[] = {{0.0f, 0}, {0.5f, 27}, {1.0f, 54}};
    for (const auto& c : cases) {
        plugin->setParameter(0, c.value);
        editor->idle();
        ASSERT_NEAR(plugin->getParameter(0), c.value, 1e-6);
        EXPECT_TRUE(showsImage(62, 25, c.image)) << c.value;
        EXPECT_FALSE(showsImage(62, 25, c.image == 0 ? 1 : c.image - 1)) << c.value;
    }
    // Out of range values never read outside the strip.
    auto* knob = static_cast<editor::CMIKnob*>(editor->controlOf(0));
    EXPECT_EQ(knob->imageIndex(-3.0f), 0);
    EXPECT_EQ(knob->imageIndex(7.0f), 54);
    EXPECT_EQ(knob->imageOffset(54).h, 4 * 25);
    EXPECT_EQ(knob->imageOffset(54).v, 10 * 25);
}

TEST_F(EditorTest, ChangesFromAnyThreadAreDrawnAtIdleOnlyAndAFullRefreshOnce) {
    ASSERT_NE(openHeadless(), nullptr);
    plugin->setParameter(0, 0.0f);
    editor->idle();
    ASSERT_TRUE(showsImage(62, 25, 0));
    const uint64_t updates = editor->controlUpdateCount(), full = editor->fullRefreshCount();
    // Another thread (automation, audio): marks only, draws nothing.
    std::thread other([&] {
        for (int32_t i = 0; i < 3; ++i) plugin->setParameter(i, 0.25f);
    });
    other.join();
    EXPECT_EQ(editor->controlUpdateCount(), updates);
    EXPECT_TRUE(showsImage(62, 25, 0)) << "drawn on the wrong thread";
    editor->idle();
    EXPECT_EQ(editor->fullRefreshCount(), full);
    EXPECT_GE(editor->controlUpdateCount(), updates + 3);
    EXPECT_FALSE(showsImage(62, 25, 0));
    // Every control changed at once still costs single updates (44 < 65) ...
    for (int32_t i = 0; i < editor::ZendrixEditor_c::kControls; ++i) editor->parameterChanged(i, false);
    editor->idle();
    EXPECT_EQ(editor->fullRefreshCount(), full);
    // ... a program load asks for everything: one full redraw.
    plugin->editorRefreshAll();
    plugin->editorRefreshAll();
    editor->idle();
    EXPECT_EQ(editor->fullRefreshCount(), full + 1);
    editor->idle();
    EXPECT_EQ(editor->fullRefreshCount(), full + 1);
}

TEST_F(EditorTest, InFruityOneChangeRedrawsEverything) {
    // Positive control: elsewhere one change is one update.
    ASSERT_NE(openHeadless(), nullptr);
    const uint64_t full = editor->fullRefreshCount();
    plugin->setParameter(3, 0.5f);
    editor->idle();
    editor->idle();
    EXPECT_EQ(editor->fullRefreshCount(), full);
    editor->close();

    log.product = "Fruity Wrapper";
    auto fruity = std::make_unique<Zendrix_c>(&editortest::HostLog::callback, &editor::ZendrixEditor_c::make);
    ASSERT_EQ(fruity->getHostId(), HostId::Fruity);
    auto* fruityEditor = static_cast<editor::ZendrixEditor_c*>(fruity->getEditor());
    ASSERT_TRUE(fruityEditor->openInWindow(std::make_unique<os::HeadlessWindow>(724, 160)));
    const uint64_t before = fruityEditor->fullRefreshCount();
    fruity->setParameter(3, 0.5f);
    fruityEditor->idle();  // draws the change, which asks for everything ...
    fruityEditor->idle();  // ... drawn here, once
    fruityEditor->idle();
    EXPECT_EQ(fruityEditor->fullRefreshCount(), before + 1);
}

TEST_F(EditorTest, ClosingAndUnloadingDoNotSleep) {
    // Unloading used to sleep 250 ms per editor: a host scanning plug-ins paid it each time.
    ASSERT_NE(openHeadless(), nullptr);
    editor->idle();
    const auto start = std::chrono::steady_clock::now();
    plugin.reset();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 200.0);
    // The shared skins go with the last editor.
    EXPECT_EQ(editor::SynthEditor_c::liveEditors(), 0);
}

TEST_F(EditorTest, AChangeWhileClosedShowsOnReopen) {
    ASSERT_NE(openHeadless(), nullptr);
    plugin->setParameter(0, 0.0f);
    editor->idle();
    EXPECT_TRUE(showsImage(62, 25, 0));
    editor->close();
    plugin->setParameter(0, 1.0f);
    ASSERT_NE(openHeadless(), nullptr);
    EXPECT_TRUE(showsImage(62, 25, 54));
}

TEST_F(EditorTest, DragsResetAndPageSwapsWithTheMouse) {
    os::HeadlessWindow* window = openHeadless();
    ASSERT_NE(window, nullptr);
    editor->setKnobMode(2);  // linear drags
    const float defaultValue = editor->controlOf(0)->getDefaultValue();
    const struct { int modifiers; float expected; } drags[] = {{0, 0.5f}, {os::kMouseShift, 0.05f}};
    for (const auto& d : drags) {
        // What the parameter's steps make of the value the drag reaches.
        plugin->setParameter(0, d.expected);
        const float stored = plugin->getParameter(0);
        plugin->setParameter(0, 0.0f);
        editor->idle();
        log.take();
        window->injectPress(kKnob0X, kKnob0Y, os::kMouseLeft, d.modifiers);
        window->injectMove(kKnob0X, kKnob0Y - 120, os::kMouseLeft | d.modifiers);
        window->injectRelease(kKnob0X, kKnob0Y - 120, os::kMouseLeft, d.modifiers);
        editor->idle();
        EXPECT_NEAR(d.expected, stored, 1.0 / 60) << "the parameter's steps are finer than this";
        EXPECT_FLOAT_EQ(plugin->getParameter(0), stored) << d.modifiers;
        EXPECT_EQ(log.take(), (std::vector<std::string>{"beginEdit 0", "endEdit 0"}));
    }
    // Ctrl-click: back to the default.
    window->injectClick(kKnob0X, kKnob0Y, os::kMouseLeft, os::kMouseControl);
    editor->idle();
    EXPECT_NEAR(plugin->getParameter(0), defaultValue, 1.0 / 240);
    EXPECT_NE(defaultValue, 0.05f);

    // The swap bar shows the back page, its header the main page; never a resize.
    EXPECT_FALSE(editor->backShown());
    window->injectClick(100, 145);
    editor->idle();
    EXPECT_TRUE(editor->backShown());
    window->injectClick(300, 20);
    editor->idle();
    EXPECT_FALSE(editor->backShown());
    for (const std::string& line : log.take()) EXPECT_NE(line, "sizeWindow");
}

TEST_F(EditorTest, ControlsGuardAgainstMissingSkinsAndOutOfRangeValues) {
    // A radio row without its skin has cells of width 0: the value stays.
    editor::CRadioButtonPl radio(VSTGUI::CRect(0, 0, 0, 0), nullptr, 10, 3, 1, 0, nullptr);
    EXPECT_EQ(radio.valueAtPoint(VSTGUI::CPoint(0, 0)), 0.0f);
    editor::CRadioButtonPl row(VSTGUI::CRect(10, 10, 70, 22), nullptr, 10, 3, 1, 0, nullptr);
    EXPECT_FLOAT_EQ(row.valueAtPoint(VSTGUI::CPoint(15, 15)), 0.0f);
    EXPECT_FLOAT_EQ(row.valueAtPoint(VSTGUI::CPoint(35, 15)), 0.5f);
    EXPECT_FLOAT_EQ(row.valueAtPoint(VSTGUI::CPoint(65, 15)), 1.0f);
    // A circular knob never jumps across the gap at the bottom; an endless one wraps.
    editor::CKnobPl knob(VSTGUI::CRect(0, 0, 25, 25), nullptr, 0, nullptr, nullptr, 300.0f, 0.0f);
    knob.setValue(0.95f);
    EXPECT_FLOAT_EQ(knob.circularValue(VSTGUI::CPoint(0, 24)), 0.95f);  // far down-left
    EXPECT_NEAR(knob.circularValue(VSTGUI::CPoint(12, 0)), 0.5f, 0.01f);  // straight up
    editor::CKnobPl endless(VSTGUI::CRect(0, 0, 25, 25), nullptr, 0, nullptr, nullptr, 360.0f, 0.0f);
    endless.setValue(0.95f);
    EXPECT_NE(endless.circularValue(VSTGUI::CPoint(0, 24)), 0.95f);
    // Sub-values: a tag nobody carries changes nothing, 1.3 is stored as 1.
    knob.setSubValue(99, 0.1f);
    EXPECT_FLOAT_EQ(knob.shownValue(), 0.95f);
    knob.setSubValue(0, 1.3f);
    EXPECT_FLOAT_EQ(knob.shownValue(), 1.0f);
    char text[] = "Bank A   ";
    EXPECT_EQ(editor::trimTrailingBlanks(text), 5);
    EXPECT_STREQ(text, "Bank A");
    char blanks[] = "   ";
    EXPECT_EQ(editor::trimTrailingBlanks(blanks), -1);
}

} // namespace
