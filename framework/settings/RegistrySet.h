#pragma once
// A one-row set kept in a registry value as the hex text of its set chunk
// (the system settings, the controller assignment). Blocking file I/O: never
// on the audio thread. Outside bytes are checked before use: a blob shorter
// than a chunk header or whose word 0 is not the set's type code is refused
// whole; the rest is read tolerantly (ParaSet_c::readChunk).
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class Part_c;

// Reads blob bytes into the part's row; false (nothing changed) when refused.
bool readSetBlob(Part_c& part, const uint8_t* bytes, std::size_t size, int row);

// The registry value of one set row, as this instance last saw it: what it
// last read from or wrote to the value, and whether the user's value was
// found there but could not be used. Settings are written only when they
// changed, and a value that could not be used is never replaced unseen.
// Any thread but the audio thread; its calls are serialised by its own lock.
class RegistrySetValue {
public:
    explicit RegistrySetValue(std::string valueName) : name_(std::move(valueName)) {}
    const std::string& name() const { return name_; }

    // Reads the value into the part's row. False (the row unchanged) when
    // the value is missing, unreadable or refused.
    bool read(Part_c& part, int row);
    // The same, but false with the row unchanged when the value holds what
    // was last read or written here: only news from elsewhere is read.
    bool readIfNew(Part_c& part, int row);
    // Writes the part's row unless it equals what was last read or written
    // here (force writes it anyway). A user's value that was found but could
    // not be read or parsed is first moved aside, once, beside it with the
    // suffix ".unreadable" or ".unparsable", and one line on stderr says so;
    // when it cannot be moved nothing is written. False when nothing was
    // written for a row that needed it.
    bool write(const Part_c& part, int row, bool force = false);

private:
    enum class Unusable { None, Unreadable, Unparsable };
    bool readLocked(Part_c& part, int row, bool onlyNew);
    bool moveUnusableAside();

    std::mutex mutex_;
    std::string name_;
    Unusable unusable_ = Unusable::None;
    bool synced_ = false;
    std::vector<uint8_t> syncedRow_; // the row as last read or written
};
