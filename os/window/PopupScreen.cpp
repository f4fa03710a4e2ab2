#include "os/window/PopupScreen.h"

namespace os {

bool PopupScreen::nextEvent(WindowEvent& event) {
    if (queue_.empty()) return false;
    event = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

} // namespace os
