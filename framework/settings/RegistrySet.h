#pragma once
// A one-row set kept in a registry value as the hex text of its set chunk
// (the system settings, the controller assignment). Blocking file I/O: never
// on the audio thread. Outside bytes are checked before use: a blob shorter
// than a chunk header or whose word 0 is not the set's type code is refused
// whole; the rest is read tolerantly (ParaSet_c::readChunk).
#include <cstddef>
#include <cstdint>
#include <string>

class Part_c;

// Reads blob bytes into the part's row; false (nothing changed) when refused.
bool readSetBlob(Part_c& part, const uint8_t* bytes, std::size_t size, int row);

// Reads the value into the part's row; false when missing or refused.
bool readSetFromRegistry(Part_c& part, const std::string& valueName, int row);

// Writes the part's row as the value; false when the row does not fit the
// registry reader's limit or the write fails (the stored value is kept).
bool storeSetToRegistry(const Part_c& part, const std::string& valueName, int row);
