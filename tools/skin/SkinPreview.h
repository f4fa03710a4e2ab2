#pragma once
// A picture for review: both pages (main above, back below) with every
// control drawn from its skin where the editor puts it, the way the controls
// draw themselves (knob frame (int)(v x 54 + 0.001) of the column-major
// strip, the slider's handle, a switch's state, the waveform row's lit cell),
// at a spread of values, and sample texts in the menus and displays.
#include <functional>

#include "gui/raster/PixelBuffer.h"

namespace skin {

// The skin of a resource number, or null when there is none.
using SkinLookup = std::function<const raster::PixelBuffer*(int id)>;

raster::PixelBuffer drawPreview(const SkinLookup& skinOf);

// The strip frame a knob shows for value v (clamped to 0..1), and its
// top-left corner in the strip.
int knobFrameOf(double value);
void knobFrameCorner(int frame, int& x, int& y);

} // namespace skin
