#include "os/window/HeadlessWindow.h"

#include <algorithm>
#include <mutex>

namespace os {

namespace {
std::mutex selectionLock;
std::string selectionTexts[2];   // indexed by Selection
} // namespace

HeadlessWindow::HeadlessWindow(int width, int height, uint32_t startMs)
    : EditorWindow(width, height), clockMs_(startMs) {
    screen_.resize(width, height, 0xFF000000u);
}

void HeadlessWindow::injectMove(int x, int y, int modifiers) {
    WindowEvent event;
    event.kind = WindowEventKind::MouseMove;
    event.x = x;
    event.y = y;
    event.buttons = heldButtons_ | (modifiers & kMouseModifierBits);
    queueEvent(event);
}

void HeadlessWindow::injectPress(int x, int y, int button, int modifiers) {
    heldButtons_ |= button & kMouseButtonBits;
    WindowEvent event;
    event.kind = WindowEventKind::MouseDown;
    event.x = x;
    event.y = y;
    event.button = button;
    event.buttons = heldButtons_ | (modifiers & kMouseModifierBits);
    queueEvent(event);
}

void HeadlessWindow::injectRelease(int x, int y, int button, int modifiers) {
    heldButtons_ &= ~button;
    WindowEvent event;
    event.kind = WindowEventKind::MouseUp;
    event.x = x;
    event.y = y;
    event.button = button;
    event.buttons = heldButtons_ | (modifiers & kMouseModifierBits);
    queueEvent(event);
}

void HeadlessWindow::injectClick(int x, int y, int button, int modifiers) {
    injectPress(x, y, button, modifiers);
    injectRelease(x, y, button, modifiers);
}

void HeadlessWindow::injectWheel(int x, int y, float notches, int modifiers) {
    WindowEvent event;
    event.kind = WindowEventKind::Wheel;
    event.x = x;
    event.y = y;
    event.wheel = notches;
    event.buttons = heldButtons_ | (modifiers & kMouseModifierBits);
    queueEvent(event);
}

void HeadlessWindow::injectKey(WindowKey key, const std::string& text, int modifiers) {
    WindowEvent event;
    event.kind = WindowEventKind::KeyDown;
    event.key = key;
    event.text = text;
    event.buttons = heldButtons_ | (modifiers & kMouseModifierBits);
    queueEvent(event);
    event.kind = WindowEventKind::KeyUp;
    queueEvent(event);
}

void HeadlessWindow::injectDrop(int x, int y, std::vector<DropItem> items) {
    WindowEvent event;
    event.x = x;
    event.y = y;
    event.kind = WindowEventKind::DragEnter;
    queueEvent(event);
    event.kind = WindowEventKind::DragMove;
    queueEvent(event);
    event.kind = WindowEventKind::Drop;
    event.items = std::move(items);
    queueEvent(std::move(event));
}

void HeadlessWindow::injectParentDestroyed() {
    markClosed();
}

void HeadlessWindow::injectFocus(bool in) {
    WindowEvent event;
    event.kind = in ? WindowEventKind::FocusIn : WindowEventKind::FocusOut;
    event.buttons = heldButtons_;
    queueEvent(event);
}

void HeadlessWindow::injectHidden(bool hidden) {
    WindowEvent event;
    event.kind = hidden ? WindowEventKind::Hidden : WindowEventKind::Shown;
    event.buttons = heldButtons_;
    queueEvent(event);
}

void HeadlessWindow::offerSelection(Selection which, const std::string& utf8) {
    std::lock_guard<std::mutex> guard(selectionLock);
    selectionTexts[static_cast<int>(which)] = utf8;
}

std::string HeadlessWindow::selectionText(Selection which) {
    std::lock_guard<std::mutex> guard(selectionLock);
    return selectionTexts[static_cast<int>(which)];
}

void HeadlessWindow::requestPaste(Selection which) {
    WindowEvent event;
    event.kind = WindowEventKind::Paste;
    event.text = selectionText(which);
    event.buttons = heldButtons_;
    if (!event.text.empty()) queueEvent(std::move(event));
}

void HeadlessWindow::present(const WindowRect& area) {
    if (!isOpen()) return;
    const WindowRect clipped = clipRect(area, width(), height());
    presentedPixels_ += static_cast<uint64_t>(clipped.width) * static_cast<uint64_t>(clipped.height);
    for (int y = clipped.y; y < clipped.y + clipped.height; ++y) {
        const uint32_t* from = backBuffer().row(y) + clipped.x;
        std::copy(from, from + clipped.width, screen_.row(y) + clipped.x);
    }
}

void HeadlessWindow::servePaint() {
    if (!exposed_) return;
    exposed_ = false;
    present(WindowRect{0, 0, width(), height()});
}

void HeadlessWindow::pump() {
    ++pumps_;
    if (pumpScript_) pumpScript_(*this);
    servePaint();
}

void HeadlessWindow::pumpPaintOnly() {
    ++paintOnlyPumps_;
    servePaint();
}

} // namespace os
