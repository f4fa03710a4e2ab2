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

static bool isKeypad(uint32_t keysym) {
    return (keysym >= 0xFF80 && keysym <= 0xFFBD) || (keysym >= 0x11000000 && keysym <= 0x1100FFFF);
}

uint32_t chooseKeysym(uint32_t unshifted, uint32_t shifted, uint16_t state, uint16_t numLockMask) {
    if (shifted == 0) shifted = unshifted;
    bool shift = (state & kXShiftMask) != 0;
    if (numLockMask && (state & numLockMask) && isKeypad(shifted)) return shift ? unshifted : shifted;
    if ((state & kXLockMask) && isLatinLetter(unshifted)) shift = !shift;
    return shift ? shifted : unshifted;
}

TranslatedKey translateKeysym(uint32_t keysym) {
    TranslatedKey out;
    out.known = true;
    switch (keysym) {
    case 0xFF09: case 0xFE20: out.key = WindowKey::Tab; return out;          // Tab, ISO_Left_Tab
    case 0xFF0D: case 0xFF8D: out.key = WindowKey::Return; return out;       // Return, KP_Enter
    case 0xFF89: out.key = WindowKey::Tab; return out;                       // KP_Tab
    case 0xFF1B: out.key = WindowKey::Escape; return out;
    case 0xFF08: out.key = WindowKey::Backspace; return out;
    case 0xFFFF: case 0xFF9F: out.key = WindowKey::Delete; return out;       // Delete, KP_Delete
    case 0xFF51: case 0xFF96: out.key = WindowKey::Left; return out;
    case 0xFF52: case 0xFF97: out.key = WindowKey::Up; return out;
    case 0xFF53: case 0xFF98: out.key = WindowKey::Right; return out;
    case 0xFF54: case 0xFF99: out.key = WindowKey::Down; return out;
    case 0xFF50: case 0xFF95: out.key = WindowKey::Home; return out;
    case 0xFF57: case 0xFF9C: out.key = WindowKey::End; return out;
    case 0xFF63: case 0xFF9E: out.key = WindowKey::Insert; return out;       // Insert, KP_Insert
    default: break;
    }
    uint32_t codePoint = 0;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        codePoint = keysym;                       // Latin-1 symbols are their code points
    } else if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) {
        codePoint = keysym - 0x01000000;          // Unicode symbols
    } else if (keysym == 0xFF80 || keysym == 0xFFBD || (keysym >= 0xFFAA && keysym <= 0xFFB9)) {
        // Keypad space, =, * + , - . / and the digits: the characters X
        // itself gives them (KP_Separator ',' is the decimal key of keymaps
        // whose decimal separator is the comma).
        codePoint = keysym == 0xFF80 ? ' ' : keysym == 0xFFBD ? '=' : keysym - 0xFF80;
    }
    out.text = codePoint ? utf8Of(codePoint) : std::string();
    out.known = !out.text.empty();
    return out;
}

uint32_t KeyboardMap::keysymOf(uint8_t keycode, uint16_t state) const {
    if (perCode == 0 || keycode < minKeycode) return 0;
    const size_t base = static_cast<size_t>(keycode - minKeycode) * perCode;
    if (base >= keysyms.size()) return 0;
    const uint32_t shifted = perCode > 1 && base + 1 < keysyms.size() ? keysyms[base + 1] : 0;
    return chooseKeysym(keysyms[base], shifted, state, numLockMask);
}

TranslatedKey KeyboardMap::translate(uint8_t keycode, uint16_t state) const {
    const uint32_t keysym = keysymOf(keycode, state);
    return keysym ? translateKeysym(keysym) : TranslatedKey{};
}

void KeyboardMap::findNumLock(const uint8_t* modifierKeycodes, size_t count, uint8_t perModifier) {
    constexpr uint32_t kNumLock = 0xFF7F;
    numLockMask = 0;
    if (!modifierKeycodes || perModifier == 0 || perCode == 0) return;
    for (size_t modifier = 0; modifier < 8; ++modifier) {
        for (size_t i = 0; i < perModifier; ++i) {
            const size_t at = modifier * perModifier + i;
            if (at >= count) return;
            const uint8_t code = modifierKeycodes[at];
            if (code < minKeycode) continue;
            const size_t base = static_cast<size_t>(code - minKeycode) * perCode;
            for (size_t column = 0; column < perCode && base + column < keysyms.size(); ++column)
                if (keysyms[base + column] == kNumLock) numLockMask = static_cast<uint16_t>(1u << modifier);
            if (numLockMask) return;
        }
    }
}

} // namespace os
