#pragma once
// Copies into the toolkit's fixed text buffers (entries, text fields, drop
// data): never past the buffer, always terminated. Any thread.
#include <cstddef>
#include <cstring>

namespace VSTGUI {

// The toolkit's text buffers: 255 characters and the terminator.
constexpr size_t kTextBufferSize = 256;

// Copies at most capacity - 1 bytes of text (none: empty) and terminates.
// A cut never splits a UTF-8 sequence; answers the bytes copied.
inline size_t copyBounded(char* destination, size_t capacity, const char* text) {
    if (!destination || capacity == 0) return 0;
    size_t length = text ? ::strnlen(text, capacity) : 0;
    if (length >= capacity) {
        length = capacity - 1;
        // Back off to the start of a character when the cut falls inside one.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    if (length) std::memcpy(destination, text, length);
    destination[length] = '\0';
    return length;
}

template <size_t N>
size_t copyBounded(char (&destination)[N], const char* text) {
    return copyBounded(destination, N, text);
}

} // namespace VSTGUI
