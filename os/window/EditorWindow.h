#pragma once
// The editor's window as the toolkit sees it: a back buffer to draw into, a
// queue of neutral input events, the pointer state replayed in event order,
// cursors and a clock. Two implementations: the X11 child window inside the
// host's parent (X11Window.h) and a headless one for tests (HeadlessWindow.h).
//
// Threads: a window belongs to the thread that opened it (the editor's
// thread); every call comes from that thread. The window starts no thread:
// events are read only when the owner calls pump (every editor idle, inside
// tracking and modal loops).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace os {

// Mouse button and modifier bits, as the toolkit's getMouseButtons answers them.
enum MouseBits : int {
    kMouseLeft = 1,
    kMouseMiddle = 2,
    kMouseRight = 4,
    kMouseShift = 8,
    kMouseControl = 16,
    kMouseAlt = 32,
};
constexpr int kMouseButtonBits = kMouseLeft | kMouseMiddle | kMouseRight;
constexpr int kMouseModifierBits = kMouseShift | kMouseControl | kMouseAlt;

// Keys beyond plain characters; the toolkit maps them to its virtual key codes.
enum class WindowKey {
    None,       // a character: see WindowEvent::text
    Tab,
    Return,
    Escape,
    Backspace,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    Insert,
};

// One dropped item: a file path (percent-decoded) or a text (UTF-8).
struct DropItem {
    enum class Type { File, Text };
    Type type = Type::Text;
    std::string data;
};

enum class WindowEventKind {
    MouseDown,
    MouseUp,
    MouseMove,
    Wheel,
    KeyDown,
    KeyUp,
    DragEnter,   // a drag came over the window; items arrive with Drop
    DragMove,
    DragLeave,
    Drop,
    Closed,      // the window or the host's parent was destroyed; nothing follows
    FocusIn,     // the keyboard focus came to the window (keys arrive)
    FocusOut,    // the keyboard focus left it: to another window, or taken by a grab
    Hidden,      // the window itself was unmapped: nothing of it is on screen
    Shown,       // mapped again
    Paste,       // the text requestPaste asked for (WindowEvent::text, as its owner gave it)
};

// The two selections a text field uses, as X users know them: the clipboard
// (copy, cut, paste) and the primary selection (the text last selected,
// pasted with the middle button).
enum class Selection { Clipboard, Primary };

struct WindowEvent {
    WindowEventKind kind = WindowEventKind::MouseMove;
    int x = 0;              // window pixels, (0, 0) top-left
    int y = 0;
    // Buttons and modifiers as they are once this event has happened: a
    // MouseDown includes its own button, a MouseUp no longer does.
    int buttons = 0;
    int button = 0;         // MouseDown/MouseUp: the button that changed (kMouseLeft...)
    float wheel = 0.0f;     // Wheel: notches, positive away from the user
    WindowKey key = WindowKey::None;   // KeyDown/KeyUp
    std::string text;       // KeyDown of a character: its UTF-8 bytes; Paste: the text
    std::vector<DropItem> items;       // Drop
    uint32_t timeMs = 0;    // the window's clock when the event was read
};

struct PointerState {
    int x = 0;
    int y = 0;
    int buttons = 0;        // MouseBits
};

enum class CursorShape {
    Default,            // the parent's cursor
    Wait,
    ResizeHorizontal,
    ResizeVertical,
    Move,
    ResizeNeSw,
    ResizeNwSe,
    NotAllowed,
    Hand,
};

// The back buffer: premultiplied BGRA pixels (one uint32_t 0xAARRGGBB each),
// row 0 at the top, stride in pixels. Owned by the window.
struct PixelSurface {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint32_t> pixels;

    void resize(int newWidth, int newHeight, uint32_t fill);
    uint32_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(stride); }
    const uint32_t* row(int y) const {
        return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    }
};

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The part of rect inside a width × height area (empty: width or height 0).
WindowRect clipRect(const WindowRect& rect, int width, int height);

class EditorWindow {
public:
    virtual ~EditorWindow() = default;
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // The back buffer, black and opaque at first. The owner draws into it and
    // then calls present for the part it changed.
    PixelSurface& backBuffer() { return buffer_; }
    int width() const { return buffer_.width; }
    int height() const { return buffer_.height; }

