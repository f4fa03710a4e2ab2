// Held buttons on the editor's clock (the headless window's, held by the test): Alt-click steps a
// knob every 200 ms up or down by where it was clicked, and a repeating
// command area fires at once, after 480 ms, then 40 ms sooner each time down
// to 200 ms.
#include "EditorFixture.h"

#include <vector>

namespace {

using editortest::EditorTest;

// Releases the button once the window's clock has run holdMs since the press.
void releaseAfter(os::HeadlessWindow& window, int x, int y, uint32_t holdMs) {
    const uint32_t pressed = window.nowMs();
    window.onPump([=, done = false](os::HeadlessWindow& w) mutable {
        if (!done && w.nowMs() - pressed >= holdMs) {
            done = true;
            w.injectRelease(x, y, os::kMouseLeft);
        }
    });
}

TEST_F(EditorTest, AltClickStepsEvery200MsUpAboveTheMiddleElseDown) {
    os::HeadlessWindow* window = openHeadless();
    ASSERT_NE(window, nullptr);
    // One step of "Timbre Range" as the plug-in takes it.
    plugin->setParameter(0, 0.0f);
    plugin->stepParameter(0, true);
    const float step = plugin->getParameter(0);
    ASSERT_GT(step, 0.0f);
    const struct { int y; int steps; } cases[] = {{28, 5}, {37, -5}, {47, -5}};  // top, exact middle, bottom
    for (const auto& c : cases) {
        const float start = c.steps > 0 ? 0.0f : 1.0f;
        plugin->setParameter(0, start);
        editor->idle();
        window->injectPress(74, c.y, os::kMouseLeft, os::kMouseAlt);
        releaseAfter(*window, 74, c.y, 1000);
        editor->idle();
        window->onPump(nullptr);
        EXPECT_NEAR(plugin->getParameter(0), start + c.steps * step, 1e-5) << "y " << c.y;
    }
}

TEST_F(EditorTest, TheWheelStepsKnobsTurnsPagesAndLeavesCommandAreasAlone) {
    os::HeadlessWindow* window = openHeadless();
    ASSERT_NE(window, nullptr);
    plugin->setParameter(0, 0.0f);
    plugin->stepParameter(0, true);
    const float step = plugin->getParameter(0);
    plugin->setParameter(0, 0.0f);
    editor->idle();
    log.take();
    window->injectWheel(74, 36, 1.0f);
    editor->idle();
    EXPECT_NEAR(plugin->getParameter(0), step, 1e-6);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"beginEdit 0", "endEdit 0"}));
    window->injectWheel(74, 36, -1.0f);
    editor->idle();
    EXPECT_NEAR(plugin->getParameter(0), 0.0f, 1e-6);
    log.take();
    // A command area (kind 0) takes the wheel and does nothing.
    window->injectWheel(620, 108, 1.0f);
    editor->idle();
    EXPECT_TRUE(log.take().empty());
    // Over the swap bar it turns the page.
    window->injectWheel(100, 145, 1.0f);
    editor->idle();
    EXPECT_TRUE(editor->backShown());
}

// The plug-in with its command entry recorded on the editor's clock.
class CommandLog : public Zendrix_c {
public:
    CommandLog() : Zendrix_c(&editortest::HostLog::callback, &editor::ZendrixEditor_c::make) {}
    bool handleCommand(int32_t code, int32_t a, int32_t b, intptr_t p) override {
        if (code == 77 && clock) times.push_back(clock());
        return Zendrix_c::handleCommand(code, a, b, p);
    }
    std::function<uint32_t()> clock;
    std::vector<uint32_t> times;
};

TEST_F(EditorTest, HeldCommandAreaRepeatsSoonerEachTimeDownTo200Ms) {
    CommandLog synth;
    synth.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
    auto* ed = static_cast<editor::ZendrixEditor_c*>(synth.getEditor());
    auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
    os::HeadlessWindow* window = owned.get();
    ASSERT_TRUE(ed->openInWindow(std::move(owned)));
    synth.clock = [window] { return window->nowMs(); };
    // A repeating area of its own in a free corner of the main page.
    ed->mainPage()->addView(new editor::CTouchAreaPl(VSTGUI::CRect(700, 2, 720, 20), ed, 29, &synth, 77, 0, 0, true));
    const uint32_t pressed = window->nowMs();
    window->injectPress(710, 10, os::kMouseLeft);
    releaseAfter(*window, 710, 10, 4000);
    ed->idle();
    window->onPump(nullptr);
    ASSERT_GE(synth.times.size(), 10u);
    EXPECT_EQ(synth.times[0] - pressed, 0u);
    const uint32_t gaps[] = {480, 440, 400, 360, 320, 280, 240, 200, 200};
    for (size_t i = 0; i < std::size(gaps); ++i) EXPECT_EQ(synth.times[i + 1] - synth.times[i], gaps[i]) << i;
    // Released: nothing more.
    const size_t fired = synth.times.size();
    ed->idle();
    EXPECT_EQ(synth.times.size(), fired);
    ed->close();
}

} // namespace
