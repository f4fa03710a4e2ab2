#pragma once
// The MIDI file the peers are measured with: a dense percussive pattern of
// 24-note chords, written as a standard MIDI file.
#include <string>

namespace bench {

// False with error when the file cannot be written.
bool writePeerPattern(const std::string& path, std::string& error);

} // namespace bench
