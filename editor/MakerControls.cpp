#include "editor/MakerControls.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/synth/Synth.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace editor {

using VSTGUI::CBitmap;
using VSTGUI::CDrawContext;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr double kTwoPi = 6.283185307179586;
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
// The piece of a page background under rect (the page sits at 0, 0).
void drawPiece(CBitmap* background, CDrawContext* context, const CRect& rect) {
    if (background) background->draw(context, rect, CPoint(rect.left, rect.top));
}
} // namespace

// ------------------------------------------------------------------ knobs

CKnobPl::CKnobPl(const CRect& size, CControlListenerPl* listener, int32_t tag, CBitmap* background, CBitmap* handle,
                 float arcDegrees, float startOffsetDegrees)
    : CControlPl(size, listener, tag), endless_(arcDegrees >= 359.99f), background_(background), handle_(handle),
      arc_(arcDegrees) {
    setKind(kKindKnob);
    const double divisor = arcDegrees * kTwoPi;
    scale_ = divisor == 0.0 ? 999999999.9 : 360.0 / divisor;
    double start = startOffsetDegrees * kTwoPi / 360.0 + 2.618;
    while (start < 0.0) start += kTwoPi;
    while (start >= kTwoPi) start -= kTwoPi;
    startAngle_ = static_cast<float>(start);
}

void CKnobPl::setRangeFactor(float factor) { range_ *= std::clamp(factor, 0.01f, 2.0f); }

float CKnobPl::mouseToValue(const CPoint& where, bool fine) {
    return circular_ ? circularValue(where) : linearValue(where, fine);
}

float CKnobPl::circularValue(const CPoint& where) const {
    const int32_t dx = where.h - (size_.left + size_.width() / 2);
    const int32_t dy = where.v - (size_.top + size_.height() / 2);
    const float current = subs_[0].value;
    if (dx == 0 && dy == 0) return current;
    // The pointer's angle clockwise from straight up, from the arc's start.
    const double angle = std::atan2(static_cast<double>(dx), static_cast<double>(-dy)) + startAngle_;
    const float v = clamp01(static_cast<float>(angle * scale_));
    if (endless_) return v;
    // Never jump across the gap at the bottom.
    return std::fabs(v - subs_[0].shown) > 0.7f ? subs_[0].shown : v;
}

float CKnobPl::linearValue(const CPoint& where, bool fine) const {
    const float current = invert_ ? 1.0f - subs_[0].value : subs_[0].value;
    float v = current + static_cast<float>(lastPoint_.v - where.v) / (range_ * (fine ? 10.0f : 1.0f)) * 0.5f;
    if (endless_) {
        while (v < 0.0f) v += 1.0f;
        while (v > 1.0f) v -= 1.0f;
        return v;
    }
    return clamp01(v);
}

void CKnobPl::drawBackgroundPiece(CDrawContext* context) { drawPiece(background_, context, size_); }

void CKnobPl::draw(CDrawContext* context) {
    drawBackgroundPiece(context);
    if (handle_ && handle_->isLoaded()) {
        const double angle = (drawnValue() - 0.2) * 5.235987755983;
        const int32_t cx = size_.left + size_.width() / 2, cy = size_.top + size_.height() / 2;
        const int32_t hw = handle_->getWidth(), hh = handle_->getHeight();
        const int32_t x = cx - static_cast<int32_t>(std::cos(angle) * (size_.width() - hw) / 2 + 0.5);
        const int32_t y = cy - static_cast<int32_t>(std::sin(angle) * (size_.height() - hh) / 2 + 0.5);
        handle_->drawTransparent(context, CRect(x - hw / 2, y - hh / 2, x - hw / 2 + hw, y - hh / 2 + hh));
    }
    markDrawn();
}

CMIKnob::CMIKnob(const CRect& size, CControlListenerPl* listener, int32_t tag, CBitmap* background, CBitmap* strip,
                 int32_t images, bool singleColumn, float arcDegrees, float startOffsetDegrees)
    : CKnobPl(size, listener, tag, background, strip, arcDegrees, startOffsetDegrees),
      images_(std::max(images, 1)), singleColumn_(singleColumn) {}

