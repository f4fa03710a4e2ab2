#include "tools/skin/SkinArt.h"

#include "tools/skin/SkinLayout.h"

namespace skin {
namespace {

using namespace colours;

constexpr Rgb kTrack{17, 18, 22};
constexpr Rgb kCapEdge{9, 10, 13};
constexpr Rgb kCapFace{66, 70, 80};
constexpr Rgb kCapLight{84, 89, 101};
constexpr Rgb kPointer{250, 250, 250};
constexpr Rgb kLampOff{58, 46, 40};
constexpr Rgb kLampGlow{120, 80, 28};
constexpr Rgb kCellOn{86, 60, 22};

raster::PixelBuffer opaque(int width, int height, Rgb colour) {
    raster::PixelBuffer pixels(width, height);
    Canvas(pixels).fill(0, 0, width, height, colour);
    return pixels;
}

// A lamp at (cx, cy): dark when off, lit with a soft halo when on.
void lamp(Canvas& canvas, double cx, double cy, bool on) {
    if (on) canvas.disc(cx, cy, 3.8, kLampGlow);
    canvas.disc(cx, cy, 2.9, kCapEdge);
    canvas.disc(cx, cy, 2.3, on ? kTitle : kLampOff);
    if (on) canvas.disc(cx - 0.6, cy - 0.6, 0.9, Rgb{255, 228, 170});
}

constexpr Rgb kLitInk{255, 214, 140};

// A square cell, dark-edged, lit amber when on.
void litCell(Canvas& canvas, int left, int top, int width, int height, bool on) {
    canvas.fill(left, top, left + width, top + height, kFaceEdge);
    canvas.fill(left + 1, top + 1, left + width - 1, top + height - 1, on ? kCellOn : kFaceOff);
    canvas.fill(left + 1, top + 1, left + width - 1, top + 2, on ? Rgb{128, 92, 38} : Rgb{72, 77, 88});
}

void waveIcon(Canvas& canvas, int left, int top, int cell, Rgb colour) {
    const double x0 = left + 4.5, x1 = left + 17.5, mid = top + 9.0, lift = 4.0;
    const double width = 1.5;
    if (cell == 0) {
        const int steps = 24;
        double px = x0, py = mid;
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            const double x = x0 + (x1 - x0) * t, y = mid - lift * sineOfDegrees(360.0 * t);
            canvas.stroke(px, py, x, y, width, colour);
            px = x;
            py = y;
        }
    } else if (cell == 1) {
        const double q = (x1 - x0) / 4.0;
        canvas.stroke(x0, mid, x0 + q, mid - lift, width, colour);
        canvas.stroke(x0 + q, mid - lift, x0 + 3 * q, mid + lift, width, colour);
        canvas.stroke(x0 + 3 * q, mid + lift, x1, mid, width, colour);
    } else {
        const double h = (x0 + x1) / 2.0;
        canvas.stroke(x0, mid, x0, mid - lift, width, colour);
        canvas.stroke(x0, mid - lift, h, mid - lift, width, colour);
        canvas.stroke(h, mid - lift, h, mid + lift, width, colour);
        canvas.stroke(h, mid + lift, x1, mid + lift, width, colour);
        canvas.stroke(x1, mid + lift, x1, mid, width, colour);
    }
}

} // namespace

void drawButtonFace(Canvas& canvas, int left, int top, int width, int height, bool on) {
    canvas.roundRect(left + 0.5, top + 0.5, left + width - 0.5, top + height - 0.5, 3.0, kFaceEdge);
    canvas.roundRect(left + 1.5, top + 1.5, left + width - 1.5, top + height - 1.5, 2.0, on ? kFaceOn : kFaceOff);
    // A lighter top edge, so the face stands out of the panel.
    canvas.fill(left + 3, top + 1, left + width - 3, top + 2, on ? Rgb{88, 93, 106} : Rgb{72, 77, 88});
}

double knobAngle(double value) { return -150.0 + 300.0 * value; }

void drawKnob(Canvas& canvas, int left, int top, double value) {
    const double cx = left + 12.5, cy = top + 12.5;
    canvas.fill(left, top, left + layout::kKnobSize, top + layout::kKnobSize, kPanel);
    canvas.arc(cx, cy, 9.7, 12.2, -150.0, 150.0, kTrack);
    const double angle = knobAngle(value);
    if (value > 0.0) canvas.arc(cx, cy, 10.0, 11.9, -150.0, angle, kTitle);
    canvas.disc(cx, cy, 8.6, kCapEdge);
    canvas.disc(cx, cy, 7.7, kCapFace);
    canvas.disc(cx - 0.7, cy - 1.3, 5.6, kCapLight);
    const double dx = sineOfDegrees(angle), dy = -cosineOfDegrees(angle);
    canvas.stroke(cx + dx * 1.8, cy + dy * 1.8, cx + dx * 7.0, cy + dy * 7.0, 2.3, kPointer);
}

raster::PixelBuffer drawKnobStrip() {
    using namespace layout;
    raster::PixelBuffer strip = opaque(kKnobColumns * kKnobSize, kKnobRows * kKnobSize, kPanel);
    Canvas canvas(strip);
    for (int frame = 0; frame < kKnobFrames; ++frame) {
        // Column-major: frame c is in column c / 11, row c % 11.
        drawKnob(canvas, frame / kKnobRows * kKnobSize, frame % kKnobRows * kKnobSize,
                 static_cast<double>(frame) / (kKnobFrames - 1));
    }
    return strip;
}

