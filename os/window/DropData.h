#pragma once
// The bytes a drag source hands over, turned into dropped items. Pure
// functions: any thread.
#include <string>
#include <vector>

#include "os/window/EditorWindow.h"

namespace os {

// A text/uri-list: one URI per line (CR LF or LF), '#' lines are comments.
// Local file URIs ("file:///p", "file://localhost/p") become percent-decoded
// paths; other URIs, malformed escapes and paths holding a NUL are left out.
std::vector<DropItem> filesFromUriList(const std::string& bytes);

// "%41" → "A"; false on a malformed escape or an escaped NUL.
bool percentDecode(const std::string& text, std::string& decoded);

// A dropped text: the bytes up to the first NUL (sources may terminate it).
DropItem textItem(const std::string& bytes);

} // namespace os
