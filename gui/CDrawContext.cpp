#include "gui/CDrawContext.h"

#include <algorithm>

#include "gui/CFrame.h"
#include "gui/raster/Raster.h"
#include "gui/raster/Text.h"

namespace VSTGUI {
namespace {

const int32_t kFontSizes[kNumStandardFonts] = {12, 18, 14, 12, 11, 10, 9, 13};

uint32_t rgbOf(const CColor& c) { return raster::packPixel(c.red, c.green, c.blue); }

raster::PenMode penModeOf(int32_t mode) {
    switch (mode) {
    case kOrMode: return raster::PenMode::merge;
    case kXorMode: return raster::PenMode::notXor;
    default: return raster::PenMode::copy;
    }
}

} // namespace

int32_t defaultFontSize(int32_t fontId) {
    return fontId >= 0 && fontId < kNumStandardFonts ? kFontSizes[fontId] : kFontSizes[kSystemFont];
}

CDrawContext::CDrawContext(CFrame* frame, raster::PixelBuffer* device)
    : frame_(frame), device_(device), clip_(frame ? frame->size() : CRect(0, 0, 1000, 1000)) {
    setFrameColor(kWhiteCColor);
    setLineStyle(kLineSolid);
    setLineWidth(1);
    setFillColor(kBlackCColor);
    setFontColor(kWhiteCColor);
    setFont(kSystemFont, 0, 0);
    setDrawMode(kCopyMode);
}

void CDrawContext::setFrameColor(const CColor& colour) {
    if (colour == frameColour_) return;
    frameColour_ = colour;
    ++objects_.pens;
}

void CDrawContext::setLineWidth(int32_t width) {
    if (width == lineWidth_) return;
    lineWidth_ = width;
    ++objects_.pens;
}

void CDrawContext::setLineStyle(int32_t style) {
    if (style == lineStyle_) return;
    lineStyle_ = style;
    ++objects_.pens;
}

void CDrawContext::setFillColor(const CColor& colour) {
    if (colour == fillColour_) return;
    fillColour_ = colour;
    ++objects_.brushes;
}

void CDrawContext::setDrawMode(int32_t mode) {
    if (mode < kCopyMode || mode > kXorMode) mode = kCopyMode;
    drawMode_ = mode;
}

void CDrawContext::setFont(int32_t fontId, int32_t size, int32_t style) {
    if (fontId < 0 || fontId >= kNumStandardFonts) fontId = kSystemFont;
    if (size <= 0) size = kFontSizes[fontId];
    if (fontId == fontId_ && size == fontSize_ && style == fontStyle_) return;
    fontId_ = fontId;
    fontSize_ = size;
    fontStyle_ = style;
    ++objects_.fonts;
}

void CDrawContext::setClipRect(const CRect& clip) {
    CRect device = clip;
    device.offset(offset_.h, offset_.v);
    clip_ = device;
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
    clip = clip_;
    return clip.offset(-offset_.h, -offset_.v);
}

void CDrawContext::moveTo(const CPoint& point) {
    penAt_ = point;
    penAt_.offset(offset_.h, offset_.v);
}

void CDrawContext::lineTo(const CPoint& point) {
    CPoint to = point;
    to.offset(offset_.h, offset_.v);
    if (device_) {
        raster::Pen pen;
        pen.colour = rgbOf(frameColour_);
        pen.width = lineWidth_;
        pen.dotted = lineStyle_ == kLineOnOffDash;
        pen.mode = penModeOf(drawMode_);
        raster::drawLine(*device_, penAt_, to, pen, clip_);
    }
    penAt_ = to;
}

void CDrawContext::drawRect(const CRect& rect, int32_t style) {
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        CRect area = rect;
        area.offset(offset_.h, offset_.v);
        if (device_) raster::fillRect(*device_, area, rgbOf(fillColour_), penModeOf(drawMode_), clip_);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        moveTo(CPoint(rect.left, rect.top));
        lineTo(CPoint(rect.right - 1, rect.top));
        lineTo(CPoint(rect.right - 1, rect.bottom - 1));
        lineTo(CPoint(rect.left, rect.bottom - 1));
        lineTo(CPoint(rect.left, rect.top));
    }
}

