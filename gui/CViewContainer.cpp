#include "gui/CViewContainer.h"

#include <algorithm>
#include <cstring>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* background) : CView(size) {
    parentFrame_ = frame;
    setBackground(background);
}

CViewContainer::~CViewContainer() {
    removeAll(true);
    dropOffscreen();
}

CViewContainer::SavedOrigins CViewContainer::modifyDrawContext(CDrawContext* context) const {
    if (!context) return {};
    SavedOrigins saved{context->getScreenOrigin(), context->getOffset()};
    CPoint origin = saved.screenOrigin, offset = saved.offset;
    context->setScreenOrigin(origin.offset(size_.left, size_.top));
    context->setOffset(offset.offset(size_.left, size_.top));
    return saved;
}

void CViewContainer::restoreDrawContext(CDrawContext* context, const SavedOrigins& saved) {
    if (!context) return;
    context->setScreenOrigin(saved.screenOrigin);
    context->setOffset(saved.offset);
}

void CViewContainer::ensureOffscreen() {
    if (drawInOffscreen_ && !offscreen_) {
        offscreen_ = new COffscreenContext(parentFrame_, size_.width(), size_.height(), kBlackCColor);
    }
}

void CViewContainer::dropOffscreen() {
    if (offscreen_) offscreen_->forget();
    offscreen_ = nullptr;
}

// The given context's clip in this container's drawing coordinates.
CRect CViewContainer::oldClipOf(CDrawContext* context) const {
    CRect clip;
    context->getClipRect(clip);
    if (drawInOffscreen_ && static_cast<const CView*>(parentFrame_) != this) clip.moveTo(0, 0);
    return clip;
}

void CViewContainer::drawBackground(CDrawContext* target, const CRect& rect) {
    if (background_) {
        if (transparent_) {
            background_->drawTransparent(target, rect, backgroundOffset_);
        } else {
            background_->draw(target, rect, backgroundOffset_);
        }
    } else if (!transparent_) {
        target->setFillColor(backgroundColour_);
        target->fillRect(rect);
    }
}

CDrawContext* CViewContainer::beginDrawing(CDrawContext* context, SavedOrigins& saved) {
    ensureOffscreen();
    if (offscreen_ && transparent_) offscreen_->copyFromContext(context, size_, CPoint(0, 0));
    if (drawInOffscreen_ && offscreen_) return offscreen_;
    saved = modifyDrawContext(context);
    return context;
}

void CViewContainer::draw(CDrawContext* context) {
    if (!context) return;
    SavedOrigins saved{};
    CDrawContext* target = beginDrawing(context, saved);
    const bool viaOffscreen = target != context;

    const CRect oldClip = oldClipOf(context);
    CRect clip = localBounds();
    target->setClipRect(clip.bound(oldClip));
    drawBackground(target, localBounds());
    for (CView* child : children_) {
        CRect childClip = child->size();
        target->setClipRect(childClip.bound(oldClip));
        child->draw(target);
    }

    context->setClipRect(oldClip);
    if (viaOffscreen) {
        offscreen_->copyToContext(context, size_, CPoint(0, 0));
    } else {
        restoreDrawContext(context, saved);
    }
    setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    if (!context) return;
    CRect update = updateRect;
    update.bound(size_);
    CRect client = update;
    client.offset(-size_.left, -size_.top);

    SavedOrigins saved{};
    CDrawContext* target = beginDrawing(context, saved);
    const bool viaOffscreen = target != context;

    const CRect oldClip = oldClipOf(context);
    CRect newClip = client;
    newClip.bound(oldClip);
    target->setClipRect(newClip);
    drawBackgroundRect(target, client);

    const bool scrolls = isTypeOf("CScrollContainer");
    for (CView* child : children_) {
        if (!child->checkUpdate(client)) continue;
        CRect visible = child->size();
        visible.bound(newClip);
        if (visible.width() == 0 || visible.height() == 0) continue;
        target->setClipRect(visible);
        const bool wasDirty = child->isDirty();
        child->drawRect(target, client);
        // A child drawn only in part still owes the rest of its pixels.
        if (wasDirty && visible != child->size() && !scrolls) child->setDirty(true);
    }

    context->setClipRect(oldClip);
    if (viaOffscreen) {
        offscreen_->copyToContext(context, update, CPoint(client.left, client.top));
    } else {
        restoreDrawContext(context, saved);
    }
    setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect) {
    if (background_) {
        CRect oldClip;
        context->getClipRect(oldClip);
        CRect clip = rect;
        context->setClipRect(clip.bound(oldClip));
        const CRect whole(0, 0, background_->getWidth(), background_->getHeight());
        if (transparent_) {
            background_->drawTransparent(context, whole, backgroundOffset_);
        } else {
            background_->draw(context, whole, backgroundOffset_);
        }
        context->setClipRect(oldClip);
    } else if (!transparent_) {
        context->setFillColor(backgroundColour_);
        context->fillRect(rect);
    }
}

