#pragma once
// The top container of an open editor. It owns the editor's own window (a
// child of the host's window, or a headless one), turns the window's events
// into view events, draws through a back buffer of its own size (black,
// opaque at first) and shows it in the window, keeps the modal view, the
// focus view and the cursor, routes dropped text and files, and asks the
// editor (and through it the host) for edits, idle time and a new size.
//
// Threads: the editor's thread only (the thread that opened the window).
// The process-wide frame count and knob mode are atomics.
#include <memory>

#include "gui/CViewContainer.h"
#include "gui/raster/PixelBuffer.h"

namespace os {
class EditorWindow;
struct WindowEvent;
}

namespace VSTGUI {

class CDropTarget;
class CFrameEditor;

// Buttons and modifier keys as the window last reported them (replayed in
// the order of its events), and the cursor relative to the window.
struct PointerState {
    bool left = false, middle = false, right = false;
    bool shift = false, control = false, alt = false;
    bool buttonsSwapped = false;  // the system's left-handed setting
    CPoint screen;
};

// Cursor types of setCursor.
enum CCursorType : int32_t {
    kCursorDefault = 0, kCursorWait, kCursorHSize, kCursorVSize, kCursorSizeAll, kCursorNESWSize,
    kCursorNWSESize, kCursorCopy, kCursorNotAllowed, kCursorHand
};

class CFrame : public CViewContainer {
public:
    // A frame without a window: drawing goes to the pixels given to
    // setBackBuffer (off-screen renders, tests of the views).
    CFrame(const CRect& size, CFrameEditor* editor);
    // A frame over its own window, which it owns from now on. A null or
    // already closed window makes a frame that is not open.
    CFrame(const CRect& size, std::unique_ptr<os::EditorWindow> window, CFrameEditor* editor);
    ~CFrame() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& rect) override;
    // A click first ends keyboard focus; with a modal view only it is asked.
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    // The focus view, then the modal view; otherwise Tab (Shift: backwards)
    // moves the focus: 1 when it moved. -1 when nobody took the key.
    int32_t onKeyDown(VstKeyCode& key) override;
    int32_t onKeyUp(VstKeyCode& key) override;
    // The modal view, or else the child under the point.
    bool onWheel(CDrawContext* context, const CPoint& where, int32_t axis, float distance) override;
    using CViewContainer::onWheel;
    void* getEditor() const override { return editor_; }
    bool isTypeOf(const char* type) const override;
    // Redraws what is dirty into the back buffer and shows that part.
    void update(CDrawContext* context) override;
    bool advanceNextFocusView(CView* oldFocus, bool reverse = false) override;

    CFrameEditor* getFrameEditor() const { return editor_; }
    bool isOpen() const { return open_; }
    void setOpenFlag(bool open);
    // One editor idle: reads the window's events and hands them to the views
    // (not while an event is being handled: then only redraws), then redraws
    // what is dirty. The first call draws everything.
    void idle();
    // For controls tracking the mouse in a loop of their own: takes the next
    // pointer event of the window, draws and shows what the views changed
    // (only that: a held control that changes nothing sends nothing), then
    // the editor's doIdleStuff. Once the frame is closed, or the window lost
    // from under the button (hidden, focus or grab gone, the release never
    // coming), the buttons read as released, so every loop ends.
    void doIdleStuff();
    // Only the first part of doIdleStuff: the window's next pointer event.
    void pollPointer();
    // The part of the frame its dirty views cover, in frame coordinates (a
    // container dirty as a whole counts whole); empty when nothing is dirty.
    CRect dirtyArea() const;
    // The window's millisecond clock (wrapping); the system's without a window.
    uint32_t getTicks() const;
    void sleepTicks(unsigned milliseconds);
    // Serves repaint requests of the window from the back buffer only.
    void pumpPaintOnly();
    // True while an event, key or wheel is being handled: a close asked for
    // meanwhile must wait until it unwinds (the caller's loops still run).
    bool isDispatching() const { return dispatchDepth_ > 0; }

    static int32_t getKnobMode();
    static void setKnobMode(int32_t mode);
    // Frames alive in this process.
    static int32_t frameCount();

    // Moving is not ours to do, and the host's windows are not ours to read.
    bool setPosition(CCoord, CCoord) { return false; }
    bool getPosition(CCoord&, CCoord&) const { return false; }
    bool getSize(CRect&) const { return false; }
    // Asks the host through the editor; only when it agreed do the frame,
    // its back buffer and its window take the new size. False when not open
    // or the size is unchanged.
    bool setSize(CCoord width, CCoord height);

    // Refused (0) while another modal view is set; 1 otherwise.
    int32_t setModalView(CView* view);
    CView* getModalView() const { return modalView_; }
    void beginEdit(int32_t index);
    void endEdit(int32_t index);

    // The cursor relative to the window's top-left; true.
    bool getCurrentLocation(CPoint& where);
    void setCursor(int32_t type);
    // The new view is stored first; a view that wants focus is set dirty;
    // the old one loses focus.
    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView_; }
    // Called by a container before a view leaves it: the modal and focus
    // views let go of the view and of whatever it contains (the focus
    // losing its focus on the way).
    void viewLeaving(CView* view);
    // Routes the window's drags and drops to the views while on. False
    // without a window.
    bool setDropActive(bool active);
    bool isDropActive() const { return dropTarget_ != nullptr; }
    // Every child touching rect is set dirty.
    void invalidate(const CRect& rect);
    // Returns the previous value.
    bool setUpdatesDisabled(bool disabled);
    bool updatesDisabled() const { return updatesDisabled_; }
    // A direct child is drawn now; anything else redraws the whole frame.
    void drawView(CView* view);
    // A context on the back buffer (the caller forgets it).
    CDrawContext* getFrameContext();

    // Tests and off-screen renders: the pixels to draw into when there is
    // no window, and the pointer as the window would report it.
    void setBackBuffer(raster::PixelBuffer* pixels) { backBuffer_ = pixels; }
    raster::PixelBuffer* getBackBuffer() const { return backBuffer_; }
    void setPointer(const PointerState& pointer) { pointer_ = pointer; }
    const PointerState& getPointer() const { return pointer_; }
    os::EditorWindow* getWindow() const { return window_.get(); }

private:
    struct Dispatching;   // counts the frame's entry points on the stack
    void handleEvent(const os::WindowEvent& event);
    void takePointer(int x, int y, int bits);
    // Copies the back buffer into the window (opaque) and shows it.
    void present(const CRect& area);

    CFrameEditor* editor_;
    std::unique_ptr<os::EditorWindow> window_;
    raster::PixelBuffer ownPixels_;   // the back buffer of a frame with a window
    raster::PixelBuffer* backBuffer_ = nullptr;
    CView* modalView_ = nullptr;  // a child; no reference of its own
    CView* focusView_ = nullptr;  // no reference: the view's container owns it
    CDropTarget* dropTarget_ = nullptr;
    PointerState pointer_;
    bool firstDraw_ = true;
    bool open_ = true;
    bool updatesDisabled_ = false;
    int32_t dispatchDepth_ = 0;
};

} // namespace VSTGUI
