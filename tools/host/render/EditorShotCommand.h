#pragma once
// kelvanti-render --editor-shot F.png [--page back] [--set ...] [--editor-rects]:
// draws the plug-in's editor without a window or display (the plug-in's
// private snapshot call) and lists its controls.
#include "tools/host/render/Options.h"

namespace render {

int runEditorShot(const Options& options);

} // namespace render
