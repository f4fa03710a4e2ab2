#include "gui/raster/PngDecode.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace raster {
namespace {

struct ByteSource {
    const uint8_t* data;
    size_t position;
    size_t size;
};

// A request past the end is an error: libpng must not decode bytes it never got.
void readBytes(png_structp png, png_bytep destination, size_t length) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (!source || length > source->size - source->position) png_error(png, "short read");
    std::memcpy(destination, source->data + source->position, length);
    source->position += length;
}

// Damaged images are expected input: no text on stderr.
void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

void premultiply(PixelBuffer& image) {
    for (uint32_t& p : image.pixels()) {
        const uint32_t a = alphaOf(p);
        if (a == 0) {
            p = 0;
            continue;
        }
        p = a << 24 | ((redOf(p) * a) >> 8) << 16 | ((greenOf(p) * a) >> 8) << 8 | ((blueOf(p) * a) >> 8);
    }
}

struct Decode {
    ByteSource source;
    PixelBuffer* out;
    PngOutcome outcome;
};

// Everything libpng can jump out of; touches state only through d.
void run(png_structp png, png_infop info, Decode* d) {
    if (setjmp(png_jmpbuf(png))) return;
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_read_fn(png, &d->source, readBytes);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) png_error(png, "size");
    *d->out = PixelBuffer(static_cast<int>(width), static_cast<int>(height));
    d->outcome.header = true;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
    } else {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    if (depth == 16) {
        png_set_swap(png);
        png_set_strip_16(png);
    }
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "row layout");

    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, reinterpret_cast<png_bytep>(d->out->row(static_cast<int>(y))), nullptr);
        }
    }
    png_read_end(png, nullptr);
    d->outcome.complete = true;
}

} // namespace

PngOutcome decodePng(const uint8_t* data, size_t size, PixelBuffer& out) {
    out = PixelBuffer();
    Decode d{ByteSource{data, 0, data ? size : 0}, &out, PngOutcome{}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png) return d.outcome;
    png_infop info = png_create_info_struct(png);
    if (info) run(png, info, &d);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    // Rows not reached are still 0: transparent after premultiplying too.
    premultiply(out);
    return d.outcome;
}

} // namespace raster
