#pragma once
// Splitting and joining path texts. '/' is the separator written; '\' is
// accepted as one when splitting, and so is the ':' of a drive prefix "X:"
// at the start, so paths stored by Windows builds still yield their folders
// and file names. Elsewhere ':' is an ordinary character.
//
// Paths as strings take any length the system takes. The fixed-buffer forms
// keep the limits below (in bytes) for callers whose buffers or stored
// formats have them: every copy is bounded by the caller's capacity, and a
// result that does not fit is refused (false, output unchanged), never cut.
// Pure functions: safe on any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace pathtext {

constexpr size_t kPathBufferSize = 320;    // a fixed path buffer, ending zero included
constexpr size_t kMaxJoinedLength = 317;   // longest folder + name a join accepts
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

// Bounded copies of the above into out (capacity bytes, ending zero included).
bool getFolder(std::string_view path, char* out, size_t capacity);
bool getFileName(std::string_view path, char* out, size_t capacity);
bool getExtension(std::string_view path, char* out, size_t capacity);
bool nameWithoutExtension(std::string_view path, char* out, size_t capacity);
// Cuts an ended text (within capacity) at its last '.'.
void stripExtension(char* text, size_t capacity);

// folder + name, with a '/' between unless the folder ends in a separator;
// the name alone for an empty folder, the folder alone for an empty name.
std::string joined(std::string_view folder, std::string_view name);

// name := folder + name, with a '/' between unless the folder ends in a
// separator. Refused when the name is empty, folder + name exceed 317 bytes
// or the result does not fit the name's capacity. An empty folder leaves the
// name as it is (true).
bool joinPath(std::string_view folder, char* name, size_t capacity);
// folder := folder + name by the same rule.
bool appendPath(char* folder, size_t capacity, std::string_view name);

// "/..." or a drive letter, ':' and a separator ("C:\", "C:/").
bool isAbsolutePath(std::string_view text);

} // namespace pathtext