void CViewContainer::redrawRect(CDrawContext* context, const CRect& rect) {
    CRect moved = rect;
    moved.offset(size_.left, size_.top);
    if (transparent_) {
        // What lies underneath shows through: the parent redraws the area.
        if (parentView_) {
            parentView_->redrawRect(context, moved);
        } else if (parentFrame_) {
            parentFrame_->drawRect(context, moved);
        }
        return;
    }
    if (parentView_) {
        CPoint at(0, 0);
        parentView_->localToFrame(at);
        if (!context) {
            // Nothing to shift: the frame draws the area from the top and shows it.
            moved.offset(at.h, at.v);
            if (parentFrame_) parentFrame_->drawRect(nullptr, moved);
            return;
        }
        const CPoint origin = context->getScreenOrigin(), offset = context->getOffset();
        CPoint shiftedOrigin = origin, shiftedOffset = offset;
        context->setScreenOrigin(shiftedOrigin.offset(at.h, at.v));
        context->setOffset(shiftedOffset.offset(at.h, at.v));
        drawRect(context, moved);
        context->setScreenOrigin(origin);
        context->setOffset(offset);
        return;
    }
    drawRect(context, moved);
}

void CViewContainer::update(CDrawContext* context) {
    if (mode_ == 0) {
        if (isDirty()) {
            redrawRect(context, localBounds());
            setDirty(false);
        }
        return;
    }
    if (mode_ != 1) return;
    if (dirty_) {
        redrawRect(context, localBounds());
        setDirty(false);
        return;
    }
    const CRect local = localBounds();
    for (CView* child : std::vector<CView*>(children_)) {
        if (!child->isDirty() || !child->checkUpdate(local)) continue;
        if (child->notify(this, kMsgCheckIfViewContainer) == 1) {
            child->update(context);
        } else {
            CRect area = child->size();
            child->redrawRect(context, area.bound(local));
        }
    }
    setDirty(false);
}

bool CViewContainer::isDirty() const {
    if (dirty_) return true;
    const CRect local = localBounds();
    for (CView* child : children_) {
        CRect visible = child->size();
        visible.bound(local);
        if (child->isDirty() && visible.width() > 0 && visible.height() > 0) return true;
    }
    return false;
}

void CViewContainer::setViewSize(const CRect& rect) {
    CView::setViewSize(rect);
    if (offscreen_ && drawInOffscreen_) {
        dropOffscreen();
        ensureOffscreen();
    }
}

bool CViewContainer::attached(CView* parent) {
    ensureOffscreen();
    return CView::attached(parent);
}

bool CViewContainer::removed(CView* parent) {
    // A drag under way here ends for a container that leaves.
    currentDragView_ = nullptr;
    dropOffscreen();
    return CView::removed(parent);
}

