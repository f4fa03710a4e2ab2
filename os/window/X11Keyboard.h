#pragma once
// The keyboard of one X connection, through XKB (libxkbcommon-x11): the
// keymap and its state (groups, level 3, locks) as the server has them, kept
// current by the XKB notifications asked for on that connection, turned into
// the window's neutral keys and UTF-8 text, dead keys composed. Used on the
// thread that owns the connection; the connection is ours, never the host's.
#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "os/window/X11Compose.h"
#include "os/window/X11Keys.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace os {

// A key symbol as the window's key: the editing and navigation keys by name,
// printable symbols of any script by their text (UTF-8); control characters,
// modifiers, function and dead keys are unknown.
TranslatedKey translateKeysym(uint32_t keysym);

class X11Keyboard {
public:
    X11Keyboard();
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Reads the core keyboard's keymap and state from the server and asks
    // for XKB's keymap and state notifications on the connection, which must
    // outlive this object. False (keys are then unknown) when the server has
    // no XKB or sends no keymap; the first failure of the process is one line
    // on stderr. libxkbcommon itself never writes there.
    bool attach(xcb_connection_t* connection);
    // An event of the connection: true when it was XKB's (the keymap or the
    // state is brought up to date; nothing else is to be done with it).
    bool handle(const xcb_generic_event_t* event);
    // What a key code types in the current state. A press goes through the
    // dead keys and compose sequences when `compose` and neither Control nor
    // Alt is in the event's state (those chords are commands, not text).
    // With Control, a key that types no Latin letter in the active group
    // gives the one it types in another group (Ctrl+C with a Cyrillic group
    // active copies, as on every desktop).
    TranslatedKey translate(uint8_t keycode, uint16_t state, bool press, bool compose);

private:
    void reloadKeymap();
    void applyState();
    uint32_t latinKeysym(uint8_t keycode, uint32_t keysym) const;

    xcb_connection_t* connection_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    int32_t device_ = -1;
    uint8_t firstEvent_ = 0;
    // The state as the last XKB state notification gave it (real modifiers,
    // group indices). A keymap read later starts from it, not from the
    // server's state of the moment, which may be ahead of the key events
    // still queued before that notification.
    uint32_t baseMods_ = 0, latchedMods_ = 0, lockedMods_ = 0;
    int32_t baseGroup_ = 0, latchedGroup_ = 0, lockedGroup_ = 0;
    // libxkbcommon's first complaint, for our one line (see X11Compose.h).
    std::string logged_;
    KeyComposer composer_;
};

} // namespace os
