#pragma once
// A view holding an ordered list of child views: the first child is drawn
// first, the last is on top and gets the mouse first. Draws its background
// (bitmap or colour), then its children clipped to their rectangles, directly
// or through an off-screen buffer of its own. Editor thread only. Each child
// holds two references while listed: the creator's, taken over here, and the
// list's own.
#include <vector>

#include "gui/CView.h"

namespace VSTGUI {

class COffscreenContext;

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
    ~CViewContainer() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    int32_t onKeyDown(VstKeyCode& key) override;
    int32_t onKeyUp(VstKeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, int32_t axis, float distance) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    bool isDirty() const override;
    void setViewSize(const CRect& rect) override;
    bool removed(CView* parent) override;
    bool attached(CView* parent) override;
    CPoint& frameToLocal(CPoint& point) const override;
    CPoint& localToFrame(CPoint& point) const override;
    int32_t notify(CView* sender, const char* message) override;
    void redrawRect(CDrawContext* context, const CRect& rect) override;
    bool isTypeOf(const char* type) const override;
    void update(CDrawContext* context) override;

    virtual void addViewInArea(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
    virtual void addView(CView* view);
    // Nothing happens for a view that is not a child. A view that leaves
    // (removeView, removeAll, the destructor) stops being, with whatever it
    // contains, the frame's focus or modal view and the drag's current view,
    // and is left with no parent view (its frame stays).
    virtual void removeView(CView* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    virtual int32_t getNbViews() const { return static_cast<int32_t>(children_.size()); }
    virtual CView* getView(int32_t index) const;
    virtual void setBackgroundColor(const CColor& colour);
    virtual CColor getBackgroundColor() const { return backgroundColour_; }
    virtual void setBackgroundOffset(const CPoint& offset) { backgroundOffset_ = offset; }
    virtual const CPoint& getBackgroundOffset() const { return backgroundOffset_; }
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);
    virtual void setMode(int32_t mode) { mode_ = mode; }
    virtual int32_t getMode() const { return mode_; }
    virtual void useOffscreen(bool on);
    virtual CView* getCurrentView() const;
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    virtual bool advanceNextFocusView(CView* oldFocus, bool reverse = false);

    // Shifts a context's screen origin and drawing offset by this
    // container's top-left; restoreDrawContext puts back what it answered.
    struct SavedOrigins {
        CPoint screenOrigin, offset;
    };
    SavedOrigins modifyDrawContext(CDrawContext* context) const;
    static void restoreDrawContext(CDrawContext* context, const SavedOrigins& saved);
    // The context the children draw into: the off-screen buffer (filled with
    // what lies below when transparent) or the caller's, shifted here (saved).
    CDrawContext* beginDrawing(CDrawContext* context, SavedOrigins& saved);

    COffscreenContext* getOffscreen() const { return offscreen_; }

private:
    // Takes a view out that is no longer listed: tells it, cuts its links
    // back here, drops the list's reference (and the creator's with forget).
    void detach(CView* view, bool withForget);
    // The frame when this container lies in its tree; none when detached.
    CFrame* attachedFrame() const;
    void ensureOffscreen();
    void dropOffscreen();
    void drawBackground(CDrawContext* target, const CRect& rect);
    CRect oldClipOf(CDrawContext* context) const;
    CView* childAt(const CPoint& local) const;
    CRect localBounds() const { return CRect(0, 0, size_.width(), size_.height()); }

    std::vector<CView*> children_;
    int32_t mode_ = 1;
    COffscreenContext* offscreen_ = nullptr;  // one reference held
    CColor backgroundColour_ = kBlackCColor;
    CPoint backgroundOffset_;
    bool drawInOffscreen_ = false;
    CView* currentDragView_ = nullptr;  // no reference; valid during one drag
};

} // namespace VSTGUI
