#pragma once
// Copies into the toolkit's fixed text buffers (entries, text fields, drop
// data): never past the buffer, always terminated. Any thread.
#include <cstddef>
#include <cstring>

#include "os/TextEncoding.h"

namespace VSTGUI {

// The toolkit's text buffers: 255 characters and the terminator.
constexpr size_t kTextBufferSize = 256;

// Copies at most capacity - 1 bytes of text (none: empty) and terminates.
// A cut never splits a character (os/TextEncoding.h); answers the bytes copied.
inline size_t copyBounded(char* destination, size_t capacity, const char* text) {
    if (!destination || capacity == 0) return 0;
    size_t length = text ? ::strnlen(text, capacity) : 0;
    if (length >= capacity) length = os::characterBoundaryAtOrBefore(std::string_view(text, length), capacity - 1);
    if (length) std::memcpy(destination, text, length);
    destination[length] = '\0';
    return length;
}

template <size_t N>
size_t copyBounded(char (&destination)[N], const char* text) {
    return copyBounded(destination, N, text);
}

} // namespace VSTGUI