void CDrawContext::fillRect(const CRect& rect) {
    CRect area(rect.left + 1, rect.top + 1, rect.right, rect.bottom);
    area.offset(offset_.h, offset_.v);
    if (device_) raster::fillRect(*device_, area, rgbOf(fillColour_), penModeOf(drawMode_), clip_);
}

namespace {
raster::FontSpec fontSpecOf(int32_t id, int32_t size, int32_t style) {
    raster::FontSpec f;
    f.pixelSize = size;
    f.bold = (style & kBoldFace) != 0 || id == kSystemFont;
    f.italic = (style & kItalicFace) != 0;
    f.underline = (style & kUnderlineFace) != 0;
    return f;
}
} // namespace

int32_t CDrawContext::getStringWidth(const char* text) {
    if (!text) return 0;
    return raster::measureText(fontSpecOf(fontId_, fontSize_, fontStyle_), text).width;
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t align) {
    if (!text || !device_) return;
    const raster::FontSpec font = fontSpecOf(fontId_, fontSize_, fontStyle_);
    const std::string line(text);
    const raster::TextExtent extent = raster::measureText(font, line);
    CRect box = rect;
    box.offset(offset_.h, offset_.v);
    if (align != kCenterText && align != kRightText) box.left += 1;
    int32_t x = box.left;
    if (align == kCenterText) x = box.left + (box.width() - extent.width) / 2;
    if (align == kRightText) x = box.right - extent.width;
    const int32_t top = box.top + (box.height() - extent.height()) / 2;
    CRect clip = box;
    clip.bound(clip_);
    if (opaque) {
        raster::fillRect(*device_, CRect(x, top, x + extent.width, top + extent.height()), rgbOf(fillColour_),
                         raster::PenMode::copy, clip);
    }
    raster::drawText(*device_, font, line, x, top, rgbOf(fontColour_), clip);
}

int32_t CDrawContext::getMouseButtons() const {
    if (!frame_) return 0;
    const PointerState& p = frame_->getPointer();
    int32_t buttons = 0;
    if (p.left) buttons |= p.buttonsSwapped ? kRButton : kLButton;
    if (p.middle) buttons |= kMButton;
    if (p.right) buttons |= p.buttonsSwapped ? kLButton : kRButton;
    if (p.shift) buttons |= kShift;
    if (p.control) buttons |= kControl;
    if (p.alt) buttons |= kAlt;
    return buttons;
}

CPoint& CDrawContext::getMouseLocation(CPoint& point) const {
    point = frame_ ? frame_->getPointer().screen : CPoint();
    return point.offset(-screenOrigin_.h, -screenOrigin_.v);
}

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height, const CColor& background)
    : CDrawContext(frame, nullptr), pixels_(width, height), width_(width), height_(height), background_(background) {
    setDevice(&pixels_);
    setClipRect(CRect(std::min(0, width), std::min(0, height), std::max(0, width), std::max(0, height)));
    setFillColor(background);
    setFrameColor(background);
    const CRect whole(0, 0, width, height);
    fillRect(whole);
    drawRect(whole, kDrawStroked);
}

void COffscreenContext::copyFromContext(CDrawContext* source, const CRect& sourceRect, const CPoint& destination) {
    if (!source || !source->getDevice()) return;
    const CPoint from(sourceRect.left + source->getOffset().h, sourceRect.top + source->getOffset().v);
    const CRect to(destination.h, destination.v, destination.h + sourceRect.width(),
                   destination.v + sourceRect.height());
    // The whole buffer takes what lies underneath: the clip left by the last
    // child drawn here must not cut it.
    raster::copyPixels(*source->getDevice(), from, pixels_, to, CRect(0, 0, pixels_.width(), pixels_.height()));
}

void COffscreenContext::copyToContext(CDrawContext* destination, const CRect& destinationRect, const CPoint& source) {
    if (!destination || !destination->getDevice()) return;
    CRect to = destinationRect;
    to.offset(destination->getOffset().h, destination->getOffset().v);
    raster::copyPixels(pixels_, source, *destination->getDevice(), to, destination->deviceClip());
}

} // namespace VSTGUI
