// Skin images are decoded from bytes the library carries, but the decoder
// must hold against any bytes: no read past the input, no size beyond the
// cap, and every pixel it answers premultiplied (no colour above its alpha),
// also for images that break off half way. The decoded image is then blended
// partly outside a small target, as a bitmap would be.
#include "gui/raster/PngDecode.h"
#include "gui/raster/Raster.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    raster::PixelBuffer image;
    const raster::PngOutcome outcome = raster::decodePng(data, size, image);
    if (!outcome.header && !image.empty()) __builtin_trap();
    if (outcome.complete && !outcome.header) __builtin_trap();
    if (image.width() > raster::kMaxPngSide || image.height() > raster::kMaxPngSide) __builtin_trap();
    for (uint32_t p : image.pixels()) {
        const uint8_t a = raster::alphaOf(p);
        if (raster::redOf(p) > a || raster::greenOf(p) > a || raster::blueOf(p) > a) __builtin_trap();
    }
    raster::PixelBuffer target(17, 9);
    const int shift = size > 0 ? data[0] % 32 - 16 : 0;
    raster::blendPixels(image, VSTGUI::CPoint(shift, -shift), target, VSTGUI::CRect(-3, 2, 20, 40), 200,
                        VSTGUI::CRect(0, 0, 17, 9));
    return 0;
}
