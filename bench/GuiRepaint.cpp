// kelvanti-gui-bench: what a full repaint of an editor page costs.
//   kelvanti-gui-bench [--repaints N]     timings (median and best of N, microseconds)
//   kelvanti-gui-bench --callgrind N      N repaints, counted only inside them (callgrind)
// The page is 724 x 160: an opaque background skin, 30 knobs drawn as frames
// of a strip blended over it, 20 short texts. Skins are decoded once, before
// the first repaint, as the editor's cache does.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include "PngWriter.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "resources/ResourceTable.h"

using namespace VSTGUI;

namespace {

constexpr int kPageWidth = 724, kPageHeight = 160, kKnob = 40, kKnobFrames = 64;

pngtest::Image rgba(uint32_t width, uint32_t height) {
    pngtest::Image im;
    im.width = width;
    im.height = height;
    im.colourType = 6;
    im.rows.reserve(static_cast<size_t>(width) * height * 4);
    return im;
}

// A brushed panel, opaque.
std::vector<uint8_t> backgroundPng() {
    pngtest::Image im = rgba(kPageWidth, kPageHeight);
    for (uint32_t y = 0; y < im.height; ++y)
        for (uint32_t x = 0; x < im.width; ++x)
            im.rows.insert(im.rows.end(), {static_cast<uint8_t>(40 + (x * 7 + y * 3) % 23), static_cast<uint8_t>(44 + y / 8),
                                           static_cast<uint8_t>(52 + (x / 16) % 9), 255});
    return pngtest::encode(im);
}

// 64 frames of a round knob with an antialiased rim and a pointer.
std::vector<uint8_t> knobStripPng() {
    pngtest::Image im = rgba(kKnob, kKnob * kKnobFrames);
    for (uint32_t y = 0; y < im.height; ++y) {
        const uint32_t frame = y / kKnob;
        for (uint32_t x = 0; x < im.width; ++x) {
            const int dx = static_cast<int>(x) - kKnob / 2, dy = static_cast<int>(y % kKnob) - kKnob / 2;
            const int r2 = dx * dx + dy * dy;
            const uint8_t a = r2 < 16 * 16 ? 255 : r2 < 19 * 19 ? static_cast<uint8_t>(255 - (r2 - 256) * 255 / 105) : 0;
            const bool pointer = dy < 0 && std::abs(dx - static_cast<int>(frame) / 8 + 4) < 2;
            im.rows.insert(im.rows.end(), {static_cast<uint8_t>(pointer ? 255 : 150), static_cast<uint8_t>(pointer ? 200 : 150),
                                           static_cast<uint8_t>(pointer ? 0 : 160), a});
        }
    }
    return pngtest::encode(im);
}

// A knob: one frame of the strip, chosen by its value.
class Knob : public CView {
public:
    Knob(const CRect& size, CBitmap* strip, int frame) : CView(size), frame_(frame) { setBackground(strip); }
    void draw(CDrawContext* c) override {
        getBackground()->draw(c, size_, CPoint(0, frame_ * kKnob));
        setDirty(false);
    }

private:
    int frame_;
};

class Label : public CView {
public:
    Label(const CRect& size, std::string text) : CView(size), text_(std::move(text)) {}
    void draw(CDrawContext* c) override {
        c->setFont(kNormalFontSmall, 0, 0);
        c->setFontColor(kWhiteCColor);
        c->drawString(text_.c_str(), size_, false, kCenterText);
        setDirty(false);
    }

private:
    std::string text_;
};

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

} // namespace

int main(int argc, char** argv) {
    int repaints = 2000;
    bool callgrind = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--repaints") == 0) repaints = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--callgrind") == 0) callgrind = true, repaints = std::atoi(argv[i + 1]);
        else {
            std::fprintf(stderr, "usage: kelvanti-gui-bench [--repaints N | --callgrind N]\n");
            return 2;
        }
    }
    repaints = std::max(repaints, 1);
    const std::vector<uint8_t> background = backgroundPng(), strip = knobStripPng();
    const resources::BuiltInResource table[] = {
        {9001, "PNG", "9001-background", background.data(), background.data() + background.size()},
        {9002, "PNG", "9002-knobs", strip.data(), strip.data() + strip.size()},
        {0, nullptr, nullptr, nullptr, nullptr}};
    resources::ScopedExtraTable extra(table);

    raster::PixelBuffer window(kPageWidth, kPageHeight);
    CFrame* frame = new CFrame(CRect(0, 0, kPageWidth, kPageHeight), nullptr);
    frame->setBackBuffer(&window);
    CBitmap* page = new CBitmap(9001);
    CBitmap* knobs = new CBitmap(9002);
    CViewContainer* container = new CViewContainer(CRect(0, 0, kPageWidth, kPageHeight), frame, page);
    frame->addView(container);
    for (int i = 0; i < 30; ++i) {
        const int x = 8 + (i % 15) * 47, y = 14 + (i / 15) * 76;
        container->addView(new Knob(CRect(x, y, x + kKnob, y + kKnob), knobs, (i * 7) % kKnobFrames));
    }
    const char* names[] = {"Attack", "Hold", "Decay", "Pitch", "Tone", "Noise", "Colour", "Level", "Pan", "Mod"};
    for (int i = 0; i < 20; ++i) {
        const int x = 2 + (i % 10) * 72, y = 58 + (i / 10) * 76;
        container->addView(new Label(CRect(x, y, x + 70, y + 14), names[i % 10]));
    }
    page->forget();
    knobs->forget();

    std::vector<double> times;
    times.reserve(static_cast<size_t>(repaints));
    for (int i = 0; i < repaints; ++i) {
        if (callgrind) CALLGRIND_TOGGLE_COLLECT;
        const double start = now();
        CDrawContext* c = new CDrawContext(frame, &window);
        frame->draw(c);
        c->forget();
        times.push_back(now() - start);
        if (callgrind) CALLGRIND_TOGGLE_COLLECT;
    }
    std::sort(times.begin(), times.end());
    std::printf("full repaint 724 x 160 (background, 30 knobs blended, 20 texts): median %.1f us, best %.1f us over %d\n",
                1e6 * times[times.size() / 2], 1e6 * times.front(), repaints);
    frame->forget();
    return 0;
}
