#include "gui/WindowServices.h"

#include "gui/CFrame.h"
#include "gui/PopupTracker.h"
#include "os/window/EditorWindow.h"

namespace VSTGUI {

WindowServices::WindowServices(CFrame* frame, PlatformOpeners openers) : frame_(frame), openers_(std::move(openers)) {
    setFrameServices(frame_, this);
}

WindowServices::~WindowServices() {
    if (frameServices(frame_) == this) setFrameServices(frame_, nullptr);
}

int32_t WindowServices::trackPopup(const PopupRequest& request) {
    os::EditorWindow* window = frame_ ? frame_->getWindow() : nullptr;
    if (!window || !window->isOpen() || !openers_.popupScreen) return -1;
    std::unique_ptr<os::PopupScreen> screen = openers_.popupScreen();
    if (!screen) return -1;
    // The screen's end destroys the panels and releases the grab, on every way out.
    CFrame* frame = frame_;
    return PopupTracker(*screen, window, [frame] { return frame->isOpen(); }).run(request);
}

void WindowServices::takeKeyboard() {
    os::EditorWindow* window = frame_ ? frame_->getWindow() : nullptr;
    if (!window || !window->isOpen()) return;
    // Where the focus was is read before the window takes it.
    if (openers_.keyboard) keyboard_ = openers_.keyboard(window->nativeId());
    window->takeFocus();
}

void WindowServices::releaseKeyboard() {
    uint32_t to = 0;
    const bool givenBack = keyboard_ && keyboard_->giveBack(to);
    keyboard_.reset();
    os::EditorWindow* window = frame_ ? frame_->getWindow() : nullptr;
    if (givenBack && window) window->focusGivenBack(to);
}

} // namespace VSTGUI
