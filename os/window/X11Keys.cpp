#include "os/window/X11Keys.h"

namespace os {

int mouseBitsFromXState(uint16_t state) {
    int bits = 0;
    if (state & kXButton1Mask) bits |= kMouseLeft;
    if (state & kXButton2Mask) bits |= kMouseMiddle;
    if (state & kXButton3Mask) bits |= kMouseRight;
    if (state & kXShiftMask) bits |= kMouseShift;
    if (state & kXControlMask) bits |= kMouseControl;
    if (state & kXMod1Mask) bits |= kMouseAlt;
    return bits;
}

static bool isLatinLetter(uint32_t keysym) {
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z');
}

uint32_t chooseKeysym(uint32_t unshifted, uint32_t shifted, uint16_t state) {
    if (shifted == 0) shifted = unshifted;
    bool shift = (state & kXShiftMask) != 0;
    if ((state & kXLockMask) && isLatinLetter(unshifted)) shift = !shift;
    return shift ? shifted : unshifted;
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

TranslatedKey translateKeysym(uint32_t keysym) {
    TranslatedKey out;
    out.known = true;
    switch (keysym) {
    case 0xFF09: case 0xFE20: out.key = WindowKey::Tab; return out;          // Tab, ISO_Left_Tab
    case 0xFF0D: case 0xFF8D: out.key = WindowKey::Return; return out;       // Return, KP_Enter
    case 0xFF1B: out.key = WindowKey::Escape; return out;
    case 0xFF08: out.key = WindowKey::Backspace; return out;
    case 0xFFFF: case 0xFF9F: out.key = WindowKey::Delete; return out;       // Delete, KP_Delete
    case 0xFF51: case 0xFF96: out.key = WindowKey::Left; return out;
    case 0xFF52: case 0xFF97: out.key = WindowKey::Up; return out;
    case 0xFF53: case 0xFF98: out.key = WindowKey::Right; return out;
    case 0xFF54: case 0xFF99: out.key = WindowKey::Down; return out;
    case 0xFF50: case 0xFF95: out.key = WindowKey::Home; return out;
    case 0xFF57: case 0xFF9C: out.key = WindowKey::End; return out;
    default: break;
    }
    uint32_t codePoint = 0;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        codePoint = keysym;                       // Latin-1 symbols are their code points
    } else if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) {
        codePoint = keysym - 0x01000000;          // Unicode symbols
    } else if (keysym >= 0xFFB0 && keysym <= 0xFFB9) {
        codePoint = '0' + (keysym - 0xFFB0);      // keypad digits
    }
    out.text = codePoint ? utf8Of(codePoint) : std::string();
    out.known = !out.text.empty();
    return out;
}

} // namespace os
