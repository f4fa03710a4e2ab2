#pragma once
// Splitting and joining path texts. '/' is the separator written; '\' is
// accepted as one when splitting, and so is the ':' of a drive prefix "X:"
// at the start, so paths stored by Windows builds still yield their folders
// and file names. Elsewhere ':' is an ordinary character.
// Paths take any length the system takes. Pure functions: safe on any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace pathtext {

constexpr size_t kPathBufferSize = 320;    // a stored path text, ending zero included
constexpr char kSeparator = '/';

bool isSeparator(char c);

// Index of the last separator (a drive prefix's ':' included), or npos.
size_t lastSeparator(std::string_view path);

// The folder part: the path cut at its last separator; a root ("/", "C:\")
// or a bare drive prefix ("C:") is kept. A path without separator is its
// own folder.
std::string_view folderOf(std::string_view path);
// The part after the last separator; the whole path when there is none.
std::string_view fileNameOf(std::string_view path);
// The text after the last '.', empty when there is none.
std::string_view extensionOf(std::string_view path);
// The text cut at its last '.' (unchanged when there is none).
std::string_view withoutExtension(std::string_view text);

// folder + name, with a '/' between unless the folder ends in a separator;
// the name alone for an empty folder, the folder alone for an empty name.
std::string joined(std::string_view folder, std::string_view name);

// "/..." or a drive letter, ':' and a separator ("C:\", "C:/").
bool isAbsolutePath(std::string_view text);

} // namespace pathtext