void CViewContainer::useOffscreen(bool on) {
    drawInOffscreen_ = on;
    if (!on) dropOffscreen();
}

void CViewContainer::setBackgroundColor(const CColor& colour) {
    backgroundColour_ = colour;
    setDirty(true);
}

void CViewContainer::addViewInArea(CView* view, const CRect& mouseableArea, bool mouseEnabled) {
    if (!view) return;
    view->setMouseEnabled(mouseEnabled);
    view->setMouseableArea(mouseableArea);
    addView(view);
}

void CViewContainer::addView(CView* view) {
    if (!view) return;
    view->remember();
    view->setFrame(parentFrame_);
    view->setParentView(this);
    children_.push_back(view);
    view->attached(this);
    view->setDirty(true);
}

void CViewContainer::removeView(CView* view, bool withForget) {
    if (!isChild(view)) return;
    // The frame lets go first (a text field ends its edit meanwhile), so
    // the list is searched again afterwards.
    if (CFrame* frame = attachedFrame()) frame->viewLeaving(view);
    auto found = std::find(children_.begin(), children_.end(), view);
    if (found == children_.end()) return;
    children_.erase(found);
    detach(view, withForget);
}

void CViewContainer::removeAll(bool withForget) {
    std::vector<CView*> leaving;
    leaving.swap(children_);
    for (CView* view : leaving) {
        if (CFrame* frame = attachedFrame()) frame->viewLeaving(view);
        detach(view, withForget);
    }
}

CFrame* CViewContainer::attachedFrame() const {
    // Compares addresses only: the frame of a detached container may be gone.
    for (const CView* view = this; view; view = view->getParentView())
        if (view == parentFrame_) return parentFrame_;
    return nullptr;
}

void CViewContainer::detach(CView* view, bool withForget) {
    if (currentDragView_ == view) currentDragView_ = nullptr;
    view->removed(this);
    // A view kept beyond its removal must not reach back into a container
    // that may be gone by then. Its frame stays: an edit it began ends there.
    view->setParentView(nullptr);
    if (withForget) view->forget();
    view->forget();
}

bool CViewContainer::isChild(CView* view) const {
    return std::find(children_.begin(), children_.end(), view) != children_.end();
}

CView* CViewContainer::getView(int32_t index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return children_[static_cast<size_t>(index)];
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    if (buttons == -1 && context) buttons = context->getMouseButtons();
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        CView* child = *it;
        if (child->getMouseEnabled() && child->hitTest(local, buttons)) {
            child->mouse(context, local, buttons);
            return;
        }
    }
}

int32_t CViewContainer::onKeyDown(VstKeyCode& key) {
    for (CView* child : std::vector<CView*>(children_.rbegin(), children_.rend())) {
        const int32_t answer = child->onKeyDown(key);
        if (answer != -1) return answer;
    }
    return -1;
}

int32_t CViewContainer::onKeyUp(VstKeyCode& key) {
    for (CView* child : std::vector<CView*>(children_.rbegin(), children_.rend())) {
        const int32_t answer = child->onKeyUp(key);
        if (answer != -1) return answer;
    }
    return -1;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    return onWheel(context, where, 1, distance);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, int32_t axis, float distance) {
    CView* child = getViewAt(where, false);
    if (!child) return false;
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    if (!context) return child->onWheel(context, local, axis, distance);
    const SavedOrigins saved = modifyDrawContext(context);
    const bool handled = child->onWheel(context, local, axis, distance);
    restoreDrawContext(context, saved);
    return handled;
}

CView* CViewContainer::childAt(const CPoint& local) const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        CRect area;
        (*it)->getMouseableArea(area);
        if (area.pointInsideEdges(local)) return *it;
    }
    return nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
    if (!parentFrame_) return nullptr;
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    CView* child = childAt(local);
    if (child && deep && child->isTypeOf("CViewContainer")) {
        return static_cast<CViewContainer*>(child)->getViewAt(local, deep);
    }
    return child;
}

