#include "editor/X11Services.h"

std::unique_ptr<VSTGUI::WindowServices> makeX11Services(VSTGUI::CFrame* frame) {
    VSTGUI::PlatformOpeners openers;
    openers.popupScreen = [] { return os::openX11PopupScreen(); };
    openers.keyboard = [](uint32_t window) { return os::holdX11Keyboard(window); };
    return std::make_unique<VSTGUI::WindowServices>(frame, std::move(openers));
}
