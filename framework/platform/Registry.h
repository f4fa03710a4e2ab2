#pragma once
// Persistent settings values (the key "Software\Harvell"): text values and
// binary values stored as hex text. A value missing for the user is read from
// the machine-wide store; nothing is ever written there. Failures are
// reported only by the results. Blocking file I/O: never on the audio thread.
#include "os/Registry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The buffer size the hex reader uses: at most 16383 characters, 8191 bytes.
constexpr std::size_t kRegistryHexReadBuffer = 16384;
constexpr std::size_t kRegistryHexMaxBytes = (kRegistryHexReadBuffer - 1) / 2;

// Copies the value, zero-terminated, into buffer (made empty first). A value
// that does not fit in bufferSize - 1 bytes counts as unreadable, never as a
// cut text. False for no buffer or a size of 0.
bool readRegistryString(const std::string& valueName, char* buffer, std::size_t bufferSize);
// The value whole, whatever its length (paths: any the system takes).
bool readRegistryString(const std::string& valueName, std::string& text);

bool writeRegistryString(const std::string& valueName, const std::string& text);

// The bytes of a hex value (an empty value gives true and no bytes). A value
// longer than the read buffer is unreadable (false), never a cut blob.
bool readRegistryHex(const std::string& valueName, std::vector<uint8_t>& bytes);
// The same, also telling what the user's own value was (the bytes may come
// from the machine-wide store when it is missing or unreadable).
bool readRegistryHex(const std::string& valueName, std::vector<uint8_t>& bytes, os::RegistryValueState& userValue);

// Moves the user's value aside (beside it, its name + suffix; an earlier
// copy is never replaced). True when moved; movedTo is the new path.
bool moveRegistryValueAside(const std::string& valueName, const std::string& suffix, std::string& movedTo);

// False, with the stored value unchanged, for a blob the reader could not
// read back whole (over kRegistryHexMaxBytes) or when the write fails.
bool writeRegistryHex(const std::string& valueName, const uint8_t* bytes, std::size_t count);
