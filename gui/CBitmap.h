#pragma once
// An image from the library's resources, found by number among the "PNG"
// resources and decoded into premultiplied pixels (row 0 the image's top).
// Each resource is decoded once per process and shared by every bitmap of
// it, whichever editor instance made it. Editor thread only for one bitmap;
// the shared decoding is locked.
#include <cstdint>
#include <memory>

#include "gui/CColor.h"
#include "gui/CReferenceCounter.h"
#include "gui/Geometry.h"
#include "gui/raster/PixelBuffer.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
public:
    explicit CBitmap(int32_t resourceNumber);
    ~CBitmap() override;

    // rect is the destination (the context's offset added), offset the
    // source position in the image; rect's size is copied.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    virtual void drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
                                uint8_t alpha = 128);
    virtual void dispose();
    // False when no "PNG" resource has the number (there are no other kinds
    // of bitmap resources); true for a damaged image, drawn as far as read.
    virtual bool loadFromResource(int32_t resourceNumber);
    // Loading from files is not supported: disposes and answers false.
    virtual bool loadFromPath(const void* path);

    int32_t getWidth() const { return width_; }
    int32_t getHeight() const { return height_; }
    int32_t getResourceID() const { return resourceNumber_; }
    bool isLoaded() const { return image_ != nullptr; }
    bool getNoAlpha() const { return noAlpha_; }
    void setTransparentColor(const CColor& colour) { transparentColour_ = colour; }
    CColor getTransparentColor() const { return transparentColour_; }
    // The decoded pixels; none when nothing is loaded.
    const raster::PixelBuffer* getPixels() const { return image_.get(); }

private:
    int32_t resourceNumber_;
    int32_t width_ = 0, height_ = 0;
    CColor transparentColour_ = kTransparentCColor;
    bool noAlpha_ = true;
    std::shared_ptr<const raster::PixelBuffer> image_;
};

} // namespace VSTGUI
