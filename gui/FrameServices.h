#pragma once
// What views need of the platform beyond the frame's pixels: the popup of
// an option menu and the keyboard for a text field's editor. On X our popup
// window and the window's keyboard focus; in tests a chooser the test
// supplies. Set by whoever opened the frame's window and cleared before the
// frame goes; without services a menu does not open.
#include <cstdint>

#include "gui/PopupMenu.h"

namespace VSTGUI {

class CFrame;

class FrameServices {
public:
    virtual ~FrameServices() = default;
    // Shows the popup until a choice or a cancel: the chosen id, or -1.
    // Returns when the frame's window closes.
    virtual int32_t trackPopup(const PopupRequest& request) = 0;
    // A text field's editor opened: the frame's window takes the keyboard
    // focus, so keys reach it; the focus leaving it ends the editing.
    virtual void takeKeyboard() {}
    // It closed: the focus goes back to where it was, unless it moved on.
    virtual void releaseKeyboard() {}
};

// Any thread (editors of several instances may run on threads of their own);
// a frame's services are used on its editor's thread only.
void setFrameServices(const CFrame* frame, FrameServices* services);
FrameServices* frameServices(const CFrame* frame);

} // namespace VSTGUI
