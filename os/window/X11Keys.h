#pragma once
// X modifier and button state turned into the window's mouse bits, and
// the key a keyboard's key types. Pure functions (no connection): any thread.
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

// What a key types (see X11Keyboard.h).
struct TranslatedKey {
    bool known = false;      // false: a key the editor ignores (Shift alone, F-keys...)
    WindowKey key = WindowKey::None;
    std::string text;        // UTF-8 of a character key
};

} // namespace os
