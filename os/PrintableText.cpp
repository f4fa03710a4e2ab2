#include "os/PrintableText.h"

#include <cstdio>

#include "os/TextEncoding.h"

namespace os {
namespace {

// Length of the well-formed UTF-8 sequence at text[at] for a code point of
// U+00A0 or above (no C1 controls); 0 otherwise (a stray byte is read alone).
std::size_t printableSequence(std::string_view text, std::size_t at) {
    const TextCharacter c = characterAt(text, at);
    return c.length > 1 && c.codePoint >= 0xA0 ? c.length : 0;
}

} // namespace

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<uint8_t>(text[at]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = printableSequence(text, at)) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        }
        ++at;
    }
    return out;
}

} // namespace os
