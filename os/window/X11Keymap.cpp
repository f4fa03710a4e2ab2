#include "os/window/X11Keymap.h"

#include <cstdlib>

namespace os {

KeyboardMap loadX11KeyboardMap(xcb_connection_t* connection) {
    KeyboardMap map;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->max_keycode < setup->min_keycode) return map;
    map.minKeycode = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    const xcb_get_keyboard_mapping_cookie_t keys = xcb_get_keyboard_mapping(connection, map.minKeycode, count);
    const xcb_get_modifier_mapping_cookie_t modifiers = xcb_get_modifier_mapping(connection);
    if (xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(connection, keys, nullptr)) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
        if (syms && length > 0) map.keysyms.assign(syms, syms + length);
        map.perCode = reply->keysyms_per_keycode;
        std::free(reply);
    }
    if (xcb_get_modifier_mapping_reply_t* reply = xcb_get_modifier_mapping_reply(connection, modifiers, nullptr)) {
        const int length = xcb_get_modifier_mapping_keycodes_length(reply);
        map.findNumLock(xcb_get_modifier_mapping_keycodes(reply), length > 0 ? static_cast<size_t>(length) : 0,
                        reply->keycodes_per_modifier);
        std::free(reply);
    }
    return map;
}

} // namespace os
