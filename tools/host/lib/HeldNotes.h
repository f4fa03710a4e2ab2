#pragma once
// The notes a host has started and not yet ended, as seen from the MIDI it
// sends: a key counts from its note-on to its note-off (or an all-notes-off
// or all-sound-off of its channel); striking a held key again does not add one.
#include <bitset>
#include <cstdint>

namespace kelvanti_host {

class HeldNotes {
public:
    void apply(uint8_t status, uint8_t data1, uint8_t data2);
    int held() const { return held_; }
    int mostHeld() const { return mostHeld_; }   // the largest number held at once

private:
    static constexpr int kKeys = 128;
    std::bitset<16 * kKeys> keys_;
    int held_ = 0;
    int mostHeld_ = 0;
};

} // namespace kelvanti_host
