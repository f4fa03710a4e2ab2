#pragma once
// Whole-file reads for the host's readers of outside bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

// Reads the file at path. Files above maxBytes are refused without reading
// them whole. On failure returns false and sets error to "<path>: <reason>".
bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);

} // namespace kelvanti_host
