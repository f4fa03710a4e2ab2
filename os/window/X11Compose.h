#pragma once
// Dead keys and compose sequences for the editor's window, through the
// compose tables of the user's locale (libxkbcommon's, never a table of our
// own). A build without libxkbcommon passes every key on as it is. The
// thread that owns the window.
#include <cstdint>
#include <memory>
#include <string>

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
    // A key symbol pressed. The table is read at the first key: the one of
    // the locale LC_ALL, LC_CTYPE or LANG names (the first set), else "C";
    // the process's locale is never asked nor changed.
    Step press(uint32_t keysym, std::string& text);

private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

} // namespace os
