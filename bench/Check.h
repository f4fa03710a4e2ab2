#pragma once
// The short benchmark CI runs: 24 voices at 48 kHz within a loose bound of
// one core, no allocation while processing, and the fixed render's checksum.
#include <string>

namespace bench {

// Prints what it found; answers the exit code (0 when everything holds).
int runCheck(const std::string& pluginPath);

} // namespace bench
