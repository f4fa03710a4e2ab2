#pragma once
// The top container of an open editor: its children are in window
// coordinates; it keeps the focus view and draws into a back buffer that the
// window behind it provides. Only what views, containers and contexts need of
// the frame is here; the window's messages arrive with the window layer.
// Editor thread only.
#include "gui/CViewContainer.h"

namespace raster {
class PixelBuffer;
}

namespace VSTGUI {

// Buttons and modifier keys as the window last reported them, and the
// cursor on the screen.
struct PointerState {
    bool left = false, middle = false, right = false;
    bool shift = false, control = false, alt = false;
    bool buttonsSwapped = false;  // the system's left-handed setting
    CPoint screen;
};

class CFrame : public CViewContainer {
public:
    CFrame(const CRect& size, void* editor);

    void drawRect(CDrawContext* context, const CRect& rect) override;
    void* getEditor() const override { return editor_; }
    bool isTypeOf(const char* type) const override;

    // The new view is stored first; a view that wants focus is set dirty;
    // the old one loses focus.
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return focusView_; }
    // The cursor relative to the window's top-left on the screen; true.
    virtual bool getCurrentLocation(CPoint& where);
    // A direct child is drawn now; anything else redraws the whole frame.
    virtual void drawView(CView* view);

    // The window side: where the frame draws, and where its window sits.
    void setBackBuffer(raster::PixelBuffer* pixels) { backBuffer_ = pixels; }
    raster::PixelBuffer* getBackBuffer() const { return backBuffer_; }
    void setWindowOrigin(const CPoint& screen) { windowOrigin_ = screen; }
    const CPoint& getWindowOrigin() const { return windowOrigin_; }
    void setPointer(const PointerState& pointer) { pointer_ = pointer; }
    const PointerState& getPointer() const { return pointer_; }

private:
    void* editor_;
    CView* focusView_ = nullptr;  // no reference: the view's container owns it
    raster::PixelBuffer* backBuffer_ = nullptr;
    CPoint windowOrigin_;
    PointerState pointer_;
};

} // namespace VSTGUI
