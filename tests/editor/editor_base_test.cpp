// The instrument's editor on the toolkit's editor base, on a headless window
// whose clock the test holds: a held knob sleeps between polls, idles the
// host and sends no pixels; a drag ends at once when the window is lost from
// under it; a close from inside the host's callbacks waits until the drag
// unwinds; keys reach the plug-in's commands before the frame on both roads.
#include "EditorFixture.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/sdk/EditorSnapshot.h"
#include "gui/CFrame.h"
#include "gui/CTextEdit.h"

namespace {

using editortest::EditorTest;
using os::HeadlessWindow;

constexpr int kKnob0X = 74, kKnob0Y = 36;
constexpr uint64_t kWholeFrame = 724u * 160u;

// Runs script on every pump with the virtual time since the call.
void onPumpSince(HeadlessWindow& window, std::function<void(HeadlessWindow&, uint32_t)> script) {
    const uint32_t start = window.nowMs();
    window.onPump([start, script](HeadlessWindow& w) { script(w, w.nowMs() - start); });
}

size_t count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// The plug-in with its editor's key commands (code 5 down, 6 up) and its
// idle calls recorded; its editor on a headless window.
class ProbeSynth : public Zendrix_c {
public:
    ProbeSynth() : Zendrix_c(&editortest::HostLog::callback, &editor::ZendrixEditor_c::make) {
        dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        auto owned = std::make_unique<HeadlessWindow>(724, 160);
        window = owned.get();
        editor = static_cast<editor::ZendrixEditor_c*>(getEditor());
        if (!editor->openInWindow(std::move(owned))) window = nullptr;
    }
    bool handleCommand(int32_t code, int32_t a, int32_t b, intptr_t p) override {
        if (code == 5 || code == 6) keys.push_back(std::to_string(code) + " " + std::to_string(b % 256));
        const bool taken = Zendrix_c::handleCommand(code, a, b, p);
        if (code == 5 && taken) ++stepped;
        return taken;
    }
    VstInt32 fxIdle() override {
        ++idles;
        return Zendrix_c::fxIdle();
    }
    editor::ZendrixEditor_c* editor = nullptr;
    HeadlessWindow* window = nullptr;   // owned by the editor while open
    std::vector<std::string> keys;
    int stepped = 0;
    int idles = 0;
};

TEST_F(EditorTest, AHeldKnobSleepsIdlesTheHostAndThePlugInAndSendsNoPixelsUntilItMoves) {
    ProbeSynth synth;
    HeadlessWindow* window = synth.window;
    ASSERT_NE(window, nullptr);
    synth.editor->idle();
    log.take();
    const float before = synth.getParameter(0);
    const int pluginIdlesBefore = synth.idles;
    const uint64_t shownBefore = window->presentedPixels();
    // Held still for 1 s, then moved 24 px down, then released (a loop that
    // never sleeps gets the release after 5000 polls, and fails below).
    onPumpSince(*window, [moved = false, released = false](HeadlessWindow& w, uint32_t ms) mutable {
        const bool spinning = w.pumps() > 5000;
        if ((ms >= 1000 || spinning) && !moved) {
            moved = true;
            w.injectMove(kKnob0X, kKnob0Y + 24);
        }
        if ((ms >= 1200 || spinning) && !released) {
            released = true;
            w.injectRelease(kKnob0X, kKnob0Y + 24, os::kMouseLeft);
        }
    });
    window->injectPress(kKnob0X, kKnob0Y, os::kMouseLeft);
    const uint32_t start = window->nowMs();
    synth.editor->idle();
    window->onPump(nullptr);
    const uint32_t elapsed = window->nowMs() - start;

    // The loop slept on the clock (4 ms a poll) and idled the host and the
    // plug-in (its idle commands: a program change by MIDI, say) at least
    // every 100 ms; the polls numbered about one per 4 ms, not thousands.
    EXPECT_GE(elapsed, 1200u);
    EXPECT_LT(elapsed, 1400u);
    EXPECT_GE(log.idles.load(), static_cast<int>(elapsed / 100));
    EXPECT_GE(synth.idles - pluginIdlesBefore - 1, static_cast<int>(elapsed / 100));
    EXPECT_LE(window->pumps(), static_cast<int>(elapsed / 4 + elapsed / 40) + 10);
    // Still: nothing was sent; the move drew the knob's square, once: the
    // frame after the press and that square, not a frame per poll.
    const uint64_t shown = window->presentedPixels() - shownBefore;
    EXPECT_GE(shown, kWholeFrame + 25u * 25u);
    EXPECT_LE(shown, kWholeFrame + 4u * 25u * 25u);
    EXPECT_NE(synth.getParameter(0), before);
    const std::vector<std::string> brackets = {"beginEdit 0", "endEdit 0"};
    EXPECT_EQ(log.take(), brackets);
}

TEST_F(EditorTest, ADragEndsAtOnceWhenTheWindowIsLostFromUnderIt) {
    const struct {
        const char* loss;
        std::function<void(HeadlessWindow&)> happen;   // none: the positive control
        bool closes;                                   // the editor closes with its window
    } cases[] = {
        {"none (released at 1 s)", nullptr, false},
        {"window hidden", [](HeadlessWindow& w) { w.injectHidden(true); }, false},
        {"keyboard focus lost", [](HeadlessWindow& w) { w.injectFocus(false); }, false},
        // The host unmapped its parent, or the release went elsewhere: only
        // the server knows the button is free.
        {"server says released", [](HeadlessWindow& w) { w.serverReports(0); }, false},
        {"parent destroyed", [](HeadlessWindow& w) { w.injectParentDestroyed(); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loss);
        HeadlessWindow* window = openHeadless();
        ASSERT_NE(window, nullptr);
        editor->idle();
        log.take();
        // The window goes with the editor when the parent does: the time is kept here.
        uint32_t elapsed = 0;
        onPumpSince(*window, [&c, &elapsed, lost = false, released = false](HeadlessWindow& w, uint32_t ms) mutable {
            elapsed = ms;
            if (c.happen && !lost && ms >= 300) {
                lost = true;
                c.happen(w);
            }
            // The control's release at 1 s; a drag that outlives its window
            // gets one at 2 s, and fails below.
            if (!released && ms >= (c.happen ? 2000u : 1000u)) {
                released = true;
                w.injectRelease(kKnob0X, kKnob0Y, os::kMouseLeft);
            }
        });
        window->injectPress(kKnob0X, kKnob0Y, os::kMouseLeft);
        editor->idle();
        const std::vector<std::string> brackets = {"beginEdit 0", "endEdit 0"};
        EXPECT_EQ(log.take(), brackets);
        if (!c.happen) {
            EXPECT_GE(elapsed, 1000u);
        } else {
            EXPECT_GE(elapsed, 300u);
            EXPECT_LT(elapsed, 300u + HeadlessWindow::kPointerDoubtMs + 20u);
        }
        // The host's window gone, the editor closed itself quietly; else the
        // next click works (the server in step again).
        EXPECT_EQ(editor->isOpen(), !c.closes);
        if (!c.closes) {
            window->onPump(nullptr);
            window->serverReports(-1);
            window->injectClick(kKnob0X, kKnob0Y);
            editor->idle();
            EXPECT_EQ(log.take(), brackets);
        }
        plugin->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(EditorTest, AHostClosingTheEditorFromItsCallbacksDuringADragClosesItOnceTheDragUnwound) {
    constexpr VstInt32 kNever = -1;   // the positive control
    for (const VstInt32 closeIn : {kNever, VstInt32{audioMasterAutomate}, VstInt32{audioMasterIdle}}) {
        SCOPED_TRACE(closeIn);
        HeadlessWindow* window = openHeadless();
        ASSERT_NE(window, nullptr);
        editor->idle();
        log.take();
        AEffect* effect = plugin->getAeffect();
        int closes = 0;
        log.onCall = [&](VstInt32 opcode) {
            if (opcode != closeIn || closes++) return;
            effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
            // Asked during the drag: the editor stays whole until it unwinds.
            EXPECT_TRUE(editor->isOpen());
            EXPECT_NE(editor->controlOf(0), nullptr);
        };
        onPumpSince(*window, [](HeadlessWindow& w, uint32_t ms) {
            if (ms >= 8 && ms < 400) w.injectMove(kKnob0X, kKnob0Y + static_cast<int>(ms / 8));
            if (ms >= 400) w.injectRelease(kKnob0X, kKnob0Y + 50, os::kMouseLeft);
        });
        window->injectPress(kKnob0X, kKnob0Y, os::kMouseLeft);
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        log.onCall = nullptr;
        // The gesture was closed for the host either way; then the editor.
        const std::vector<std::string> lines = log.take();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "endEdit 0");
        EXPECT_EQ(count(lines, "beginEdit 0"), 1u);
        EXPECT_EQ(closes, closeIn != kNever ? 1 : 0);
        EXPECT_EQ(editor->isOpen(), closeIn == kNever);
        EXPECT_EQ(VSTGUI::CFrame::frameCount(), closeIn != kNever ? 0 : 1);
        // Later calls reach nothing, and the editor opens again whole.
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        ASSERT_NE(openHeadless(), nullptr);
        EXPECT_NE(editor->controlOf(0), nullptr);
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(EditorTest, KeysReachTheProgramCommandsFirstOnBothRoadsThenTheFrame) {
    ProbeSynth synth;
    editor::ZendrixEditor_c* ed = synth.editor;
    HeadlessWindow* window = synth.window;
    ASSERT_NE(window, nullptr);
    constexpr uint8_t kRight = 13, kTab = 2;

    // Typed into the editor's own window: the arrow is the plug-in's.
    window->injectKey(os::WindowKey::Right);
    ed->idle();
    EXPECT_EQ(synth.keys, (std::vector<std::string>{"5 13", "6 13"}));
    EXPECT_EQ(synth.stepped, 1);
    // Passed on by the host: the same; a key the plug-in leaves goes to the
    // frame, where Tab on the back page moves the focus to the version field.
    synth.keys.clear();
    EXPECT_EQ(synth.dispatcher(effEditKeyDown, 0, kRight, nullptr, 0.0f), 1);
    EXPECT_EQ(synth.stepped, 2);
    EXPECT_EQ(synth.dispatcher(effEditKeyDown, 0, kTab, nullptr, 0.0f), 0);   // the main page: nothing wants it
    ed->swapFrames();
    EXPECT_EQ(synth.dispatcher(effEditKeyDown, 0, kTab, nullptr, 0.0f), 1);
    ASSERT_NE(ed->getFrame()->getFocusView(), nullptr);
    EXPECT_TRUE(ed->getFrame()->getFocusView()->isTypeOf("CTextEdit"));
    EXPECT_EQ(synth.keys, (std::vector<std::string>{"5 13", "5 2", "5 2"}));

    // While a text field is being typed into, its keys are its own.
    ed->swapFrames();
    auto* field = new VSTGUI::CTextEdit(VSTGUI::CRect(680, 60, 720, 76),
                                        static_cast<VSTGUI::CControlListener*>(ed), 40, "ab");
    ed->mainPage()->addView(field);
    synth.keys.clear();
    window->injectClick(700, 68);
    window->injectKey(os::WindowKey::Right);
    ed->idle();
    ASSERT_TRUE(field->isEditing());
    EXPECT_TRUE(synth.keys.empty());
    EXPECT_EQ(synth.stepped, 2);
    ed->close();
}

TEST_F(EditorTest, ASnapshotOfTheOpenEditorCopiesWhatItsFrameDrew) {
    HeadlessWindow* window = openHeadless();
    ASSERT_NE(window, nullptr);
    editor->idle();
    std::vector<uint32_t> pixels(724u * 160u, 0u);
    EditorSnapshot request{};
    request.size = sizeof request;
    request.pixels = pixels.data();
    request.pixelCapacity = static_cast<int32_t>(pixels.size());
    ASSERT_EQ(plugin->dispatcher(effVendorSpecific, kEditorSnapshotIndex, kEditorSnapshotValue, &request, 0.0f), 1);
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(pixels, editor->backBuffer().pixels());
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), 0u), static_cast<std::ptrdiff_t>(pixels.size()));
}

} // namespace
