#pragma once
#include "tools/host/render/Options.h"

namespace render {

// The default command: loads the instrument, applies the state options, plays
// the MIDI file or the demo into a WAV file and prints a one-line summary to
// standard output. Exit code 0, or 1 with one line on standard error.
int runRender(const Options& options);

} // namespace render