raster::PixelBuffer drawSliderHandle() {
    using namespace layout;
    raster::PixelBuffer handle = opaque(kHandleWidth, kHandleHeight, kCapEdge);
    Canvas canvas(handle);
    canvas.verticalRamp(1, 1, kHandleWidth - 1, kHandleHeight - 1, Rgb{150, 156, 168}, Rgb{86, 91, 103});
    canvas.fill(1, 1, kHandleWidth - 1, 2, Rgb{190, 195, 206});
    canvas.fill(1, 4, kHandleWidth - 1, 6, kTitle);
    return handle;
}

void drawSliderGroove(Canvas& canvas, int left, int top) {
    using namespace layout;
    canvas.fill(left, top, left + kSliderWidth, top + kSliderHeight, kPanel);
    for (int step = 0; step <= 4; ++step) {
        // The handle's middle rows (4 and 5) at value 1 - step / 4.
        const int row = top + 4 + step * 6;
        const Rgb tick = step == 0 || step == 4 ? kDim : Rgb{92, 98, 111};
        canvas.fill(left, row, left + 3, row + 2, tick);
        canvas.fill(left + kSliderWidth - 3, row, left + kSliderWidth, row + 2, tick);
    }
    canvas.roundRect(left + 4.5, top + 2.5, left + 9.5, top + kSliderHeight - 2.5, 2.5, kGroove);
    canvas.fill(left + 6, top + 4, left + 8, top + kSliderHeight - 4, Rgb{5, 5, 7});
}

raster::PixelBuffer drawSwitchFace(int skinId) {
    using namespace layout;
    const Switch* which = nullptr;
    for (const Switch& s : kSwitches) {
        if (s.skin == skinId) which = &s;
    }
    if (!which) return {};
    const int width = which->width, height = which->height;
    raster::PixelBuffer face = opaque(width, 2 * height, kPanel);
    Canvas canvas(face);
    for (int state = 0; state < 2; ++state) {
        const bool on = state == 1;
        const int top = state * height;
        // Seven-pixel letters in the middle of the state.
        const int baseline = top + (height + 7) / 2;
        if (skinId == 130 || skinId == 134) {
            // The pitch envelope's targets: too narrow for a lamp, the face
            // lights up as the waveform row's cells do.
            litCell(canvas, 0, top, width, height, on);
            canvas.text(skinId == 130 ? "Timbre" : "Base", width / 2, baseline, 10, false, on ? kLitInk : kDim,
                        Align::centre);
            continue;
        }
        drawButtonFace(canvas, 0, top, width, height, on);
        if (skinId == 132) {
            // Knob mode: off = circular drags, on = linear drags.
            canvas.text(on ? "Linear" : "Circular", width / 2, baseline, 10, false, kCaption, Align::centre);
            continue;
        }
        lamp(canvas, 7.0, top + 7.0, on);
        canvas.text(on ? "On" : "Off", 27, baseline, 10, false, on ? kCaption : kDim, Align::centre);
    }
    return face;
}

raster::PixelBuffer drawBadge() {
    using namespace layout;
    raster::PixelBuffer badge = opaque(kBadgeWidth, kBadgeHeight, kFooter);
    Canvas canvas(badge);
    canvas.roundRect(0.5, 0.5, kBadgeWidth - 0.5, kBadgeHeight - 0.5, 3.0, kTitle);
    canvas.roundRect(1.5, 1.5, kBadgeWidth - 1.5, kBadgeHeight - 1.5, 2.0, Rgb{20, 21, 26});
    canvas.text("HARVELL", kBadgeWidth / 2, 11, 10, true, kTitle, Align::centre);
    return badge;
}

raster::PixelBuffer drawWaveformRow() {
    using namespace layout;
    const int width = kRadioCells * kRadioCellWidth;
    raster::PixelBuffer row = opaque(width, 2 * kRadioHeight, kFaceEdge);
    Canvas canvas(row);
    for (int state = 0; state < 2; ++state) {
        const bool on = state == 1;
        const int top = state * kRadioHeight;
        for (int cell = 0; cell < kRadioCells; ++cell) {
            const int left = cell * kRadioCellWidth;
            litCell(canvas, left, top, kRadioCellWidth, kRadioHeight, on);
            waveIcon(canvas, left, top, cell, on ? kLitInk : kCaption);
        }
    }
    return row;
}

raster::PixelBuffer drawMidiLearnFace() {
    using namespace layout;
    raster::PixelBuffer face = opaque(kEcsWidth, 2 * kEcsHeight, kPanel);
    Canvas canvas(face);
    for (int state = 0; state < 2; ++state) {
        const bool on = state == 1;
        const int top = state * kEcsHeight;
        drawButtonFace(canvas, 0, top, kEcsWidth, kEcsHeight, on);
        canvas.text("MIDI", 5, top + 10, 10, true, on ? kCaption : kDim);
        lamp(canvas, kEcsWidth - 8.0, top + 7.0, on);
    }
    return face;
}

std::vector<Skin> drawSkins() {
    std::vector<Skin> skins;
    for (const layout::SkinName& entry : layout::kSkinNames) {
        Skin skin;
        skin.id = entry.id;
        skin.name = entry.name;
        switch (entry.id) {
        case 128: skin.pixels = drawMainPage(); break;
        case 129: skin.pixels = drawBackPage(); break;
        case 130:
        case 132:
        case 134:
        case 136: skin.pixels = drawSwitchFace(entry.id); break;
        case 131: skin.pixels = drawMidiLearnFace(); break;
        case 135: skin.pixels = drawBadge(); break;
        case 137: skin.pixels = drawWaveformRow(); break;
        case 138: skin.pixels = drawKnobStrip(); break;
        case 139: skin.pixels = drawSliderHandle(); break;
        default: break;
        }
        skins.push_back(std::move(skin));
    }
    return skins;
}

} // namespace skin
