#pragma once
// The editor's skins, drawn from nothing but our own code: the two pages, the
// knob strip, the slider handle and the faces of the switches, menus and
// the waveform row. Every picture is opaque and the same bytes on every
// build. Not thread-safe with itself (text shares the toolkit's glyph store,
// which is).
#include <string>
#include <vector>

#include "gui/raster/PixelBuffer.h"
#include "tools/skin/Canvas.h"

namespace skin {

// The palette every skin shares.
namespace colours {
constexpr Rgb kPage{27, 29, 34};
constexpr Rgb kPanel{41, 44, 51};
constexpr Rgb kPanelEdge{62, 67, 78};
constexpr Rgb kTitle{242, 172, 66};       // section titles, lit arcs and lamps
constexpr Rgb kCaption{222, 225, 232};
constexpr Rgb kDim{150, 157, 170};
constexpr Rgb kScreen{14, 16, 21};        // the boxes under menus and displays
constexpr Rgb kDisplayText{255, 251, 210};  // the controls' own text colour
constexpr Rgb kGroove{15, 16, 20};
constexpr Rgb kFooter{46, 50, 59};       // the main page's bar to the back page
constexpr Rgb kFaceOff{50, 54, 63};
constexpr Rgb kFaceOn{62, 66, 77};
constexpr Rgb kFaceEdge{16, 17, 21};
}  // namespace colours

struct Skin {
    int id = 0;
    std::string name;  // the file name without number and extension
    raster::PixelBuffer pixels;
};

// One knob at value v (0..1) with its area's top-left at (left, top): the
// track, the lit arc from the start to the value, the cap and its pointer.
void drawKnob(Canvas& canvas, int left, int top, double value);
// The pointer's angle in degrees clockwise from straight up for a value.
double knobAngle(double value);

raster::PixelBuffer drawKnobStrip();
raster::PixelBuffer drawSliderHandle();
// The slider's groove in its 14 x 34 area at (left, top) (on a page).
void drawSliderGroove(Canvas& canvas, int left, int top);
raster::PixelBuffer drawSwitchFace(int skinId);
raster::PixelBuffer drawBadge();
raster::PixelBuffer drawWaveformRow();
raster::PixelBuffer drawMidiLearnFace();
// A button's face in the rectangle (also the pages' own small buttons).
void drawButtonFace(Canvas& canvas, int left, int top, int width, int height, bool on);
// Pages (SkinPages.cpp).
raster::PixelBuffer drawMainPage();
raster::PixelBuffer drawBackPage();

// All eleven skins in resource order.
std::vector<Skin> drawSkins();

} // namespace skin
