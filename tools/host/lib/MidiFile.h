#pragma once
// Standard MIDI files (format 0 and 1) read into one time-ordered list of
// channel messages. Tempo changes apply from their tick on, whichever track
// holds them. Events at the same tick keep track order, then file order.
// SysEx and meta events other than tempo and end-of-track are skipped.
#include "tools/host/lib/Performance.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

// Files above this size are refused before reading.
constexpr std::size_t kMaxMidiFileBytes = 16u << 20;
// A file whose events reach beyond this is refused: nobody renders a day.
constexpr double kMaxMidiSeconds = 24.0 * 3600.0;

// Parses the bytes of a MIDI file. Every length and variable-length number is
// checked against the bytes that remain. On failure returns false, leaves
// events empty and sets error to one line describing the fault.
bool parseMidiFile(const uint8_t* data, std::size_t size, std::vector<MidiEvent>& events,
                   std::string& error);

// Reads and parses the file at path; errors start with the path.
bool readMidiFile(const std::string& path, std::vector<MidiEvent>& events, std::string& error);

} // namespace kelvanti_host
