#pragma once
// The base of everything visible in the editor: a rectangle in its parent's
// coordinates that draws itself and takes mouse, key, wheel and drop events.
// Editor thread only. A view starts with one reference held by its creator;
// a container it is added to takes that reference over.
#include <cstdint>

#include "gui/CColor.h"
#include "gui/CReferenceCounter.h"
#include "gui/Geometry.h"
#include "gui/VstKeyCode.h"

namespace VSTGUI {

class CBitmap;
class CDragContainer;
class CDrawContext;
class CFrame;
class CViewContainer;

// Messages are told apart by the identity of the constant, not its text.
extern const char* const kMsgCheckIfViewContainer;

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    virtual bool checkUpdate(const CRect& rect) const;
    virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1);

    virtual void setBackground(CBitmap* background);
    virtual CBitmap* getBackground() const { return background_; }

    virtual int32_t onKeyDown(VstKeyCode& key);
    virtual int32_t onKeyUp(VstKeyCode& key);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, int32_t axis, float distance);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void looseFocus(CDrawContext* context = nullptr);
    virtual void takeFocus(CDrawContext* context = nullptr);

    virtual bool isDirty() const { return dirty_; }
    virtual void setDirty(bool dirty = true) { dirty_ = dirty; }
    virtual void setMouseEnabled(bool enabled = true) { mouseEnabled_ = enabled; }
    virtual bool getMouseEnabled() const { return mouseEnabled_; }
    virtual void setMouseableArea(const CRect& area) { mouseableArea_ = area; }
    virtual CRect& getMouseableArea(CRect& area) const { return area = mouseableArea_; }
    virtual bool hitTest(const CPoint& where, int32_t buttons = -1);
    virtual void setTransparency(bool transparent) { transparent_ = transparent; }
    virtual bool getTransparency() const { return transparent_; }
    virtual void setViewSize(const CRect& rect);
    virtual CRect& getViewSize(CRect& rect) const { return rect = size_; }
    virtual bool removed(CView* parent);
    virtual bool attached(CView* parent);
    virtual CPoint& getMouseLocation(CDrawContext* context, CPoint& point);
    virtual CPoint& frameToLocal(CPoint& point) const;
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual void* getEditor() const;
    virtual int32_t notify(CView* sender, const char* message);
    virtual void redrawRect(CDrawContext* context, const CRect& rect);
    virtual bool wantsFocus() const { return wantsFocus_; }
    virtual void setWantsFocus(bool wants) { wantsFocus_ = wants; }
    virtual bool isTypeOf(const char* type) const;
    virtual void setParentView(CViewContainer* parent) { parentView_ = parent; }
    virtual void setFrame(CFrame* frame) { parentFrame_ = frame; }
    virtual void update(CDrawContext* context);

    // Draws this view now through the frame; nothing without a frame.
    void redraw();

    CFrame* getFrame() const { return parentFrame_; }
    CViewContainer* getParentView() const { return parentView_; }
    const CRect& size() const { return size_; }

protected:
    CRect size_;
    CRect mouseableArea_;
    CFrame* parentFrame_ = nullptr;
    CViewContainer* parentView_ = nullptr;
    bool dirty_ = false;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
    bool wantsFocus_ = false;
    CBitmap* background_ = nullptr;  // one reference held
};

} // namespace VSTGUI
