#include "os/window/EditorWindow.h"

#include <algorithm>

namespace os {

void PixelSurface::resize(int newWidth, int newHeight, uint32_t fill) {
    width = std::max(0, newWidth);
    height = std::max(0, newHeight);
    stride = width;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

WindowRect clipRect(const WindowRect& rect, int width, int height) {
    const long left = std::max<long>(rect.x, 0);
    const long top = std::max<long>(rect.y, 0);
    const long right = std::min<long>(static_cast<long>(rect.x) + std::max(rect.width, 0), width);
    const long bottom = std::min<long>(static_cast<long>(rect.y) + std::max(rect.height, 0), height);
    if (right <= left || bottom <= top) return WindowRect{};
    return WindowRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                      static_cast<int>(bottom - top)};
}

EditorWindow::EditorWindow(int width, int height) {
    buffer_.resize(width, height, 0xFF000000u);
}

bool EditorWindow::nextEvent(WindowEvent& event) {
    if (queue_.empty()) return false;
    event = std::move(queue_.front());
    queue_.pop_front();
    switch (event.kind) {
    case WindowEventKind::MouseDown:
    case WindowEventKind::MouseUp:
    case WindowEventKind::MouseMove:
        pointer_ = PointerState{event.x, event.y, event.buttons};
        lastPointerMs_ = nowMs();
        break;
    case WindowEventKind::Wheel:
    case WindowEventKind::DragEnter:
    case WindowEventKind::DragMove:
    case WindowEventKind::Drop:
        pointer_.x = event.x;
        pointer_.y = event.y;
        break;
    default:
        break;
    }
    return true;
}

static bool isPointerEvent(WindowEventKind kind) {
    return kind == WindowEventKind::MouseDown || kind == WindowEventKind::MouseUp ||
           kind == WindowEventKind::MouseMove;
}

PointerState EditorWindow::trackPointer() {
    pump();
    if (!open_) {
        pointer_.buttons &= ~kMouseButtonBits;
        return pointer_;
    }
    const auto nextPointerEvent = [this] {
        return std::find_if(queue_.begin(), queue_.end(), [](const WindowEvent& e) { return isPointerEvent(e.kind); });
    };
    auto found = nextPointerEvent();
    // With no button held no gesture is being tracked (an idle call outside
    // one): a press queued next is a new click, for the view under it.
    if (found != queue_.end() && found->kind == WindowEventKind::MouseDown && !(pointer_.buttons & kMouseButtonBits))
        return pointer_;
    const uint32_t now = nowMs();
    if (found == queue_.end() && (pointer_.buttons & kMouseButtonBits) &&
        static_cast<int32_t>(now - lastPointerMs_) >= static_cast<int32_t>(kPointerDoubtMs)) {
        // Held, and nothing heard for a while: is it still?
        lastPointerMs_ = now;
        const int server = serverButtons();
        if (server >= 0 && (pointer_.buttons & kMouseButtonBits & ~server)) {
            releaseHeldButtons();
            found = nextPointerEvent();
        }
    }
    if (found != queue_.end()) {
        pointer_ = PointerState{found->x, found->y, found->buttons};
        lastPointerMs_ = now;
        queue_.erase(found);
    }
    return pointer_;
}

bool EditorWindow::pressQueued(int button, bool remove) {
    auto found = std::find_if(queue_.begin(), queue_.end(), [button](const WindowEvent& e) {
        return e.kind == WindowEventKind::MouseDown && e.button == button;
    });
    if (found == queue_.end()) return false;
    if (remove) {
        pointer_ = PointerState{found->x, found->y, found->buttons};
        lastPointerMs_ = nowMs();
        queue_.erase(found);
    }
    return true;
}

void EditorWindow::queueEvent(WindowEvent event) {
    if (!open_) return;
    if (event.kind == WindowEventKind::Hidden || event.kind == WindowEventKind::FocusOut) {
        releaseHeldButtons();
        event.buttons &= ~kMouseButtonBits;
    }
    event.timeMs = nowMs();
    if (isPointerEvent(event.kind)) queuedPointer_ = PointerState{event.x, event.y, event.buttons};
    queue_.push_back(std::move(event));
}

void EditorWindow::releaseHeldButtons() {
    const int held = queuedPointer_.buttons & kMouseButtonBits;
    if (!held) return;
    WindowEvent release;
    release.kind = WindowEventKind::MouseUp;
    release.x = queuedPointer_.x;
    release.y = queuedPointer_.y;
    release.buttons = queuedPointer_.buttons & ~kMouseButtonBits;
    release.button = held;
    queueEvent(std::move(release));
}

void EditorWindow::markClosed() {
    if (!open_) return;
    WindowEvent closed;
    closed.kind = WindowEventKind::Closed;
    closed.timeMs = nowMs();
    queue_.push_back(closed);
    open_ = false;
}

} // namespace os
