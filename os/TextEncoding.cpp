#include "os/TextEncoding.h"

namespace os {
namespace {

// Windows-1252 0x80..0x9F; the rest of the byte range is Latin-1. The five
// unassigned bytes map to themselves (fonts draw nothing for them).
const uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint8_t byteAt(std::string_view text, size_t at) { return static_cast<uint8_t>(text[at]); }
bool isContinuation(uint8_t byte) { return (byte & 0xC0u) == 0x80u; }

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms,
// no surrogates, nothing above U+10FFFF), 0 when there is none.
size_t wellFormedLength(std::string_view text, size_t at, uint32_t& codePoint) {
    const uint8_t lead = byteAt(text, at);
    size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (length > text.size() - at) return 0;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t byte = byteAt(text, at + i);
        if (!isContinuation(byte)) return 0;
        code = code << 6 | (byte & 0x3Fu);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    codePoint = code;
    return length;
}

} // namespace

TextCharacter characterAt(std::string_view text, size_t at) {
    TextCharacter character;
    if (at >= text.size()) return character;
    const uint8_t byte = byteAt(text, at);
    if (byte < 0x80) return TextCharacter{byte, 1};
    character.length = wellFormedLength(text, at, character.codePoint);
    if (character.length == 0) {
        character.codePoint = byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
        character.length = 1;
    }
    return character;
}

// A byte that leads a well-formed sequence is never inside another one, so
// a sequence found by looking back starts a character as read from the front.
size_t previousCharacterStart(std::string_view text, size_t at) {
    if (at > text.size()) at = text.size();
    if (at == 0) return 0;
    for (size_t back = 4; back >= 2; --back) {
        if (back > at) continue;
        uint32_t ignored = 0;
        if (wellFormedLength(text, at - back, ignored) == back) return at - back;
    }
    return at - 1;
}

size_t characterBoundaryAtOrBefore(std::string_view text, size_t limit) {
    if (limit >= text.size()) return text.size();
    if (!isContinuation(byteAt(text, limit))) return limit;
    for (size_t back = 1; back <= 3 && back <= limit; ++back) {
        uint32_t ignored = 0;
        if (wellFormedLength(text, limit - back, ignored) > back) return limit - back;
    }
    return limit;   // a stray continuation byte is a character of its own
}

std::string utf8Of(uint32_t c) {
    std::string out;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF) return out;
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return out;
}

std::string singleLineUtf8(std::string_view text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const TextCharacter character = characterAt(text, at);
        at += character.length;
        const uint32_t c = character.codePoint;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
        out += utf8Of(c);
    }
    return out;
}

std::string utf8OfLatin1(std::string_view bytes) {
    std::string out;
    for (const char byte : bytes) out += utf8Of(static_cast<uint8_t>(byte));
    return out;
}

std::string latin1Of(std::string_view text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const TextCharacter character = characterAt(text, at);
        at += character.length;
        out.push_back(character.codePoint <= 0xFF ? static_cast<char>(character.codePoint) : '?');
    }
    return out;
}

} // namespace os