int32_t CMIKnob::imageIndex(float v) const {
    // A value outside 0..1 would read outside the strip.
    const int32_t c = static_cast<int32_t>(clamp01(v) * (images_ - 1) + 0.001f);
    return std::clamp(c, 0, images_ - 1);
}

CPoint CMIKnob::imageOffset(int32_t c) const {
    if (singleColumn_) return CPoint(0, c * size_.height());
    const int32_t rows = (images_ + 4) / 5;
    return CPoint((c / rows) * size_.width(), (c % rows) * size_.height());
}

void CMIKnob::draw(CDrawContext* context) {
    if (!handle_ || !handle_->isLoaded()) {
        markDrawn();  // nothing to draw without the strip
        return;
    }
    drawBackgroundPiece(context);
    const CPoint at = imageOffset(imageIndex(drawnValue()));
    if (transparentDraw_)
        handle_->drawTransparent(context, size_, at);
    else
        handle_->draw(context, size_, at);
    markDrawn();
}

// ------------------------------------------------------------------ slider

CSliderPl::CSliderPl(const CRect& backgroundPiece, const CRect& size, CControlListenerPl* listener, int32_t tag,
                     CBitmap* handle, CBitmap* background)
    : CControlPl(size, listener, tag), piece_(backgroundPiece), handle_(handle), background_(background) {
    setKind(kKindSlider);
}

void CSliderPl::draw(CDrawContext* context) {
    drawPiece(background_, context, piece_);
    if (handle_ && handle_->isLoaded()) {
        const int32_t hw = handle_->getWidth(), hh = handle_->getHeight();
        const float v = shownValue();
        CRect at;
        if (size_.width() > size_.height()) {
            const int32_t x = size_.left + static_cast<int32_t>(v * (size_.width() - hw));
            at = CRect(x, size_.top, x + hw, size_.top + hh);
        } else {
            const int32_t y = size_.bottom - static_cast<int32_t>(v * (size_.height() - hh)) - hh;
            at = CRect(size_.left, y, size_.left + hw, y + hh);
        }
        handle_->drawTransparent(context, at);
    }
    markDrawn();
}

float CSliderPl::mouseToValue(const CPoint& where, bool fine) {
    const float step = fine ? 0.0006f : 0.006f;
    const float v = subs_[0].value;
    if (size_.width() > size_.height()) return clamp01(v + step * (where.h - lastPoint_.h));
    return clamp01(v + step * (lastPoint_.v - where.v));
}

// ------------------------------------------------------------------ on/off button

COnOffButtonPl::COnOffButtonPl(const CRect& size, CControlListenerPl* listener, int32_t tag, CBitmap* bitmap,
                               int32_t states)
    : CControlPl(size, listener, tag), bitmap_(bitmap), states_(states) {
    setKind(kKindOnOff);
}

int32_t COnOffButtonPl::state() const {
    if (states_ < 2) return 0;
    return std::clamp(static_cast<int32_t>(clamp01(shownValue()) * (states_ - 1) + 0.001f), 0, states_ - 1);
}

void COnOffButtonPl::draw(CDrawContext* context) {
    // Faces may be soft-edged: never drawn over their own last picture.
    drawPageBackground(context, size_);
    if (bitmap_ && bitmap_->isLoaded()) {
        const CPoint at(0, state() * size_.height());
        if (transparentDraw_)
            bitmap_->drawTransparent(context, size_, at);
        else
            bitmap_->draw(context, size_, at);
    }
    markDrawn();
}

