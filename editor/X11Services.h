#pragma once
// The frame services of an editor on X: popups in our own override-redirect
// windows and the keyboard held for text entry, each through a connection
// of its own. An editor makes them after opening its frame and drops them
// before the frame goes. Editor thread only.
#include <memory>

#include "gui/WindowServices.h"

std::unique_ptr<VSTGUI::WindowServices> makeX11Services(VSTGUI::CFrame* frame);
