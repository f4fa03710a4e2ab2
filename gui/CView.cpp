#include "gui/CView.h"

#include <cstring>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CViewContainer.h"

namespace VSTGUI {

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

CView::CView(const CRect& size) : size_(size), mouseableArea_(size) {}

CView::~CView() {
    if (background_) background_->forget();
}

void CView::draw(CDrawContext* context) {
    if (background_) {
        if (transparent_) {
            background_->drawTransparent(context, size_, CPoint());
        } else {
            background_->draw(context, size_, CPoint());
        }
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

bool CView::checkUpdate(const CRect& rect) const {
    return !(rect.right < size_.left || size_.right < rect.left || rect.bottom < size_.top || size_.bottom < rect.top);
}

void CView::mouse(CDrawContext*, CPoint&, int32_t) {}

void CView::setBackground(CBitmap* background) {
    // Remembered first: setting the bitmap the view already holds alone must
    // not destroy it on the way.
    if (background) background->remember();
    if (background_) background_->forget();
    background_ = background;
    setDirty(true);
}

int32_t CView::onKeyDown(VstKeyCode&) { return -1; }
int32_t CView::onKeyUp(VstKeyCode&) { return -1; }
bool CView::onWheel(CDrawContext* context, const CPoint& where, int32_t, float distance) {
    return onWheel(context, where, distance);
}
bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }
bool CView::onDrop(CDrawContext*, CDragContainer*, const CPoint&) { return false; }
void CView::onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::looseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}

bool CView::hitTest(const CPoint& where, int32_t) { return mouseableArea_.pointInsideEdges(where); }

void CView::setViewSize(const CRect& rect) {
    size_ = rect;
    setDirty(true);
}

bool CView::removed(CView*) { return true; }
bool CView::attached(CView*) { return true; }

CPoint& CView::getMouseLocation(CDrawContext* context, CPoint& point) {
    if (!context) return point;
    if (parentView_ && parentView_->notify(this, kMsgCheckIfViewContainer) == 1) {
        const CViewContainer::SavedOrigins saved = parentView_->modifyDrawContext(context);
        parentView_->getMouseLocation(context, point);
        CViewContainer::restoreDrawContext(context, saved);
        return point;
    }
    return context->getMouseLocation(point);
}

CPoint& CView::frameToLocal(CPoint& point) const {
    if (parentView_ && parentView_->isTypeOf("CViewContainer")) return parentView_->frameToLocal(point);
    return point;
}

CPoint& CView::localToFrame(CPoint& point) const {
    if (parentView_ && parentView_->isTypeOf("CViewContainer")) return parentView_->localToFrame(point);
    return point;
}

void* CView::getEditor() const { return parentFrame_ ? parentFrame_->getEditor() : nullptr; }

int32_t CView::notify(CView*, const char*) { return 0; }

void CView::redrawRect(CDrawContext* context, const CRect& rect) {
    if (parentView_) {
        parentView_->redrawRect(context, rect);
    } else if (parentFrame_) {
        parentFrame_->drawRect(context, rect);
    }
}

bool CView::isTypeOf(const char* type) const { return type && std::strcmp(type, "CView") == 0; }

void CView::update(CDrawContext* context) {
    if (!isDirty()) return;
    if (context) {
        redrawRect(context, size_);
    } else {
        redraw();
    }
    setDirty(false);
}

void CView::redraw() {
    if (parentFrame_) parentFrame_->drawView(this);
}

} // namespace VSTGUI
