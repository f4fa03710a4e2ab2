#include "os/window/PopupScreen.h"

#include "os/Clock.h"

namespace os {

uint32_t PopupScreen::nowMs() { return tickMs(); }

bool PopupScreen::nextEvent(WindowEvent& event) {
    if (queue_.empty()) return false;
    event = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

} // namespace os
