#pragma once
// X key symbols and modifier state turned into the window's neutral keys.
// Pure functions (no connection): any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "os/TextEncoding.h"
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
// too for letters. X's keypad rule first: with the Num Lock modifier
// (numLockMask) on and a keypad symbol in the second column, that symbol,
// or the first one when Shift is held too.
uint32_t chooseKeysym(uint32_t unshifted, uint32_t shifted, uint16_t state, uint16_t numLockMask = 0);

struct TranslatedKey {
    bool known = false;      // false: a key the editor ignores (Shift alone, F-keys...)
    WindowKey key = WindowKey::None;
    std::string text;        // UTF-8 of a character key
};
TranslatedKey translateKeysym(uint32_t keysym);

// A keyboard's mapping as the server gave it: `perCode` symbols for every
// key code from `minKeycode` on, and the modifier bit Num Lock sets.
struct KeyboardMap {
    std::vector<uint32_t> keysyms;
    uint8_t perCode = 0;
    uint8_t minKeycode = 8;
    uint16_t numLockMask = 0;

    // The key a key code types under a state; unknown for codes outside the map.
    TranslatedKey translate(uint8_t keycode, uint16_t state) const;
    // The key symbol behind it (0 for codes outside the map).
    uint32_t keysymOf(uint8_t keycode, uint16_t state) const;
    // Finds numLockMask from the modifier mapping: 8 rows (Shift, Lock,
    // Control, Mod1..Mod5) of perModifier key codes, `count` codes in all.
    void findNumLock(const uint8_t* modifierKeycodes, size_t count, uint8_t perModifier);
};

} // namespace os