    // Shows that part of the back buffer on the screen now.
    virtual void present(const WindowRect& area) = 0;

    // Reads every pending event into the queue; serves repaint requests from
    // the back buffer; notices the destruction of the window or its parent.
    virtual void pump() = 0;
    // For modal loops: serves repaint requests only; input stays pending for
    // the next pump, in order.
    virtual void pumpPaintOnly() = 0;

    // The next queued event, in the order they happened; false when none.
    // The pointer state becomes the event's.
    bool nextEvent(WindowEvent& event);
    // For mouse-tracking loops: pumps, then takes the next queued pointer
    // event (move, press or release; other events stay queued) and answers the
    // pointer state after it. So a release that was queued behind the press
    // being dispatched is seen only by the loop, after the press. A release
    // may never come: while buttons are held and no pointer event has come
    // for kPointerDoubtMs, the server is asked (serverButtons), and buttons
    // it no longer holds for us read as released. With no button held, a
    // queued press is left for nextEvent: a press always reaches a view.
    PointerState trackPointer();
    static constexpr uint32_t kPointerDoubtMs = 50;
    // The pointer state as of the last event taken.
    PointerState pointer() const { return pointer_; }
    // True when a MouseDown of button is queued (double-click detection);
    // with remove, that press is taken out of the queue.
    bool pressQueued(int button, bool remove);

    // False once the window or the host's parent is gone (the Closed event
    // is queued then); the owner closes its frame quietly.
    bool isOpen() const { return open_; }

    virtual void setCursor(CursorShape shape) = 0;

    // Asks for the keyboard focus (a text field starts editing), so keys come
    // here until the user gives the focus to another window (FocusOut).
    virtual void takeFocus() = 0;
    // The focus taken was handed back to window `to` (a text field's edit
    // ended): the focus-out this causes is ours, no loss of the window, and
    // queues no FocusOut (a drag begun meanwhile goes on; a field that took
    // the focus again keeps editing).
    virtual void focusGivenBack(uint32_t /*to*/) {}

    // Our own window takes a new size (the host agreed to it first); the
    // back buffer is made anew, black and opaque.
    virtual void resize(int width, int height) { buffer_.resize(width, height, 0xFF000000u); }

    // The window's millisecond clock (wrapping) and a sleep on it; the
    // headless window's clock is virtual and its sleep advances it.
    virtual uint32_t nowMs() = 0;
    virtual void sleepMs(unsigned milliseconds) = 0;

    // The window holds a text (UTF-8) as the selection's content, for other
    // windows and programs to paste, until another takes the selection.
    virtual void offerSelection(Selection which, const std::string& utf8) = 0;
    // Asks for the selection's text: it arrives later as a Paste event, or
    // never (no owner, no text, too large, or no answer within a second).
    virtual void requestPaste(Selection which) = 0;

    // The X window id (for helpers that attach a dialog to it); 0 when headless.
    virtual uint32_t nativeId() const = 0;

protected:
    EditorWindow(int width, int height);
    // For implementations: appends an event (time stamped) to the queue.
    // Losing the window from under a held button (Hidden, FocusOut) first
    // queues the release of the buttons: a drag ends there, whatever the
    // server later says of the button.
    void queueEvent(WindowEvent event);
    // Queues the release of every button held as of the last queued pointer
    // event (none held: nothing). For a grab another client took, say.
    void releaseHeldButtons();
    // Buttons and modifiers as of the last queued pointer event.
    int queuedButtons() const { return queuedPointer_.buttons; }
    // The buttons (MouseBits) the server says the pointer holds for this
    // window: none once the window cannot be seen (the host unmapped its
    // parent); -1 when it cannot tell. Asked only during tracking, in doubt.
    virtual int serverButtons() { return -1; }
    // Marks the window closed and queues Closed once.
    void markClosed();
    std::deque<WindowEvent>& queue() { return queue_; }

private:
    PixelSurface buffer_;
    std::deque<WindowEvent> queue_;
    PointerState pointer_;
    PointerState queuedPointer_;   // as of the last queued pointer event
    uint32_t lastPointerMs_ = 0;   // when tracking last had news of the pointer
    bool open_ = true;
};

} // namespace os
