#pragma once
// Windows of our own on the screen for a popup menu and its cascades
// (override-redirect: no window manager frames or moves them), with the
// pointer and the keyboard grabbed while the object lives. The pointer is
// reported in screen coordinates, whichever panel it is over. Closing the
// object destroys every panel and always releases the grab.
//
// Threads: the editor's thread, like the editor's window; nothing is read
// except in pump.
#include <cstdint>
#include <deque>
#include <memory>

#include "os/window/EditorWindow.h"

namespace os {

class PopupScreen {
public:
    virtual ~PopupScreen() = default;
    PopupScreen(const PopupScreen&) = delete;
    PopupScreen& operator=(const PopupScreen&) = delete;

    // Grabs pointer and keyboard; false when another client holds them.
    virtual bool grab() = 0;
    // The screen position of a window's top-left corner (the editor's);
    // false when the window is not there.
    virtual bool windowOrigin(uint32_t window, int& x, int& y) = 0;
    virtual WindowRect screenArea() = 0;

    // A panel at a place on the screen: its index. Panels from `first` on
    // are closed by closePanels.
    virtual int openPanel(const WindowRect& area) = 0;
    virtual void closePanels(int first) = 0;
    virtual int panelCount() const = 0;
    // Shows pixels (premultiplied 0xAARRGGBB, the panel's size) in a panel;
    // they are kept for repaints.
    virtual void show(int panel, const PixelSurface& pixels) = 0;

    // Reads pending events into the queue; waits at most waitMs for one.
    // The wheel comes as Wheel events at the pointer's screen position.
    virtual void pump(unsigned waitMs) = 0;
    // The millisecond clock the popup's timing runs on (wrapping).
    virtual uint32_t nowMs();
    // False once the display is gone.
    virtual bool alive() const = 0;
    bool nextEvent(WindowEvent& event);

protected:
    PopupScreen() = default;
    void queueEvent(WindowEvent event) { queue_.push_back(std::move(event)); }

private:
    std::deque<WindowEvent> queue_;
};

// Our own connection to the display of DISPLAY; null without one.
std::unique_ptr<PopupScreen> openX11PopupScreen();

// Where the keyboard focus was before a window of ours took it (the text
// field's editor); given back by giveBack or when the object goes, unless
// the focus is no longer that window's (the user gave it to another window
// meanwhile).
class KeyboardHold {
public:
    virtual ~KeyboardHold() = default;
    // Gives the focus back now (once): true, with the window it went to, when
    // it moved; false when it was no longer ours or already given back.
    virtual bool giveBack(uint32_t& /*to*/) { return false; }
};
std::unique_ptr<KeyboardHold> holdX11Keyboard(uint32_t window);

} // namespace os
