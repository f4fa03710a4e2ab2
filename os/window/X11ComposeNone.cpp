// The composer of a build without libxkbcommon: every key passes on.
#include "os/window/X11Compose.h"

namespace os {

struct KeyComposer::Tables {};

KeyComposer::KeyComposer() = default;
KeyComposer::~KeyComposer() = default;

KeyComposer::Step KeyComposer::press(uint32_t /*keysym*/, std::string& /*text*/) { return Step::PassOn; }

} // namespace os