void COnOffButtonPl::mouse(CDrawContext* context, CPoint& /*where*/, int32_t buttons) {
    if (states_ < 2 || !context || !getMouseEnabled()) return;
    if (buttons < 0) buttons = context->getMouseButtons();
    for (SubValue& s : subs_) s.reported = s.shown;
    clearStepFlags();
    reset_ = true;
    rightButton_ = (buttons & VSTGUI::kRButton) != 0;
    if (listener_) listener_->controlTouched(context, this, rightButton_ ? 1 : 0);
    beginEdit();
    const float step = 1.0f / static_cast<float>(states_ - 1);
    float v = subs_[0].shown;
    if (rightButton_) {
        v -= step;
        if (v < 0.01f - step) v = 1.0f;
    } else {
        v += step;
        if (v > 0.99f + step) v = 0.0f;
    }
    subs_[0].value = clamp01(v);
    tellListener(context);
    endEdit();
}

// ------------------------------------------------------------------ radio row

CRadioButtonPl::CRadioButtonPl(const CRect& size, CControlListenerPl* listener, int32_t tag, int32_t columns,
                               int32_t rows, int32_t orientation, CBitmap* bitmap)
    : CControlPl(size, listener, tag), columns_(std::max(columns, 1)), rows_(rows == 0 ? 1 : rows),
      orientation_(orientation), bitmap_(bitmap) {
    setKind(kKindRadio);
    cellWidth_ = size.width() / columns_;
    cellHeight_ = size.height() / (rows_ < 0 ? -rows_ : rows_);
}

void CRadioButtonPl::draw(CDrawContext* context) {
    if (bitmap_ && bitmap_->isLoaded()) {
        const float v = clamp01(shownValue());
        drawPageBackground(context, size_);
        bitmap_->drawTransparent(context, size_, CPoint(0, 0));
        if (rows_ < 0) {
            const int32_t state = static_cast<int32_t>(v * (cells() - 1) + 0.001f);
            bitmap_->drawTransparent(context, size_, CPoint(0, state * size_.height()));
        } else if (cellWidth_ > 0 && cellHeight_ > 0) {
            const int32_t c = std::min(static_cast<int32_t>(v * cells() * 0.99f), cells() - 1);
            const int32_t row = orientation_ ? c % rows_ : c / columns_;
            const int32_t column = orientation_ ? c / rows_ : c % columns_;
            const CRect cell(size_.left + column * cellWidth_, size_.top + row * cellHeight_,
                             size_.left + (column + 1) * cellWidth_, size_.top + (row + 1) * cellHeight_);
            bitmap_->drawTransparent(context, cell,
                                     CPoint(column * cellWidth_, size_.height() + row * cellHeight_));
        }
    }
    markDrawn();
}

float CRadioButtonPl::valueAtPoint(const CPoint& where) {
    // Without its skin a cell has no size: the value stays.
    if (cellWidth_ <= 0 || cellHeight_ <= 0 || cells() < 2 || !size_.pointInside(where)) return subs_[0].value;
    const int32_t rows = rows_ < 0 ? -rows_ : rows_;
    const int32_t column = std::clamp((where.h - size_.left - 1) / cellWidth_, 0, columns_ - 1);
    const int32_t row = std::clamp((where.v - size_.top - 1) / cellHeight_, 0, rows - 1);
    const int32_t index = orientation_ ? row + column * rows : column + row * columns_;
    return clamp01(static_cast<float>(index) / static_cast<float>(cells() - 1));
}

// ------------------------------------------------------------------ label

CLabelPl::CLabelPl(const CRect& size, CControlListenerPl* listener, int32_t tag, CBitmap* background, int32_t font,
                   const VSTGUI::CColor& colour, int32_t alignment)
    : CControlPl(size, listener, tag), background_(background), font_(font), alignment_(alignment) {
    colour_ = colour;
    textEnabled_ = true;
}

void CLabelPl::draw(CDrawContext* context) {
    drawPiece(background_, context, size_);
    context->setFont(font_);
    context->setFontColor(colour_);
    context->drawString(text_.c_str(), size_, false, alignment_);
    markDrawn();
}

void CLabelPl::mouse(CDrawContext* context, CPoint& /*where*/, int32_t /*buttons*/) {
    if (!getMouseEnabled()) return;
    subs_[0].value = 1.0f - subs_[0].shown;
    tellListener(context);
}

