#pragma once
// Whole-file reads and writes for the host's files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

// Reads the file at path. Files above maxBytes are refused without reading
// them whole. A FIFO is read to its end once a writer has it open; one that
// no writer opens within a second is refused. On failure returns false and
// sets error to "<path>: <reason>".
bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);

// Writes bytes as OutputFile does: a regular file (or a link's target) is
// replaced atomically, keeping its mode; a device or FIFO is written in place.
// On failure returns false, leaves no temporary file and sets error to one line.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace kelvanti_host
