#pragma once
// What a frame needs of the editor that owns it. The toolkit cannot see the
// effect: the editor base (editor/AEffGUIEditor.h) implements this over it.
// Editor thread only.
#include <cstdint>

#include "gui/VstKeyCode.h"

namespace VSTGUI {

class CFrameEditor {
public:
    virtual ~CFrameEditor() = default;
    // The user starts / ends changing the parameter index (the host is told).
    virtual void beginEdit(int32_t index) = 0;
    virtual void endEdit(int32_t index) = 0;
    // Called over and over by controls that track the mouse in a loop of
    // their own: paces the editor's idle, repaints and the host's idle.
    virtual void doIdleStuff() = 0;
    // Asks the host to give the editor this size; true when it did.
    virtual bool requestSize(int32_t width, int32_t height) = 0;
    // A key typed into the frame's own window, offered to the editor before
    // the views, as a host's key is (down: pressed, else released); true
    // when the editor took it.
    virtual bool takeKey(VstKeyCode& /*key*/, bool /*down*/) { return false; }
};

} // namespace VSTGUI