// ------------------------------------------------------------------ touch area

CTouchAreaPl::CTouchAreaPl(const CRect& size, CControlListenerPl* listener, int32_t tag, Synth* synth,
                           int32_t command, int32_t a, int32_t b, bool repeat)
    : CControlPl(size, listener, tag), synth_(synth), command_(command), a_(a), b_(b), repeat_(repeat) {}

void CTouchAreaPl::mouse(CDrawContext* context, CPoint& /*where*/, int32_t buttons) {
    if (!synth_ || !context) return;
    if (buttons < 0) buttons = context->getMouseButtons();
    const bool alt = altCommand_ >= 0 && (buttons & VSTGUI::kAlt);
    const int32_t command = alt ? altCommand_ : command_, a = alt ? altA_ : a_, b = alt ? altB_ : b_;
    synth_->handleCommand(command, a, b, 0);
    if (!repeat_) return;
    // Repeats faster while held: 480 ms, then 40 ms less a round, down to 200.
    for (int pauses = 12; getFrame(); pauses = std::max(pauses - 1, 5)) {
        if (!holdFor(context, static_cast<uint32_t>(pauses) * 40)) return;
        synth_->handleCommand(command, a, b, 0);
    }
}

// ------------------------------------------------------------------ plus/minus display

CPlusMinusDisplay::CPlusMinusDisplay(const CRect& size, CControlListenerPl* listener, int32_t tag,
                                     const CRect& textField, const CRect& minusZone, const CRect& plusZone,
                                     CBitmap* background, const int32_t font, const VSTGUI::CColor& colour)
    : CControlPl(size, listener, tag), textField_(textField), minusZone_(minusZone), plusZone_(plusZone),
      background_(background), font_(font) {
    setKind(kKindPlusMinus);
    colour_ = colour;
    textEnabled_ = true;
}

void CPlusMinusDisplay::draw(CDrawContext* context) {
    drawPiece(background_, context, textField_);
    context->setFont(font_);
    context->setFontColor(colour_);
    context->drawString(text_.c_str(), textField_, false, VSTGUI::kCenterText);
    markDrawn();
}

float CPlusMinusDisplay::mouseToValue(const CPoint& where, bool fine) {
    if (plusZone_.pointInside(where)) {
        plus_ = true;
        return subs_[0].value;
    }
    if (minusZone_.pointInside(where)) {
        minus_ = true;
        return subs_[0].value;
    }
    return clamp01(subs_[0].value + (lastPoint_.v - where.v) * (fine ? 0.0004f : 0.004f));
}

void CPlusMinusDisplay::setViewSize(const CRect& rect) {
    const int32_t dx = rect.left - size_.left, dy = rect.top - size_.top;
    textField_.offset(dx, dy);
    minusZone_.offset(dx, dy);
    plusZone_.offset(dx, dy);
    CControlPl::setViewSize(rect);
}

// ------------------------------------------------------------------ page

CModulFramePl::CModulFramePl(int32_t x, int32_t y, int32_t width, int32_t height, VSTGUI::CFrame* frame,
                             CBitmap* background, const char* name)
    : CViewContainer(CRect(x, y, x + width, y + height), frame, background), name_(name ? name : "") {}

bool CModulFramePl::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CModulFramePl") == 0) || CViewContainer::isTypeOf(type);
}

bool CModulFramePl::isDescendantOf(const VSTGUI::CViewContainer* container) const {
    const VSTGUI::CView* child = this;
    for (VSTGUI::CViewContainer* parent = getParentView(); parent; parent = parent->getParentView()) {
        if (!parent->isChild(const_cast<VSTGUI::CView*>(child))) return false;
        if (parent == container) return true;
        child = parent;
    }
    return false;
}

int32_t trimTrailingBlanks(char* text) {
    if (!text) return -1;
    int32_t n = static_cast<int32_t>(std::strlen(text));
    while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
    return n - 1;
}

} // namespace editor
