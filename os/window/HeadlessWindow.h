#pragma once
// A window without a display, for tests: what the owner presents lands on a
// memory screen the test reads; the test injects mouse, wheel, keys, drops
// and the destruction of the parent; the clock is virtual and sleeping
// advances it. The selections are the process's own (shared by every
// headless window, any thread). Same threading contract as EditorWindow.
#include <functional>

#include "os/window/EditorWindow.h"

namespace os {

class HeadlessWindow : public EditorWindow {
public:
    HeadlessWindow(int width, int height, uint32_t startMs = 1000);

    // What has been presented so far (black and opaque at first).
    const PixelSurface& screen() const { return screen_; }
    uint32_t screenPixel(int x, int y) const { return screen_.row(y)[x]; }

    // Injected input, queued in the order of the calls. modifiers: kMouseShift,
    // kMouseControl, kMouseAlt. The held buttons are tracked as X reports them.
    void injectMove(int x, int y, int modifiers = 0);
    void injectPress(int x, int y, int button, int modifiers = 0);
    void injectRelease(int x, int y, int button, int modifiers = 0);
    void injectClick(int x, int y, int button = kMouseLeft, int modifiers = 0);
    void injectWheel(int x, int y, float notches, int modifiers = 0);
    void injectKey(WindowKey key, const std::string& text = std::string(), int modifiers = 0);
    // Enter, move and drop of items at (x, y).
    void injectDrop(int x, int y, std::vector<DropItem> items);
    // The host destroyed the parent window.
    void injectParentDestroyed();
    // The keyboard focus came or went; the window was unmapped or mapped again.
    void injectFocus(bool in);
    void injectHidden(bool hidden);
    // What the server answers when a tracking loop asks for the pointer's
    // buttons: by default the injected ones; 0 as when the host unmapped its
    // parent under a held button, or a release that never arrives; -1
    // follows the injected buttons again.
    void serverReports(int buttons) { serverButtons_ = buttons; }
    int serverAsks() const { return serverAsks_; }
    // Run on every pump (a test's script of what happens while the owner loops).
    void onPump(std::function<void(HeadlessWindow&)> script) { pumpScript_ = std::move(script); }

    void present(const WindowRect& area) override;
    void pump() override;
    void pumpPaintOnly() override;
    void setCursor(CursorShape shape) override { cursor_ = shape; }
    void takeFocus() override { ++focusRequests_; }
    void resize(int width, int height) override {
        EditorWindow::resize(width, height);
        screen_.resize(width, height, 0xFF000000u);
    }
    uint32_t nowMs() override { return clockMs_; }
    void sleepMs(unsigned milliseconds) override { clockMs_ += milliseconds; }
    uint32_t nativeId() const override { return 0; }
    void offerSelection(Selection which, const std::string& utf8) override;
    // Queues a Paste event of the selection's text, when it holds one.
    void requestPaste(Selection which) override;
    // What the process's selection holds now (empty: nothing).
    static std::string selectionText(Selection which);

    CursorShape cursor() const { return cursor_; }
    int pumps() const { return pumps_; }
    int focusRequests() const { return focusRequests_; }
    int paintOnlyPumps() const { return paintOnlyPumps_; }
    // Pixels shown by present so far (what an X window would send).
    uint64_t presentedPixels() const { return presentedPixels_; }
    // Asks for a repaint of the whole window at the next pump of either kind
    // (as an expose would).
    void exposeAll() { exposed_ = true; }

protected:
    int serverButtons() override {
        ++serverAsks_;
        return serverButtons_ >= 0 ? serverButtons_ : heldButtons_;
    }

private:
    void servePaint();

    PixelSurface screen_;
    uint32_t clockMs_;
    int heldButtons_ = 0;
    CursorShape cursor_ = CursorShape::Default;
    int pumps_ = 0;
    int paintOnlyPumps_ = 0;
    int focusRequests_ = 0;
    uint64_t presentedPixels_ = 0;
    int serverButtons_ = -1;
    int serverAsks_ = 0;
    bool exposed_ = false;
    std::function<void(HeadlessWindow&)> pumpScript_;
};

} // namespace os
