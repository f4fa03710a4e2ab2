#include "tools/skin/SkinPreview.h"

#include "gui/Geometry.h"
#include "gui/raster/Raster.h"
#include "tools/skin/SkinArt.h"
#include "tools/skin/SkinLayout.h"

namespace skin {
namespace {

using namespace layout;
constexpr int kGap = 6;

void copy(const raster::PixelBuffer* from, int srcX, int srcY, raster::PixelBuffer& to, int x, int y, int width,
          int height) {
    if (!from) return;
    const VSTGUI::CRect area(x, y, x + width, y + height);
    raster::copyPixels(*from, VSTGUI::CPoint(srcX, srcY), to, area, VSTGUI::CRect(0, 0, to.width(), to.height()));
}

void displayText(Canvas& canvas, const Box& box, const char* text, Align align) {
    const int x = align == Align::centre ? box.x + box.width / 2 : box.x + 3;
    canvas.text(text, x, box.y + box.height - 3, 11, false, colours::kDisplayText, align);
}

} // namespace

int knobFrameOf(double value) {
    if (!(value > 0.0)) value = 0.0;
    if (value > 1.0) value = 1.0;
    return static_cast<int>(value * (kKnobFrames - 1) + 0.001);
}

void knobFrameCorner(int frame, int& x, int& y) {
    x = frame / kKnobRows * kKnobSize;
    y = frame % kKnobRows * kKnobSize;
}

raster::PixelBuffer drawPreview(const SkinLookup& skinOf) {
    raster::PixelBuffer out(kPageWidth, 2 * kPageHeight + kGap);
    Canvas canvas(out);
    canvas.fill(0, 0, out.width(), out.height(), Rgb{0, 0, 0});
    const int back = kPageHeight + kGap;
    copy(skinOf(128), 0, 0, out, 0, 0, kPageWidth, kPageHeight);
    copy(skinOf(129), 0, 0, out, 0, back, kPageWidth, kPageHeight);

    int n = 0;
    for (const Knob& knob : kKnobs) {
        const double value = (n * 7 % 19) / 18.0;  // a spread from 0 to 1
        ++n;
        int sx = 0, sy = 0;
        knobFrameCorner(knobFrameOf(value), sx, sy);
        copy(skinOf(138), sx, sy, out, knob.x - kKnobLeft, knob.y - kKnobAbove, kKnobSize, kKnobSize);
    }
    const double sliderValues[] = {0.0, 0.5, 1.0};
    for (int i = 0; i < 3; ++i) {
        const Slider& s = kSliders[i];
        const int bottom = s.y - kSliderAbove + kSliderHeight;
        const int top = bottom - static_cast<int>(sliderValues[i] * (kSliderHeight - kHandleHeight)) - kHandleHeight;
        copy(skinOf(139), 0, 0, out, s.x - kSliderLeft, top, kHandleWidth, kHandleHeight);
    }
    for (const Switch& s : kSwitches) {
        const int state = s.index == 11 || s.index == 32 ? 1 : 0;
        copy(skinOf(s.skin), 0, state * s.height, out, s.x, s.y + (s.backPage ? back : 0), s.width, s.height);
    }
    copy(skinOf(135), 0, 0, out, kBadgeX, kBadgeY, kBadgeWidth, kBadgeHeight);
    const int radioWidth = kRadioCells * kRadioCellWidth, lit = 1;
    copy(skinOf(137), 0, 0, out, kRadioX, kRadioY, radioWidth, kRadioHeight);
    copy(skinOf(137), lit * kRadioCellWidth, kRadioHeight, out, kRadioX + lit * kRadioCellWidth, kRadioY,
         kRadioCellWidth, kRadioHeight);
    copy(skinOf(131), 0, 0, out, kEcsX, kEcsY, kEcsWidth, kEcsHeight);

    displayText(canvas, kBankMenu, "Drums", Align::left);
    displayText(canvas, kProgramMenu, "Snare Tight", Align::left);
    displayText(canvas, Box{kTuneText.x, kTuneText.y + back, kTuneText.width, kTuneText.height}, "440.0", Align::centre);
    displayText(canvas, Box{kTuningFile.x, kTuningFile.y + back, kTuningFile.width, kTuningFile.height}, "- - -",
                Align::left);
    canvas.text("1.1b", kVersion.x + 3, kVersion.y + back + kVersion.height - 2, 10, false, Rgb{255, 255, 255});
    return out;
}

} // namespace skin
