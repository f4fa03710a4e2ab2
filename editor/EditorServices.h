#pragma once
// What a control needs of the editor it sits in while the mouse is down:
// the frame's idle work (window events, the editor's redraws), the host's
// begin and end of an edit, and a clock that tests can hold. The frame's
// editor pointer is one of these. Editor thread only.
#include <cstdint>

namespace editor {

class EditorServices {
public:
    virtual ~EditorServices() = default;
    // Reads the window's events into the frame's pointer state and redraws
    // what waits; keeps the host alive inside mouse loops.
    virtual void doIdleStuff() = 0;
    virtual void sleepMs(uint32_t milliseconds) = 0;
    virtual uint32_t nowMs() = 0;
    virtual void beginEdit(int32_t tag) = 0;
    virtual void endEdit(int32_t tag) = 0;
};

} // namespace editor
