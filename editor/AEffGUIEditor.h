#pragma once
// The editor base over the toolkit: owns the frame while the editor is open,
// hands the host's keys and wheel to it, paces the idle work of controls that
// track the mouse (doIdleStuff), and passes edit gestures and size requests
// to the effect. Derived editors build their views in open (after this
// base's open and openFrame) and release them in closeFrame.
//
// Threads: the editor's thread is the one that called open (some hosts drive
// editors from a thread of their own); the entry points are serialised. A
// close asked for while the frame handles an event (a host closing the
// editor from its idle during a drag) only marks the frame closed; the real
// close runs when that handling has unwound.
#include <cstdint>
#include <memory>
#include <mutex>

#include "framework/sdk/AEffEditor.h"
#include "gui/CFrameEditor.h"
#include "gui/Geometry.h"

class AudioEffectX;

namespace os {
class EditorWindow;
}
namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor, public VSTGUI::CFrameEditor {
public:
    explicit AEffGUIEditor(AudioEffectX* effect);
    ~AEffGUIEditor() override;

    // The editor's rectangle (all 0 until the derived editor sets it); true.
    bool getRect(ERect** rect) override;
    // Closes a frame a host left open, makes the calling thread the editor's
    // and stores the window. False when the old frame is still busy.
    bool open(void* window) override;
    void close() override;
    bool isOpen() override { return frame != nullptr; }
    // The frame's idle, unless inside doIdleStuff's call of the host's idle.
    void idle() override;
    // True only when the frame answers 1.
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    // At the cursor, relative to the editor's window (at the host window's top-left).
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 mode) override;
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}

    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    // Sleeps 4 ms while early; otherwise the editor's idle, repaints only,
    // the next time 100 ms on, and the host's idle (inside which idle does
    // nothing). Clock differences are wrapped.
    void doIdleStuff() override;
    // canHostDo("sizeWindow") and the host's answer to the request.
    bool requestSize(int32_t width, int32_t height) override;

    VSTGUI::CFrame* getFrame() const { return frame; }
    AudioEffectX* getEffectX() const { return effectX_; }

protected:
    // The frame in an X11 child window of the host's window given to open;
    // false (no frame) without a reachable display.
    bool openFrame(const VSTGUI::CRect& size);
    // The frame over a window made by the caller (a headless one in tests).
    bool openFrameOn(const VSTGUI::CRect& size, std::unique_ptr<os::EditorWindow> window);
    // The real close: derived editors drop what refers to their views, then
    // call this, which forgets the frame.
    virtual void closeFrame();

    ERect rect{};
    VSTGUI::CFrame* frame = nullptr;
    uint32_t nextIdleMs = 0;
    bool inIdleStuff = false;

private:
    void closeNow();
    void finishPendingClose();

    AudioEffectX* effectX_;
    std::recursive_mutex entry_;
    bool closePending_ = false;
};
