#pragma once
// Dead keys and compose sequences for the editor's window, through the
// compose tables of the user's locale (libxkbcommon's, never a table of our
// own), and the libxkbcommon context every keyboard part uses. The thread
// that owns the window.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xkb_context;

namespace os {

class KeyComposer {
public:
    KeyComposer();
    ~KeyComposer();
    KeyComposer(const KeyComposer&) = delete;
    KeyComposer& operator=(const KeyComposer&) = delete;

    enum class Step {
        PassOn,      // not part of a sequence: the key types as usual
        Swallowed,   // a sequence goes on, or the key broke it off
        Composed,    // the sequence is complete: text holds what it types (UTF-8)
    };
    // A key symbol pressed. The table is read at the first key, for the
    // locale LC_ALL, LC_CTYPE or LANG names (the first set; see
    // composeLocales); the process's locale is never asked nor changed.
    Step press(uint32_t keysym, std::string& text);

private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

// The locales whose compose tables are tried, in order, for a locale name:
// the name itself when its charset is UTF-8, its language's UTF-8 twin
// ("de_DE.ISO-8859-1" and "de_DE@euro" give "de_DE.UTF-8"; our texts are
// UTF-8, and the tables of other charsets hold strings in those), then "C".
std::vector<std::string> composeLocales(const std::string& locale);

// A libxkbcommon context that writes nothing on the host's stderr: errors
// (and nothing below) keep their first message in *firstMessage, which must
// outlive the context. Null when libxkbcommon cannot make one.
xkb_context* newQuietXkbContext(std::string* firstMessage);
// The keyboard's one line of the process on stderr (later calls are silent):
// what went wrong, and libxkbcommon's word on it when it said one.
void reportKeyboardTrouble(const char* what, const std::string& detail);

} // namespace os
