#include "os/window/X11Compose.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace os {

static std::string composeLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

struct KeyComposer::Tables {
    xkb_context* context = nullptr;
    xkb_compose_table* table = nullptr;
    xkb_compose_state* state = nullptr;
    bool tried = false;

    ~Tables() {
        xkb_compose_state_unref(state);
        xkb_compose_table_unref(table);
        xkb_context_unref(context);
    }
    // False when there is no table for the locale: keys pass on.
    bool load() {
        if (tried) return state != nullptr;
        tried = true;
        context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context) return false;
        table = xkb_compose_table_new_from_locale(context, composeLocale().c_str(), XKB_COMPOSE_COMPILE_NO_FLAGS);
        if (table) state = xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS);
        return state != nullptr;
    }
};

KeyComposer::KeyComposer() : tables_(std::make_unique<Tables>()) {}
KeyComposer::~KeyComposer() = default;

KeyComposer::Step KeyComposer::press(uint32_t keysym, std::string& text) {
    if (!tables_->load()) return Step::PassOn;
    xkb_compose_state* state = tables_->state;
    // Modifiers leave a sequence as it is.
    if (xkb_compose_state_feed(state, keysym) == XKB_COMPOSE_FEED_IGNORED) return Step::PassOn;
    switch (xkb_compose_state_get_status(state)) {
    case XKB_COMPOSE_COMPOSING:
        return Step::Swallowed;
    case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(state);
        return Step::Swallowed;
    case XKB_COMPOSE_COMPOSED: {
        char utf8[64] = {};
        const int length = xkb_compose_state_get_utf8(state, utf8, sizeof utf8);
        xkb_compose_state_reset(state);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof utf8) return Step::Swallowed;
        text.assign(utf8, static_cast<size_t>(length));
        return Step::Composed;
    }
    case XKB_COMPOSE_NOTHING:
        break;
    }
    return Step::PassOn;
}

} // namespace os
