#pragma once
// Following the symbolic links of a name the host is asked to write, with the
// rule the kernel applies to shared sticky folders (fs.protected_symlinks),
// whatever the system's own setting: a link in a sticky, world-writable
// folder is followed only when it belongs to the folder's owner or to the
// user running the tool. The host resolves links itself (to replace a link's
// target and keep the link), so the kernel's own check never sees them.
#include <string>

namespace kelvanti_host {

// The last name of path's chain of links (path itself when it is no link; a
// dangling link gives the name it points to). False with one line naming the
// link for a link the rule refuses, a loop or a link that cannot be read.
// A link's target that is not a path (/proc's "pipe:[N]") ends the chain.
bool followLinks(const std::string& path, std::string& target, std::string& error);

} // namespace kelvanti_host
