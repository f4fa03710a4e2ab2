#include "os/window/X11Keyboard.h"

// xcb's XKB header names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace os {

TranslatedKey translateKeysym(uint32_t keysym) {
    TranslatedKey out;
    out.known = true;
    switch (keysym) {
    case XKB_KEY_Tab: case XKB_KEY_ISO_Left_Tab: case XKB_KEY_KP_Tab: out.key = WindowKey::Tab; return out;
    case XKB_KEY_Return: case XKB_KEY_KP_Enter: out.key = WindowKey::Return; return out;
    case XKB_KEY_Escape: out.key = WindowKey::Escape; return out;
    case XKB_KEY_BackSpace: out.key = WindowKey::Backspace; return out;
    case XKB_KEY_Delete: case XKB_KEY_KP_Delete: out.key = WindowKey::Delete; return out;
    case XKB_KEY_Left: case XKB_KEY_KP_Left: out.key = WindowKey::Left; return out;
    case XKB_KEY_Up: case XKB_KEY_KP_Up: out.key = WindowKey::Up; return out;
    case XKB_KEY_Right: case XKB_KEY_KP_Right: out.key = WindowKey::Right; return out;
    case XKB_KEY_Down: case XKB_KEY_KP_Down: out.key = WindowKey::Down; return out;
    case XKB_KEY_Home: case XKB_KEY_KP_Home: out.key = WindowKey::Home; return out;
    case XKB_KEY_End: case XKB_KEY_KP_End: out.key = WindowKey::End; return out;
    case XKB_KEY_Insert: case XKB_KEY_KP_Insert: out.key = WindowKey::Insert; return out;
    default: break;
    }
    // Every symbol with a character: Latin-1, the legacy sets (Cyrillic,
    // Greek, EuroSign...), Unicode ones, the keypad's digits and signs.
    char utf8[8] = {};
    const int length = xkb_keysym_to_utf8(keysym, utf8, sizeof utf8);   // counts the closing zero
    const auto first = static_cast<unsigned char>(utf8[0]);
    if (length > 1 && first >= 0x20 && first != 0x7F) out.text.assign(utf8, static_cast<size_t>(length - 1));
    out.known = !out.text.empty();
    return out;
}

X11Keyboard::X11Keyboard() = default;

X11Keyboard::~X11Keyboard() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

bool X11Keyboard::attach(xcb_connection_t* connection) {
    connection_ = connection;
    uint8_t firstEvent = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &firstEvent, nullptr)) {
        reportKeyboardTrouble("keys do not type: the X server has no XKB", "");
        return false;
    }
    device_ = xkb_x11_get_core_keyboard_device_id(connection);
    context_ = newQuietXkbContext(&logged_);
    if (device_ < 0 || !context_) {
        reportKeyboardTrouble("keys do not type: no core keyboard", logged_);
        return false;
    }
    firstEvent_ = firstEvent;
    // XKB's events reach every client that asks, whatever window has the focus.
    constexpr uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                 XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr uint16_t kMapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_KEY_BEHAVIORS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events(connection, static_cast<xcb_xkb_device_spec_t>(device_), kEvents, 0, kEvents, kMapParts,
                          kMapParts, nullptr);
    reloadKeymap();
    return state_ != nullptr;
}

void X11Keyboard::reloadKeymap() {
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, connection_, device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    // The first keymap takes the server's state; a later one the state we follow.
    xkb_state* state = !keymap ? nullptr
                       : state_ ? xkb_state_new(keymap)
                                : xkb_x11_state_new_from_device(keymap, connection_, device_);
    if (!state) {
        // The keymap we had stays: a server that answered once will again.
        xkb_keymap_unref(keymap);
        reportKeyboardTrouble("the keyboard's keymap could not be read from the X server", logged_);
        return;
    }
    const bool first = state_ == nullptr;
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
    if (first) {
        constexpr uint32_t kRealMods = 0xFF;
        baseMods_ = xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED) & kRealMods;
        latchedMods_ = xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED) & kRealMods;
        lockedMods_ = xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED) & kRealMods;
        baseGroup_ = static_cast<int32_t>(xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_DEPRESSED));
        latchedGroup_ = static_cast<int32_t>(xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_LATCHED));
        lockedGroup_ = static_cast<int32_t>(xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_LOCKED));
    } else {
        applyState();
    }
}

void X11Keyboard::applyState() {
    // Negative group numbers (a relative latch) pass as the wrapped
    // unsigned values libxkbcommon takes them as.
    xkb_state_update_mask(state_, baseMods_, latchedMods_, lockedMods_, static_cast<xkb_layout_index_t>(baseGroup_),
                          static_cast<xkb_layout_index_t>(latchedGroup_), static_cast<xkb_layout_index_t>(lockedGroup_));
}

bool X11Keyboard::handle(const xcb_generic_event_t* event) {
    if (!context_ || firstEvent_ == 0 || (event->response_type & 0x7F) != firstEvent_) return false;
    // Every XKB event starts alike: type, XKB's own type, sequence, time, device.
    const auto* any = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
    if (any->deviceID != device_) return true;
    switch (any->xkbType) {
    case XCB_XKB_STATE_NOTIFY:
        baseMods_ = any->baseMods;
        latchedMods_ = any->latchedMods;
        lockedMods_ = any->lockedMods;
        baseGroup_ = any->baseGroup;
        latchedGroup_ = any->latchedGroup;
        lockedGroup_ = any->lockedGroup;
        if (state_) applyState();
        break;
    case XCB_XKB_MAP_NOTIFY:
        reloadKeymap();
        break;
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        if (reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event)->changed & XCB_XKB_NKN_DETAIL_KEYCODES)
            reloadKeymap();
        break;
    default:
        break;
    }
    return true;
}

namespace {
bool isLatinLetter(uint32_t keysym) {
    return (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z) || (keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z);
}
} // namespace

uint32_t X11Keyboard::latinKeysym(uint8_t keycode, uint32_t keysym) const {
    if (isLatinLetter(keysym) || translateKeysym(keysym).text.empty()) return keysym;
    const xkb_layout_index_t active = xkb_state_key_get_layout(state_, keycode);
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, keycode);
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        if (layout == active) continue;
        const xkb_keysym_t* syms = nullptr;
        const xkb_level_index_t level = xkb_state_key_get_level(state_, keycode, layout);
        if (xkb_keymap_key_get_syms_by_level(keymap_, keycode, layout, level, &syms) == 1 && isLatinLetter(syms[0]))
            return syms[0];
    }
    return keysym;
}

TranslatedKey X11Keyboard::translate(uint8_t keycode, uint16_t state, bool press, bool compose) {
    if (!state_) return TranslatedKey{};
    uint32_t keysym = xkb_state_key_get_one_sym(state_, keycode);
    if (keysym == XKB_KEY_NoSymbol) return TranslatedKey{};
    if (state & kXControlMask) keysym = latinKeysym(keycode, keysym);
    if (press && compose && !(state & (kXControlMask | kXMod1Mask))) {
        std::string composed;
        switch (composer_.press(keysym, composed)) {
        case KeyComposer::Step::Swallowed:
            return TranslatedKey{};
        case KeyComposer::Step::Composed:
            return TranslatedKey{true, WindowKey::None, composed};
        case KeyComposer::Step::PassOn:
            break;
        }
    }
    return translateKeysym(keysym);
}

} // namespace os
