#pragma once
// X key symbols and modifier state turned into the window's neutral keys.
// Pure functions (no connection): any thread.
#include <cstdint>
#include <string>

#include "os/window/EditorWindow.h"

namespace os {

// X modifier state bits (the core protocol's KeyButMask).
constexpr uint16_t kXShiftMask = 1;
constexpr uint16_t kXLockMask = 2;
constexpr uint16_t kXControlMask = 4;
constexpr uint16_t kXMod1Mask = 8;      // Alt on every common keymap
constexpr uint16_t kXButton1Mask = 256;
constexpr uint16_t kXButton2Mask = 512;
constexpr uint16_t kXButton3Mask = 1024;

// Buttons and modifiers of an X state as MouseBits.
int mouseBitsFromXState(uint16_t state);

// The key symbol to use from a key code's first two columns (unshifted,
// shifted) under the given state: Shift picks the second column, Caps Lock
// too for letters.
uint32_t chooseKeysym(uint32_t unshifted, uint32_t shifted, uint16_t state);

struct TranslatedKey {
    bool known = false;      // false: a key the editor ignores (Shift alone, F-keys...)
    WindowKey key = WindowKey::None;
    std::string text;        // UTF-8 of a character key
};
TranslatedKey translateKeysym(uint32_t keysym);

// The UTF-8 bytes of a Unicode code point (empty for surrogates and above U+10FFFF).
std::string utf8Of(uint32_t codePoint);

} // namespace os
