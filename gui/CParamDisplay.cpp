#include "gui/CParamDisplay.h"

#include <cstdio>
#include <cstring>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "os/Locale.h"

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32_t style)
    : CControl(size, nullptr, 0, background), style_(style) {
    if (style_ & kNoDrawStyle) CControl::setDirty(false);
}

bool CParamDisplay::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "CParamDisplay") == 0) || CControl::isTypeOf(type);
}

void CParamDisplay::formatValue(float value, char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    std::snprintf(text, capacity, "%2.2f", static_cast<double>(value));
    // snprintf follows the process's locale, which belongs to the host.
    const char separator = os::userDecimalSeparator();
    for (char* c = text; *c; ++c)
        if (*c == '.' || *c == ',') *c = separator;
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[kTextBufferSize] = {};
    if (valueToStringUserData_)
        valueToStringUserData_(value_, text, userData_);
    else if (valueToString_)
        valueToString_(value_, text);
    else
        formatValue(value_, text, sizeof text);
    text[kTextBufferSize - 1] = '\0';
    drawText(context, text);
}

void CParamDisplay::drawText(CDrawContext* context, const char* text, CBitmap* bitmap) {
    CControl::setDirty(false);
    if ((style_ & kNoDrawStyle) || !context) return;
    CBitmap* back = bitmap ? bitmap : background_;
    if (back) {
        if (transparent_)
            back->drawTransparent(context, size_, backOffset_);
        else
            back->draw(context, size_, backOffset_);
    } else if (!transparent_) {
        context->setFillColor(backColour_);
        context->fillRect(size_);
        if (!(style_ & (kNoFrame | k3DIn | k3DOut))) {
            context->setFrameColor(frameColour_);
            context->drawRect(size_);
        }
    }
    if (style_ & (k3DIn | k3DOut)) {
        const bool sunken = (style_ & k3DIn) != 0;
        const CRect r(size_.left, size_.top + 1, size_.right - 1, size_.bottom - 1);
        context->setLineWidth(1);
        context->setFrameColor(sunken ? backColour_ : frameColour_);
        context->moveTo(CPoint(r.left, r.bottom));
        context->lineTo(CPoint(r.left, r.top));
        context->lineTo(CPoint(r.right, r.top));
        context->setFrameColor(sunken ? frameColour_ : backColour_);
        context->moveTo(CPoint(r.right, r.top));
        context->lineTo(CPoint(r.right, r.bottom));
        context->lineTo(CPoint(r.left, r.bottom));
    }
    if ((style_ & kNoTextStyle) || !text || !text[0]) return;
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = size_;
    clip.bound(oldClip);
    context->setClipRect(clip);
    context->setFont(fontId_, 0, fontStyle_);
    if (style_ & kShadowText) {
        CRect shadow = size_;
        shadow.offset(1, 1);
        context->setFontColor(shadowColour_);
        context->drawString(text, shadow, !textTransparent_, horizontalAlign_);
    }
    context->setFontColor(fontColour_);
    context->drawString(text, size_, !textTransparent_, horizontalAlign_);
    context->setClipRect(oldClip);
}

#define KELVANTI_DIRTY_SETTER(name, type, field) \
    void CParamDisplay::name(type value) {       \
        if (field == value) return;              \
        field = value;                           \
        CControl::setDirty(true);                \
    }
KELVANTI_DIRTY_SETTER(setFont, int32_t, fontId_)
KELVANTI_DIRTY_SETTER(setFontColor, const CColor&, fontColour_)
KELVANTI_DIRTY_SETTER(setBackColor, const CColor&, backColour_)
KELVANTI_DIRTY_SETTER(setFrameColor, const CColor&, frameColour_)
KELVANTI_DIRTY_SETTER(setShadowColor, const CColor&, shadowColour_)
KELVANTI_DIRTY_SETTER(setHoriAlign, int32_t, horizontalAlign_)
KELVANTI_DIRTY_SETTER(setStyle, int32_t, style_)
KELVANTI_DIRTY_SETTER(setTxtFace, int32_t, fontStyle_)
#undef KELVANTI_DIRTY_SETTER

void CParamDisplay::setStringConvertUserData(CParamDisplayValueToStringUserData converter, void* userData) {
    valueToStringUserData_ = converter;
    userData_ = userData;
}

void CParamDisplay::setStringConvert(CParamDisplayValueToString converter) { valueToString_ = converter; }

} // namespace VSTGUI
