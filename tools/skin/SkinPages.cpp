// The two page backgrounds: the art around the controls (PageArt), and under
// each control what it stands on: the knobs' tracks and caps at value 0 (the
// strip's frame 0, so a page looks whole before any control has drawn), the
// sliders' grooves, the dark ground of the menus and displays, and the page's
// own buttons (program steps, import, export, the display's - and +, the
// tuning file). Nothing of a control's ground reaches outside its area.
#include <algorithm>

#include "tools/skin/PageArt.h"
#include "tools/skin/SkinArt.h"
#include "tools/skin/SkinLayout.h"

namespace skin {
namespace {

using namespace colours;
using namespace layout;

constexpr Rgb kBarEdge{74, 80, 93}, kBarLight{66, 71, 83};
constexpr Rgb kHeaderTop{60, 65, 77}, kHeaderFoot{33, 35, 41};

Box boundsOf(const Panel& panel) {
    Box all = panel.pieces.front();
    for (const Box& piece : panel.pieces) {
        all = span(std::min(all.x, piece.x), std::min(all.y, piece.y), std::max(all.right(), piece.right()),
                   std::max(all.bottom(), piece.bottom()));
    }
    return all;
}

void drawHeader(Canvas& canvas, const Panel& panel) {
    const Box all = boundsOf(panel);
    for (int y = all.y; y < all.bottom(); ++y) {
        const Rgb colour = mix(kHeaderTop, kHeaderFoot, y - all.y, all.height - 1);
        for (int x = all.x; x < all.right(); ++x) {
            // The foot: the header's last pixel above the page.
            const bool foot = !panelCovers(panel, x, y + 1);
            if (panelCovers(panel, x, y)) canvas.fill(x, y, x + 1, y + 1, foot ? kPanelEdge : colour);
        }
    }
}

// Every piece's edge first, then every piece's inside, so the edges between
// pieces vanish and only the union's outline stays.
void drawPanel(Canvas& canvas, const Panel& panel) {
    if (panel.style == PanelStyle::header) {
        drawHeader(canvas, panel);
        return;
    }
    const bool bar = panel.style == PanelStyle::bar;
    for (const Box& p : panel.pieces) {
        canvas.roundRect(p.x, p.y, p.right(), p.bottom(), panel.radius, bar ? kBarEdge : kPanelEdge);
    }
    for (const Box& p : panel.pieces) {
        canvas.roundRect(p.x + 1, p.y + 1, p.right() - 1, p.bottom() - 1, panel.radius - 1, bar ? kFooter : kPanel);
    }
    if (!bar) return;
    // The bar is lit under its top edge, short of its corners.
    const Box all = boundsOf(panel);
    for (int y = all.y; y < all.bottom(); ++y) {
        for (int x = all.x; x < all.right(); ++x) {
            if (panelInterior(panel, x, y) && !panelInterior(panel, x, y - 1) && panelInterior(panel, x - 3, y) &&
                panelInterior(panel, x + 3, y))
                canvas.fill(x, y, x + 1, y + 1, kBarLight);
        }
    }
}

void drawArt(Canvas& canvas, const PageArt& art) {
    for (const Panel& panel : art.panels) drawPanel(canvas, panel);
    for (const Box& rule : art.rules) canvas.fill(rule.x, rule.y, rule.right(), rule.bottom(), kPanelEdge);
    for (const Caption& c : art.captions) canvas.text(c.text, c.x, c.baseline, c.size, c.bold, c.colour, c.align);
    for (const Arrow& a : art.arrows) {
        const double tip = a.pointsRight ? a.box.right() : a.box.x, back = a.pointsRight ? a.box.x : a.box.right();
        canvas.triangle(back, a.box.y, tip, a.box.y + a.box.height / 2.0, back, a.box.bottom(), kTitle);
    }
}

void ground(Canvas& canvas, const Box& box, Rgb colour) { canvas.fill(box.x, box.y, box.right(), box.bottom(), colour); }

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
    ground(canvas, box, kScreen);
    // A small mark at the right end: this box opens a menu.
    const double cx = box.right() - 5.5, cy = box.y + box.height / 2.0;
    canvas.triangle(cx - 2.5, cy - 1.5, cx + 2.5, cy - 1.5, cx, cy + 1.5, kDim);
}

} // namespace

raster::PixelBuffer drawMainPage() {
    raster::PixelBuffer page(kPageWidth, kPageHeight);
    Canvas canvas(page);
    canvas.fill(0, 0, kPageWidth, kPageHeight, kPage);
    drawArt(canvas, mainPageArt());

    for (const Knob& knob : kKnobs) drawKnob(canvas, knob.x - kKnobLeft, knob.y - kKnobAbove, 0.0);
    for (const Slider& slider : kSliders) drawSliderGroove(canvas, slider.x - kSliderLeft, slider.y - kSliderAbove);
    // Programs: the bank and program menus, the step and file buttons.
    menuBox(canvas, kBankMenu);
    menuBox(canvas, kProgramMenu);
    stepIcon(canvas, kPreviousProgram, false);
    fileIcon(canvas, kImport, false);
    stepIcon(canvas, kNextProgram, true);
    fileIcon(canvas, kExport, true);
    return page;
}

raster::PixelBuffer drawBackPage() {
    raster::PixelBuffer page(kPageWidth, kPageHeight);
    Canvas canvas(page);
    canvas.fill(0, 0, kPageWidth, kPageHeight, kPage);
    drawArt(canvas, backPageArt());

    // The version display paints its own ground; the page's is the same.
    ground(canvas, kVersion, Rgb{20, 20, 40});

    // Concert pitch: the value's box, then - and +.
    ground(canvas, kTuneText, kScreen);
    drawButtonFace(canvas, kTuneMinus.x, kTuneMinus.y, kTuneMinus.width, kTuneMinus.height, false);
    drawButtonFace(canvas, kTunePlus.x, kTunePlus.y, kTunePlus.width, kTunePlus.height, false);
    const double my = kTuneMinus.y + kTuneMinus.height / 2.0;
    const double mx = kTuneMinus.x + kTuneMinus.width / 2.0, px = kTunePlus.x + kTunePlus.width / 2.0;
    canvas.stroke(mx - 2.5, my, mx + 2.5, my, 1.6, kCaption);
    canvas.stroke(px - 3.0, my, px + 3.0, my, 1.6, kCaption);
    canvas.stroke(px, my - 3.0, px, my + 3.0, 1.6, kCaption);

    // The tuning file: its button and the box of its name.
    const Box& folder = kTuningButton;
    drawButtonFace(canvas, folder.x, folder.y, folder.width, folder.height, false);
    const double fx = folder.x + 3.5, fy = folder.y + 4.5;
    canvas.roundRect(fx, fy, fx + 4.0, fy + 2.0, 0.8, kTitle);
    canvas.roundRect(fx, fy + 1.0, fx + 8.0, fy + 7.0, 0.8, kTitle);
    ground(canvas, kTuningFile, kScreen);
    return page;
}

} // namespace skin
