#pragma once
// Persistent text values (the Windows key "Software\Harvell"): one file per
// value under $XDG_CONFIG_HOME/Harvell/ (default ~/.config/Harvell/), read
// with a fall-back to /etc/xdg/Harvell/ (machine-wide, never written).
// KELVANTI_REGISTRY_DIR, when set, replaces both roots (<dir>/user and
// <dir>/machine) so tests never touch the user's settings.
// Writes go to a unique temporary file in the same folder and are renamed
// over the value: a reader never sees half a value.
// Any thread; blocking file I/O, so never called on the audio thread.
#include <string>

namespace os {

// Reads the value: the user store first, then the machine store. Content that
// is not plain text (a NUL byte, over maxBytes) is treated as missing.
bool registryRead(const std::string& valueName, std::string& text, std::size_t maxBytes = 16383);

// What the user store holds for a value.
enum class RegistryValueState {
    Missing,
    Read,
    Unreadable, // there, but not a plain text file within the size, or refused by the file system
};
// The same, also telling what the user store held (the text may still come
// from the machine store when the user's value is missing or unreadable).
bool registryRead(const std::string& valueName, std::string& text, std::size_t maxBytes,
                  RegistryValueState& userValue);

// Renames the user store's value to its file name + suffix beside it (".2",
// ".3"... appended while a name is taken: an earlier copy is never
// replaced). True when moved; movedTo is the new path.
bool registryMoveAside(const std::string& valueName, const std::string& suffix, std::string& movedTo);

// Writes the value into the user store (creating the folders); true on success.
bool registryWrite(const std::string& valueName, const std::string& text);

// The folders in use (for tests and diagnostics).
std::string registryUserDir();
std::string registryMachineDir();

} // namespace os
