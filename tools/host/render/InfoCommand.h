#pragma once
#include "tools/host/render/Options.h"

namespace render {

// --info: loads the plug-in, prints its identity, I/O, flags, programs and
// parameters to standard output. Exit code 0, or 1 with one line on standard
// error when the plug-in cannot be loaded.
int runInfo(const Options& options);

} // namespace render
