#pragma once
// Drawing state over a pixel buffer: pen, brush, font and font colour, draw
// mode, clip, the drawing offset added to every coordinate and the screen
// origin that turns the cursor into context coordinates. Colours reach the
// pixels as red, green and blue only. Contexts are short-lived and used on
// the editor's thread; the buffer must outlive the context.
#include <cstdint>
#include <string>

#include "gui/CColor.h"
#include "gui/CReferenceCounter.h"
#include "gui/Geometry.h"
#include "gui/raster/PixelBuffer.h"

namespace VSTGUI {

class CFrame;

enum CLineStyle : int32_t { kLineSolid = 0, kLineOnOffDash = 1 };
enum CDrawMode : int32_t { kCopyMode = 0, kOrMode = 1, kXorMode = 2 };
enum CDrawStyle : int32_t { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };
enum CFontStyle : int32_t { kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };
enum CHoriTxtAlign : int32_t { kLeftText = 0, kCenterText = 1, kRightText = 2 };
// Font identifiers; any other number is taken as kSystemFont.
enum CFont : int32_t {
    kSystemFont = 0, kNormalFontVeryBig, kNormalFontBig, kNormalFont, kNormalFontSmall,
    kNormalFontSmaller, kNormalFontVerySmall, kSymbolFont, kNumStandardFonts
};
// Mouse buttons and modifier keys of getMouseButtons.
enum CButton : int32_t { kLButton = 1, kMButton = 2, kRButton = 4, kShift = 8, kControl = 16, kAlt = 32 };

// Default pixel size of each font identifier.
int32_t defaultFontSize(int32_t fontId);

class CDrawContext : public CReferenceCounter {
public:
    // frame may be none (then the clip starts as (0, 0, 1000, 1000)); device
    // may be none (then every call is accepted and draws nothing).
    CDrawContext(CFrame* frame, raster::PixelBuffer* device);

    void setFrameColor(const CColor& colour);
    CColor getFrameColor() const { return frameColour_; }
    void setFillColor(const CColor& colour);
    CColor getFillColor() const { return fillColour_; }
    void setFontColor(const CColor& colour) { fontColour_ = colour; }
    CColor getFontColor() const { return fontColour_; }
    void setLineWidth(int32_t width);
    int32_t getLineWidth() const { return lineWidth_; }
    void setLineStyle(int32_t style);
    int32_t getLineStyle() const { return lineStyle_; }
    void setDrawMode(int32_t mode);
    int32_t getDrawMode() const { return drawMode_; }
    void setFont(int32_t fontId, int32_t size = 0, int32_t style = 0);
    int32_t getFont() const { return fontId_; }
    int32_t getFontSize() const { return fontSize_; }
    int32_t getFontStyle() const { return fontStyle_; }
    // In the caller's coordinates: the offset is added on the way in and
    // taken off on the way out.
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;

    void moveTo(const CPoint& point);
    // From the current position up to, not including, point.
    void lineTo(const CPoint& point);
    void drawRect(const CRect& rect, int32_t style = kDrawStroked);
    // Everything but the top row and the left column of rect.
    void fillRect(const CRect& rect);
    // One line, centred vertically, clipped to rect.
    void drawString(const char* text, const CRect& rect, bool opaque = false, int32_t align = kCenterText);
    int32_t getStringWidth(const char* text);

    int32_t getMouseButtons() const;
    CPoint& getMouseLocation(CPoint& point) const;

    const CPoint& getOffset() const { return offset_; }
    void setOffset(const CPoint& offset) { offset_ = offset; }
    const CPoint& getScreenOrigin() const { return screenOrigin_; }
    void setScreenOrigin(const CPoint& origin) { screenOrigin_ = origin; }
    raster::PixelBuffer* getDevice() const { return device_; }
    CFrame* getFrame() const { return frame_; }
    // The stored clip, in device coordinates.
    const CRect& deviceClip() const { return clip_; }

    // How often the platform objects were made anew (a setter given the
    // current value makes none).
    struct ObjectCounts {
        int32_t pens = 0, brushes = 0, fonts = 0;
    };
    const ObjectCounts& objectCounts() const { return objects_; }

protected:
    void setDevice(raster::PixelBuffer* device) { device_ = device; }

private:
    CFrame* frame_;
    raster::PixelBuffer* device_;
    CPoint screenOrigin_;
    CPoint offset_;
    CPoint penAt_;  // the device's current position (device coordinates)
    int32_t fontSize_ = -1;
    int32_t fontStyle_ = 0;
    int32_t fontId_ = kNumStandardFonts;
    CColor fontColour_;
    // Unlike any first value, so that the constructor's setters take effect.
    int32_t lineWidth_ = 0;
    CColor frameColour_{0, 0, 0, 0};
    CColor fillColour_{0, 0, 0, 0};
    int32_t lineStyle_ = kLineOnOffDash;
    int32_t drawMode_ = 3;
    CRect clip_;
    ObjectCounts objects_;
};

// A context on a pixel buffer of its own: back buffers of frames and
// containers. Its pixels move to other contexts by plain block copies.
class COffscreenContext : public CDrawContext {
public:
    COffscreenContext(CFrame* frame, int32_t width, int32_t height, const CColor& background = kBlackCColor);

    // Copies source's rect (plus its offset) to this buffer at destination.
    void copyFromContext(CDrawContext* source, const CRect& sourceRect, const CPoint& destination);
    // Copies this buffer from source into destination's rect (plus its offset).
    void copyToContext(CDrawContext* destination, const CRect& destinationRect, const CPoint& source);

    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }
    const raster::PixelBuffer& pixels() const { return pixels_; }

private:
    raster::PixelBuffer pixels_;
    int32_t width_, height_;
    CColor background_;
};

} // namespace VSTGUI
