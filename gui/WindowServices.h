#pragma once
// The frame services over a real window: popups on a popup screen of their
// own and the keyboard held for text entry. The platform parts are made by
// openers the window's owner supplies (X11 in the plug-in, fakes in tests),
// so the toolkit needs no display library. Editor thread only.
#include <cstdint>
#include <functional>
#include <memory>

#include "gui/FrameServices.h"
#include "os/window/PopupScreen.h"

namespace VSTGUI {

struct PlatformOpeners {
    std::function<std::unique_ptr<os::PopupScreen>()> popupScreen;
    std::function<std::unique_ptr<os::KeyboardHold>(uint32_t window)> keyboard;
};

class WindowServices : public FrameServices {
public:
    // Registers itself as the frame's services; unregisters when it goes.
    WindowServices(CFrame* frame, PlatformOpeners openers);
    ~WindowServices() override;

    int32_t trackPopup(const PopupRequest& request) override;
    void takeKeyboard() override;
    void releaseKeyboard() override;

private:
    CFrame* frame_;
    PlatformOpeners openers_;
    std::unique_ptr<os::KeyboardHold> keyboard_;
};

} // namespace VSTGUI
