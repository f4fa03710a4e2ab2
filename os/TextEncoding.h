#pragma once
// The one reading of the plug-in's texts on Linux: UTF-8, with every byte
// that is not part of a well-formed UTF-8 sequence read as Windows-1252 on
// its own (texts stored by Windows builds: program names, file names), so an
// old text never turns into garbage. Typing, drawing and storing all go
// through here. Pure functions: any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace os {

struct TextCharacter {
    uint32_t codePoint = 0;
    size_t length = 0;   // bytes: 1..4; 0 only at the end of the text
};

// The character starting at byte `at`.
TextCharacter characterAt(std::string_view text, size_t at);
// The start of the character before byte `at` (`at` on a character's start).
size_t previousCharacterStart(std::string_view text, size_t at);
// The longest length up to `limit` bytes that ends between two characters.
size_t characterBoundaryAtOrBefore(std::string_view text, size_t limit);

// The UTF-8 bytes of a code point (empty for surrogates and above U+10FFFF).
std::string utf8Of(uint32_t codePoint);

// A text from outside (the clipboard) for a one-line field: every character
// read as above and written as well-formed UTF-8, control characters (C0
// with the line breaks and tabs, DEL, C1) left out.
std::string singleLineUtf8(std::string_view text);

// Latin-1 (X's STRING) both ways: every byte is its code point; characters
// beyond U+00FF become '?'.
std::string utf8OfLatin1(std::string_view bytes);
std::string latin1Of(std::string_view text);

} // namespace os
