#include "gui/CControl.h"

#include <cstdlib>
#include <cstring>

#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener_(listener), tag_(tag) {
    setMouseEnabled(true);
    setTransparency(false);
    setBackground(background);
    oldValue_ = 1.0f;   // setBackground marked it dirty; a fresh control is dirty through its values
}

bool CControl::isDirty() const {
    // "Not equal" also holds for values that do not compare (NaN).
    return !(value_ == oldValue_) || CView::isDirty();
}

void CControl::setDirty(bool dirty) {
    CView::setDirty(dirty);
    if (dirty)
        oldValue_ = value_ == -1.0f ? 0.0f : -1.0f;
    else
        oldValue_ = value_;
}

bool CControl::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CControl") == 0) || CView::isTypeOf(type);
}

void CControl::doIdleStuff() {
    if (parentFrame_) parentFrame_->doIdleStuff();
}

void CControl::beginEdit() {
    if (!parentFrame_) return;
    parentFrame_->setFocusView(this);
    parentFrame_->beginEdit(tag_);
}

void CControl::endEdit() {
    if (parentFrame_) parentFrame_->endEdit(tag_);
}

void CControl::copyBackOffset() {
    backOffset_ = CPoint(size_.left, size_.top);
}

void CControl::bounceValue() {
    if (value_ > max_)
        value_ = max_;
    else if (value_ < min_)
        value_ = min_;
}

bool CControl::checkDefaultValue(CDrawContext* context, int32_t buttons) {
    if (buttons != (kLButton | kControl)) return false;
    beginEdit();
    value_ = defaultValue_;
    if (isDirty() && listener_) listener_->valueChanged(context, this);
    endEdit();
    return true;
}

bool CControl::listenerTookModifierClick(CDrawContext* context, int32_t buttons) {
    // 64 is the Command key of other systems: never set here, still a modifier.
    constexpr int32_t kModifierBits = kShift | kControl | kAlt | 64;
    return listener_ && (buttons & kModifierBits) && listener_->controlModifierClicked(context, this, buttons) != 0;
}

bool CControl::isDoubleClick(const CPoint& where) {
    const uint32_t now = parentFrame_ ? parentFrame_->getTicks() : 0;
    // Wrapped difference: the clock may pass 2^32 between the two clicks.
    const bool soon = clickRecorded_ && static_cast<uint32_t>(now - lastClickMs_) < kDoubleClickMs;
    const bool near = std::abs(where.h - lastClickAt_.h) <= kDoubleClickDistance &&
                      std::abs(where.v - lastClickAt_.v) <= kDoubleClickDistance;
    if (soon && near) {
        clickRecorded_ = false;
        return true;
    }
    clickRecorded_ = true;
    lastClickMs_ = now;
    lastClickAt_ = where;
    return false;
}

} // namespace VSTGUI
