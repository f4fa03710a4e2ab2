// The two page backgrounds: panels with their titles, the captions of every
// control, the knobs' tracks and caps at value 0 (the strip's frame 0, so a
// page looks whole before any control has drawn), the sliders' grooves, the
// boxes under the transparent menus and displays, the page's own buttons
// (program steps, import, export, the display's - and +, the tuning file) and
// the two bars that swap the pages.
#include <string>

#include "tools/skin/SkinArt.h"
#include "tools/skin/SkinLayout.h"

namespace skin {
namespace {

using namespace colours;
using namespace layout;

constexpr int kTitleSize = 10, kCaptionSize = 10;

// A panel: rounded, one pixel of edge, a title in the top-left corner
// followed by a hairline (none without a title).
void panel(Canvas& canvas, int left, int top, int right, int bottom, const char* title, int titleBaseline) {
    canvas.roundRect(left, top, right, bottom, 5.0, kPanelEdge);
    canvas.roundRect(left + 1, top + 1, right - 1, bottom - 1, 4.0, kPanel);
    if (!title) return;
    canvas.text(title, left + 8, titleBaseline, kTitleSize, true, kTitle);
    const int after = left + 8 + canvas.textWidth(title, kTitleSize, true) + 6;
    canvas.fill(after, titleBaseline - 4, right - 8, titleBaseline - 3, kPanelEdge);
}

void screenBox(Canvas& canvas, int left, int top, int right, int bottom) {
    canvas.fill(left - 1, top - 1, right + 1, bottom + 1, kScreenEdge);
    canvas.fill(left, top, right, bottom, kScreen);
}

void knobWithCaption(Canvas& canvas, const Knob& knob) {
    drawKnob(canvas, knob.x - kKnobLeft, knob.y - kKnobAbove, 0.0);
    canvas.text(knob.caption, knob.x + 1, knob.y + 23, kCaptionSize, false, kCaption, Align::centre);
}

// The icons of the small buttons, drawn in a box's middle.
void stepIcon(Canvas& canvas, const Box& box, bool forward) {
    drawButtonFace(canvas, box.x, box.y, box.width, box.height, false);
    const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
    if (forward) {
        canvas.triangle(cx - 2.5, cy - 4.0, cx + 3.5, cy, cx - 2.5, cy + 4.0, kCaption);
    } else {
        canvas.triangle(cx + 2.5, cy - 4.0, cx - 3.5, cy, cx + 2.5, cy + 4.0, kCaption);
    }
}

// A tray with an arrow into it (load) or out of it (save).
void fileIcon(Canvas& canvas, const Box& box, bool save) {
    drawButtonFace(canvas, box.x, box.y, box.width, box.height, false);
    const double cx = box.x + box.width / 2.0, top = box.y + 2.5, bottom = box.y + box.height - 2.5;
    canvas.stroke(cx - 4.5, bottom - 3.0, cx - 4.5, bottom, 1.3, kCaption);
    canvas.stroke(cx - 4.5, bottom, cx + 4.5, bottom, 1.3, kCaption);
    canvas.stroke(cx + 4.5, bottom, cx + 4.5, bottom - 3.0, 1.3, kCaption);
    if (save) {
        canvas.stroke(cx, bottom - 2.5, cx, top + 2.5, 1.6, kTitle);
        canvas.triangle(cx - 3.2, top + 3.2, cx, top, cx + 3.2, top + 3.2, kTitle);
    } else {
        canvas.stroke(cx, top, cx, bottom - 4.5, 1.6, kTitle);
        canvas.triangle(cx - 3.2, bottom - 5.0, cx, bottom - 1.8, cx + 3.2, bottom - 5.0, kTitle);
    }
}

void menuBox(Canvas& canvas, const Box& box) {
    screenBox(canvas, box.x, box.y, box.right(), box.bottom());
    // A small mark at the right end: this box opens a menu.
    const double cx = box.right() - 5.5, cy = box.y + box.height / 2.0;
    canvas.triangle(cx - 2.5, cy - 1.5, cx + 2.5, cy - 1.5, cx, cy + 1.5, kDim);
}

} // namespace

raster::PixelBuffer drawMainPage() {
    raster::PixelBuffer page(kPageWidth, kPageHeight);
    Canvas canvas(page);
    canvas.fill(0, 0, kPageWidth, kPageHeight, kPage);

    panel(canvas, 50, 2, 300, 67, "TIMBRE", 13);
    panel(canvas, 304, 2, 548, 67, "PITCH", 13);
    panel(canvas, 552, 2, 600, 67, "MAIN", 13);
    panel(canvas, 603, 2, 720, 78, "VELOCITY", 13);
    panel(canvas, 50, 70, 300, 128, "BASE", 81);
    panel(canvas, 304, 70, 502, 128, "NOISE", 81);
    panel(canvas, 506, 81, 720, 128, nullptr, 0);

    // The instrument's name down the left margin.
    panel(canvas, 4, 2, 46, 128, nullptr, 0);
    const char* name = "ZENDRIX";
    for (int i = 0; name[i]; ++i) {
        canvas.text(std::string(1, name[i]), 25, 22 + i * 16, 13, true, kTitle, Align::centre);
    }

    for (const Knob& knob : kKnobs) knobWithCaption(canvas, knob);

    // The pitch envelope's two switches carry their names on their faces.

    // Sliders: the captions in two rows, as their neighbours are only 20 apart.
    for (size_t i = 0; i < sizeof(kSliders) / sizeof(kSliders[0]); ++i) {
        const Slider& slider = kSliders[i];
        drawSliderGroove(canvas, slider.x - kSliderLeft, slider.y - kSliderAbove);
        canvas.text(slider.caption, slider.x + 1, i % 2 ? 74 : 64, kCaptionSize, false, kCaption, Align::centre);
    }

    // Programs: the bank and program menus, the step and file buttons.
    menuBox(canvas, kBankMenu);
    menuBox(canvas, kProgramMenu);
    stepIcon(canvas, kPreviousProgram, false);
    fileIcon(canvas, kImport, false);
    stepIcon(canvas, kNextProgram, true);
    fileIcon(canvas, kExport, true);

    // The bar that shows the back page; the waveform row and the badge sit on it.
    const Box& bar = kMainSwap;
    canvas.roundRect(bar.x, bar.y, bar.right(), bar.bottom(), 4.0, Rgb{74, 80, 93});
    canvas.roundRect(bar.x + 1, bar.y + 1, bar.right() - 1, bar.bottom() - 1, 3.0, kFooter);
    canvas.fill(bar.x + 4, bar.y + 1, bar.right() - 4, bar.y + 2, Rgb{66, 71, 83});
    // A tab of the bar holds the waveform row, which stands higher than the bar.
    const int tabLeft = kRadioX - 4, tabRight = kRadioX + kRadioCells * kRadioCellWidth + 4;
    canvas.roundRect(tabLeft, kRadioY - 2, tabRight, bar.y + 10, 4.0, Rgb{74, 80, 93});
    canvas.roundRect(tabLeft + 1, kRadioY - 1, tabRight - 1, bar.y + 10, 3.0, kFooter);
    canvas.fill(tabLeft + 1, bar.y, tabRight - 1, bar.y + 2, kFooter);
    const int baseline = bar.y + 15;
    canvas.text("KELVANTI", bar.x + 12, baseline, 9, true, kDim);
    canvas.text("Waveform", kRadioX - 6, baseline, kCaptionSize, false, kCaption, Align::right);
    canvas.text("Settings and tuning", bar.right() - 22, baseline, kCaptionSize, false, kCaption, Align::right);
    const double ax = bar.right() - 14.5, ay = bar.y + bar.height / 2.0;
    canvas.triangle(ax - 2.5, ay - 4.0, ax + 3.0, ay, ax - 2.5, ay + 4.0, kTitle);
    return page;
}

raster::PixelBuffer drawBackPage() {
    raster::PixelBuffer page(kPageWidth, kPageHeight);
    Canvas canvas(page);
    canvas.fill(0, 0, kPageWidth, kPageHeight, kPage);

    // The header: the whole bar returns to the main page.
    const Box& bar = kBackSwap;
    // It fades into the page: the version display hangs over its lower edge.
    canvas.verticalRamp(bar.x, bar.y, bar.right(), bar.bottom(), Rgb{60, 65, 77}, Rgb{33, 35, 41});
    canvas.text("ZENDRIX", 16, 29, 20, true, kTitle);
    canvas.text("Settings", 16 + canvas.textWidth("ZENDRIX", 20, true) + 10, 29, 13, false, kCaption);
    canvas.text("Back to the sound", bar.right() - 26, 27, 11, false, kCaption, Align::right);
    const double ax = bar.right() - 15.5, ay = 23.0;
    canvas.triangle(ax + 2.5, ay - 4.5, ax - 3.5, ay, ax + 2.5, ay + 4.5, kTitle);

    // The version display (the control paints its own ground).
    canvas.text("Version", kVersion.x - 5, kVersion.bottom() - 2, kCaptionSize, false, kCaption, Align::right);
    canvas.fill(kVersion.x - 1, kVersion.y - 1, kVersion.right() + 1, kVersion.bottom() + 1, kScreenEdge);
    canvas.fill(kVersion.x, kVersion.y, kVersion.right(), kVersion.bottom(), Rgb{20, 20, 40});

    panel(canvas, 330, 50, 600, 124, nullptr, 0);
    // Knob mode's caption before its switch, exactness's after (the two are
    // too close for a caption between them).
    for (const Switch& s : kSwitches) {
        if (!s.backPage) continue;
        if (s.index == 31) canvas.text("Knobs", s.x - 5, s.y + 11, kCaptionSize, false, kCaption, Align::right);
        if (s.index == 32) canvas.text("Exactness", s.x + kSwitchWidth + 5, s.y + 11, kCaptionSize, false, kCaption);
    }

    // Concert pitch: the value's box, then - and +.
    canvas.text("Concert A", kTuneText.x - 5, kTuneText.y + 11, kCaptionSize, false, kCaption, Align::right);
    screenBox(canvas, kTuneText.x, kTuneText.y, kTuneText.right(), kTuneText.bottom());
    drawButtonFace(canvas, kTuneMinus.x, kTuneMinus.y, kTuneMinus.width, kTuneMinus.height, false);
    drawButtonFace(canvas, kTunePlus.x, kTunePlus.y, kTunePlus.width, kTunePlus.height, false);
    const double my = kTuneMinus.y + kTuneMinus.height / 2.0;
    const double mx = kTuneMinus.x + kTuneMinus.width / 2.0, px = kTunePlus.x + kTunePlus.width / 2.0;
    canvas.stroke(mx - 2.5, my, mx + 2.5, my, 1.6, kCaption);
    canvas.stroke(px - 3.0, my, px + 3.0, my, 1.6, kCaption);
    canvas.stroke(px, my - 3.0, px, my + 3.0, 1.6, kCaption);
    canvas.text("Hz", kTunePlus.right() + 4, kTuneText.y + 11, kCaptionSize, false, kCaption);

    // The tuning file: its button and the box of its name.
    canvas.text("Tuning", kTuningButton.x - 5, kTuningButton.y + 11, kCaptionSize, false, kCaption, Align::right);
    Box folder = kTuningButton;
    drawButtonFace(canvas, folder.x, folder.y, folder.width, folder.height, false);
    const double fx = folder.x + 3.5, fy = folder.y + 4.5;
    canvas.roundRect(fx, fy, fx + 4.0, fy + 2.0, 0.8, kTitle);
    canvas.roundRect(fx, fy + 1.0, fx + 8.0, fy + 7.0, 0.8, kTitle);
    screenBox(canvas, kTuningFile.x, kTuningFile.y, kTuningFile.right(), kTuningFile.bottom());

    // How the controls behave, for the musician.
    const char* help[] = {"Drag a knob up and down, or around its centre",
                          "(Knobs: Linear or Circular).",
                          "Hold Shift while dragging for fine steps;",
                          "Ctrl-click sets a control to its default.",
                          "Concert A: 415.3 to 466.2 Hz, for every note.",
                          "Tuning: a .tun file retunes the scale."};
    int y = 68;
    for (const char* line : help) {
        canvas.text(line, 24, y, kCaptionSize, false, kDim);
        y += 14;
    }
    canvas.text("Zendrix percussion synthesizer by Harvell", kPageWidth - 16, 150, 9, false, kDim, Align::right);
    return page;
}

} // namespace skin
