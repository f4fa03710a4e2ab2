#include "gui/CBitmap.h"

#include <map>
#include <mutex>
#include <utility>

#include "gui/CDrawContext.h"
#include "gui/raster/PngDecode.h"
#include "gui/raster/Raster.h"
#include "resources/ResourceTable.h"

namespace VSTGUI {
namespace {

// Decoded images by the address and size of their bytes, kept while any
// bitmap holds them (resource bytes never change while the process runs).
class DecodedImages {
public:
    // Goes with the library (a host that unloads the plug-in gets its memory
    // back); bitmaps alive then keep their own images, and none is made after.
    static DecodedImages& instance() {
        static DecodedImages images;
        return images;
    }

    std::shared_ptr<const raster::PixelBuffer> get(const resources::Bytes& bytes) {
        std::lock_guard<std::mutex> hold(lock_);
        const auto key = std::make_pair(bytes.data, bytes.size);
        if (auto found = images_[key].lock()) return found;
        auto decoded = std::make_shared<raster::PixelBuffer>();
        raster::decodePng(bytes.data, bytes.size, *decoded);
        images_[key] = decoded;
        return decoded;
    }

private:
    std::mutex lock_;
    std::map<std::pair<const uint8_t*, size_t>, std::weak_ptr<const raster::PixelBuffer>> images_;
};

} // namespace

CBitmap::CBitmap(int32_t resourceNumber) : resourceNumber_(resourceNumber) {
    loadFromResource(resourceNumber);
    setTransparentColor(kTransparentCColor);
}

CBitmap::~CBitmap() { dispose(); }

void CBitmap::dispose() {
    image_.reset();
    noAlpha_ = false;
    width_ = 0;
    height_ = 0;
}

bool CBitmap::loadFromResource(int32_t resourceNumber) {
    dispose();
    resourceNumber_ = resourceNumber;
    const resources::Bytes bytes = resources::findByNumber("PNG", resourceNumber);
    if (!bytes) {
        noAlpha_ = true;
        return false;
    }
    image_ = DecodedImages::instance().get(bytes);
    width_ = image_->width();
    height_ = image_->height();
    if (image_->empty()) image_.reset();  // the header was unreadable: nothing to draw
    noAlpha_ = false;
    return true;
}

bool CBitmap::loadFromPath(const void*) {
    dispose();
    return false;
}

// Every image here is a decoded PNG with alpha: both draw by blending (a
// colour-keyed copy would serve plain bitmaps, which no resource is).
void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha) {
    if (!image_ || !context || !context->getDevice()) return;
    CRect to = rect;
    to.offset(context->getOffset().h, context->getOffset().v);
    raster::blendPixels(*image_, offset, *context->getDevice(), to, alpha, context->deviceClip());
}

} // namespace VSTGUI
