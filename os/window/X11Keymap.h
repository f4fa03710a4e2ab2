#pragma once
// Reads a keyboard's mapping (and which modifier is Num Lock) from the X
// server, for the editor's window and the popup's windows alike. Called on
// the thread that owns the connection; again after a MappingNotify.
#include <xcb/xcb.h>

#include "os/window/X11Keys.h"

namespace os {

// An empty map (no key is known) when the server does not answer.
KeyboardMap loadX11KeyboardMap(xcb_connection_t* connection);

} // namespace os
