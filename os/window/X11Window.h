#pragma once
// The editor's window on an X11 display, through xcb (never Xlib, whose
// default error handler ends the host's process).
#include <cstdint>
#include <memory>

#include "os/window/EditorWindow.h"

namespace os {

// Opens a connection of our own (DISPLAY; the Display pointer some hosts pass
// is never used) and a child window of the host's parent window, width ×
// height at (0, 0), with the parent's depth and visual. Null when there is no
// display or it cannot be reached, the parent does not exist, or its visual
// is not a 24- or 32-bit true-colour one; the first failure of the process is
// printed to stderr, later ones are silent. The calling thread becomes the
// window's thread.
std::unique_ptr<EditorWindow> openX11Window(uint32_t parent, int width, int height);

} // namespace os
