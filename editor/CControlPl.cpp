#include "editor/CControlPl.h"

#include <algorithm>
#include <cstring>

#include "gui/CDrawContext.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/CViewContainer.h"

namespace editor {

using VSTGUI::CDrawContext;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr uint32_t kStepPauseMs = 40;
constexpr int kStepPauses = 5;  // a step every 200 ms while held
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
} // namespace

CControlPl::CControlPl(const CRect& size, CControlListenerPl* listener, int32_t tag)
    : CView(size), subs_(1), listener_(listener) {
    subs_[0].tag = tag;
    setDirty(true);
}

bool CControlPl::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CControlPl") == 0) || CView::isTypeOf(type);
}

void CControlPl::markDrawn() {
    for (SubValue& s : subs_) s.drawn = s.shown;
    setDirty(false);
}

void CControlPl::draw(CDrawContext* /*context*/) { markDrawn(); }

void CControlPl::drawPageBackground(CDrawContext* context, const CRect& rect) const {
    VSTGUI::CViewContainer* page = getParentView();
    if (VSTGUI::CBitmap* background = page ? page->getBackground() : nullptr)
        background->draw(context, rect, VSTGUI::CPoint(rect.left, rect.top));
}

void CControlPl::setValue(float v) {
    SubValue& s = subs_[0];
    s.shown = invert_ ? 1.0f - v : v;
    if (s.shown != s.drawn) setDirty(true);
}

float CControlPl::getValue() {
    subs_[0].reported = subs_[0].value;
    return subs_[0].value;
}

void CControlPl::setDefaultValue(float v) { subs_[0].defaultValue = clamp01(v); }

void CControlPl::setSubValue(int32_t tag, float v) {
    v = clamp01(v);
    for (SubValue& s : subs_) {
        if (s.tag != tag) continue;
        s.shown = invert_ ? 1.0f - v : v;
        if (s.shown != s.drawn) setDirty(true);
        return;
    }
}

bool CControlPl::nextChangedSubValue(int32_t& tag, float& value) {
    for (SubValue& s : subs_) {
        if (s.value == s.reported) continue;
        tag = s.tag;
        value = s.value;
        s.reported = s.value;
        return true;
    }
    return false;
}

void CControlPl::setSubValueTag(int32_t position, int32_t tag) {
    if (position >= 0 && position < subValueCount()) subs_[position].tag = tag;
}

void CControlPl::setSubDefaultValue(int32_t tag, float v) {
    for (SubValue& s : subs_)
        if (s.tag == tag) s.defaultValue = clamp01(v);
}

float CControlPl::mouseToValue(const CPoint& where, bool /*fine*/) { return valueAtPoint(where); }

void CControlPl::setText(const char* text) {
    if (!text || !(textValue_ || textEnabled_)) return;
    if (text_ == text) return;
    text_ = text;
    setDirty(true);
}

void CControlPl::beginEdit() {
    if (VSTGUI::CFrame* frame = getFrame()) {
        frame->setFocusView(this);
        frame->beginEdit(getTag());
    }
}

void CControlPl::endEdit() {
    if (VSTGUI::CFrame* frame = getFrame()) frame->endEdit(getTag());
}

void CControlPl::idleWork() {
    if (VSTGUI::CFrame* frame = getFrame()) frame->doIdleStuff();
}

void CControlPl::sleepMs(uint32_t ms) {
    if (VSTGUI::CFrame* frame = getFrame()) frame->sleepTicks(ms);
}

bool CControlPl::holdFor(CDrawContext* context, uint32_t ms) {
    VSTGUI::CFrame* frame = getFrame();
    if (!frame) return false;
    const uint32_t until = frame->getTicks() + ms;
    for (;;) {
        const auto left = static_cast<int32_t>(until - frame->getTicks());
        if (left > 0) sleepMs(std::min<uint32_t>(static_cast<uint32_t>(left), kStepPauseMs));
        if (static_cast<int32_t>(until - frame->getTicks()) <= 0) {
            // Still held now? (No idle here: it would pause again.)
            frame->pollPointer();
            return buttonHeld(context->getMouseButtons());
        }
        idleWork();
        if (!buttonHeld(context->getMouseButtons())) return false;
    }
}

void CControlPl::mouse(CDrawContext* context, CPoint& /*where*/, int32_t buttons) {
    if (tracking_ || !context) return;
    tracking_ = true;
    if (buttons < 0) buttons = context->getMouseButtons();
    if (listener_) listener_->controlTouched(context, this, (buttons & VSTGUI::kRButton) ? 1 : 0);
    for (SubValue& s : subs_) s.reported = s.shown;

    CPoint location;
    getMouseLocation(context, location);
    mouseDownPoint_ = lastPoint_ = location;
    SubValue& first = subs_[0];
    first.value = first.reported = first.shown;
    valueAtMouseDown_ = first.value;
    clearStepFlags();
    if (!textValue_) beginEdit();

    if (textValue_) {
        if (repeatWhileHeld_) {
            while (buttonHeld(buttons) && getFrame()) {
                clickAt(location);
                rightButton_ = (buttons & VSTGUI::kRButton) != 0;
                tellListener(context);
                idleWork();
                buttons = context->getMouseButtons();
                getMouseLocation(context, location);
            }
        } else if (clickAt(location)) {
            rightButton_ = (buttons & VSTGUI::kRButton) != 0;
            tellListener(context);
        }
    } else if (buttons & VSTGUI::kControl) {
        first.value = first.defaultValue;
        rightButton_ = (buttons & VSTGUI::kRButton) != 0;
        reset_ = true;
        tellListener(context);
    } else if (buttons & VSTGUI::kAlt) {
        const bool upper = mouseDownPoint_.v < size_.top + size_.height() / 2;
        while (buttonHeld(buttons) && getFrame()) {
            plus_ = upper;
            minus_ = !upper;
            rightButton_ = (buttons & VSTGUI::kRButton) != 0;
            tellListener(context);
            holdFor(context, kStepPauses * kStepPauseMs);
            buttons = context->getMouseButtons();
        }
    } else {
        while (buttonHeld(buttons) && getFrame()) {
            const float v = clamp01(mouseToValue(location, (buttons & VSTGUI::kShift) != 0));
            first.value = invert_ ? 1.0f - v : v;
            rightButton_ = (buttons & VSTGUI::kRButton) != 0;
            if (first.value != first.reported || plus_ || minus_) tellListener(context);
            idleWork();
            for (int i = 0; i < kStepPauses && (plus_ || minus_) && buttonHeld(context->getMouseButtons()); ++i)
                sleepMs(kStepPauseMs);
            lastPoint_ = location;
            buttons = context->getMouseButtons();
            getMouseLocation(context, location);
        }
    }
    if (!textValue_) endEdit();
    tracking_ = false;
}

bool CControlPl::onWheel(CDrawContext* context, const CPoint& /*where*/, float distance) {
    if (kind_ == kKindOther || kind_ == 16) return true;
    plus_ = distance > 0;
    minus_ = distance < 0;
    rightButton_ = reset_ = false;
    beginEdit();
    tellListener(context);
    idleWork();
    endEdit();
    plus_ = minus_ = false;
    return true;
}

} // namespace editor