CView* CViewContainer::getCurrentView() const {
    if (!parentFrame_) return nullptr;
    CPoint where;
    parentFrame_->getCurrentLocation(where);
    frameToLocal(where);
    return childAt(where);
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
    point.offset(-size_.left, -size_.top);
    if (parentView_ && parentView_->isTypeOf("CViewContainer")) return parentView_->frameToLocal(point);
    return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
    point.offset(size_.left, size_.top);
    if (parentView_ && parentView_->isTypeOf("CViewContainer")) return parentView_->localToFrame(point);
    return point;
}

void CViewContainer::onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (!parentFrame_) return;
    const SavedOrigins saved = modifyDrawContext(context);
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    if (currentDragView_) currentDragView_->onDragLeave(context, drag, local);
    currentDragView_ = childAt(local);
    if (currentDragView_) currentDragView_->onDragEnter(context, drag, local);
    restoreDrawContext(context, saved);
}

void CViewContainer::onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (!parentFrame_) return;
    const SavedOrigins saved = modifyDrawContext(context);
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    if (currentDragView_) currentDragView_->onDragLeave(context, drag, local);
    currentDragView_ = nullptr;
    restoreDrawContext(context, saved);
}

void CViewContainer::onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (!parentFrame_) return;
    const SavedOrigins saved = modifyDrawContext(context);
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    CView* under = childAt(local);
    if (under != currentDragView_) {
        if (currentDragView_) currentDragView_->onDragLeave(context, drag, local);
        if (under) under->onDragEnter(context, drag, local);
        currentDragView_ = under;
    } else if (currentDragView_) {
        currentDragView_->onDragMove(context, drag, local);
    }
    restoreDrawContext(context, saved);
}

bool CViewContainer::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (!parentFrame_) return false;
    const SavedOrigins saved = modifyDrawContext(context);
    CPoint local = where;
    local.offset(-size_.left, -size_.top);
    CView* under = childAt(local);
    if (under != currentDragView_) {
        if (currentDragView_) currentDragView_->onDragLeave(context, drag, local);
        currentDragView_ = under;
    }
    bool dropped = false;
    if (CView* target = currentDragView_) {
        // A view that takes no mouse takes no drop either (it would change
        // what the user cannot click).
        if (target->getMouseEnabled()) dropped = target->onDrop(context, drag, local);
        // One that left while taking the drop is told nothing more.
        if (currentDragView_ == target) target->onDragLeave(context, drag, local);
    }
    currentDragView_ = nullptr;
    restoreDrawContext(context, saved);
    return dropped;
}

void CViewContainer::looseFocus(CDrawContext* context) {
    for (CView* child : std::vector<CView*>(children_)) child->looseFocus(context);
}

void CViewContainer::takeFocus(CDrawContext* context) {
    for (CView* child : std::vector<CView*>(children_)) child->takeFocus(context);
}

bool CViewContainer::advanceNextFocusView(CView* oldFocus, bool reverse) {
    std::vector<CView*> order(children_);
    if (reverse) std::reverse(order.begin(), order.end());
    bool passed = oldFocus == nullptr;
    for (CView* child : order) {
        if (!passed) {
            passed = child == oldFocus;
            continue;
        }
        if (child->wantsFocus()) {
            if (parentFrame_) parentFrame_->setFocusView(child);
            return true;
        }
        if (child->isTypeOf("CViewContainer") &&
            static_cast<CViewContainer*>(child)->advanceNextFocusView(nullptr, reverse)) {
            return true;
        }
    }
    return false;
}

int32_t CViewContainer::notify(CView*, const char* message) { return message == kMsgCheckIfViewContainer ? 1 : 0; }

bool CViewContainer::isTypeOf(const char* type) const {
    return type && (std::strcmp(type, "CViewContainer") == 0 || CView::isTypeOf(type));
}

} // namespace VSTGUI
