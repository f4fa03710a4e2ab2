#pragma once
// Text from outside (file contents, a plug-in's messages, arguments) made safe
// to print on one line of a terminal.
#include <string>
#include <string_view>

namespace os {

// Printable ASCII and well-formed UTF-8 letters stay as they are; a control
// byte, DEL, a C1 control, a byte of broken UTF-8 and the backslash are
// written as escapes ("\x1b", "\n", "\\"), so the result is one line that
// shows every byte.
std::string printableText(std::string_view text);

} // namespace os
