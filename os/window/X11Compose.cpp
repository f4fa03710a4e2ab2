#include "os/window/X11Compose.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace os {
namespace {

std::string environmentLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

bool isUtf8Charset(std::string charset) {
    charset.erase(std::remove(charset.begin(), charset.end(), '-'), charset.end());
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return charset == "utf8";
}

// libxkbcommon's log: the first message kept in the string the context's
// user data points to, nothing written anywhere.
void keepFirstMessage(xkb_context* context, xkb_log_level /*level*/, const char* format, va_list args) {
    auto* kept = static_cast<std::string*>(xkb_context_get_user_data(context));
    if (!kept || !kept->empty()) return;
    char line[256] = {};
    std::vsnprintf(line, sizeof line, format, args);
    kept->assign(line);
    while (!kept->empty() && (kept->back() == '\n' || kept->back() == ' ')) kept->pop_back();
}

} // namespace

std::vector<std::string> composeLocales(const std::string& locale) {
    // language[_territory][.charset][@modifier]
    const std::string base = locale.substr(0, locale.find('@'));
    const size_t dot = base.find('.');
    const std::string language = base.substr(0, dot);
    std::vector<std::string> names;
    if (dot != std::string::npos && isUtf8Charset(base.substr(dot + 1))) names.push_back(locale);
    const std::string twin = language + ".UTF-8";
    if (!language.empty() && language != "C" && language != "POSIX" && (names.empty() || names[0] != twin))
        names.push_back(twin);
    names.push_back("C");
    return names;
}

xkb_context* newQuietXkbContext(std::string* firstMessage) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return nullptr;
    xkb_context_set_user_data(context, firstMessage);
    xkb_context_set_log_fn(context, keepFirstMessage);
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_ERROR);
    return context;
}

void reportKeyboardTrouble(const char* what, const std::string& detail) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true)) return;
    if (detail.empty())
        std::fprintf(stderr, "kelvanti: %s\n", what);
    else
        std::fprintf(stderr, "kelvanti: %s (%s)\n", what, detail.c_str());
}

struct KeyComposer::Tables {
    std::string logged;   // before context: the context points to it
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
        context = newQuietXkbContext(&logged);
        if (!context) return false;
        const std::string locale = environmentLocale();
        for (const std::string& name : composeLocales(locale)) {
            table = xkb_compose_table_new_from_locale(context, name.c_str(), XKB_COMPOSE_COMPILE_NO_FLAGS);
            if (table) break;
        }
        if (table) state = xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS);
        if (!state) reportKeyboardTrouble(("no compose table for the locale " + locale + ": dead keys do not type").c_str(), logged);
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
