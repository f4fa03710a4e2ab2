#include "gui/CFrame.h"

#include <cstring>

#include "gui/CDrawContext.h"

namespace VSTGUI {

CFrame::CFrame(const CRect& size, void* editor) : CViewContainer(size, nullptr, nullptr), editor_(editor) {
    parentFrame_ = this;
}

bool CFrame::isTypeOf(const char* type) const {
    return type && (std::strcmp(type, "CFrame") == 0 || CViewContainer::isTypeOf(type));
}

void CFrame::drawRect(CDrawContext* context, const CRect& rect) {
    CDrawContext* own = nullptr;
    if (!context && backBuffer_) context = own = new CDrawContext(this, backBuffer_);
    if (!context) return;
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = rect;
    context->setClipRect(clip.bound(oldClip));
    if (rect.width() > 0 && rect.height() > 0) CViewContainer::drawRect(context, rect);
    context->setClipRect(oldClip);
    if (own) own->forget();
}

void CFrame::setFocusView(CView* view) {
    CView* old = focusView_;
    focusView_ = view;
    if (view && view->wantsFocus()) view->setDirty(true);
    if (old) {
        old->looseFocus(nullptr);
        if (old->wantsFocus()) old->setDirty(true);
    }
}

bool CFrame::getCurrentLocation(CPoint& where) {
    where = pointer_.screen;
    where.offset(-windowOrigin_.h, -windowOrigin_.v);
    return true;
}

void CFrame::drawView(CView* view) {
    if (!backBuffer_) return;
    CDrawContext* context = new CDrawContext(this, backBuffer_);
    if (view && isChild(view)) {
        view->draw(context);
    } else {
        draw(context);
    }
    context->forget();
}

} // namespace VSTGUI
