#pragma once
// The kind of a parameter column; the codes are stored nowhere but decide how
// a column is saved in a set chunk and how its value is shown.
#include <cstdint>

enum class ParamKind : int32_t {
    None = 0,         // a fresh descriptor, not yet defined
    Number = 1,       // integer in display units x 10^digits
    Options = 2,      // index min..max into fixed-width option entries
    MidiChannel = 3,  // 0..15 shown 1..16; 16 means all channels
    Note = 4,         // MIDI key (x 100 with cents); 128 means all
    Level = 5,        // 0.2 dB steps; linear gain derived
    Switch = 6,       // 0 off, 1 on
    Text = 7,         // text storage; the integer is unused
    FloatArray = 8,   // 'digits' floats; the integer is unused
    Pan = 9,          // -100..100 shown left/centre/right
    Placeholder = 10, // nothing stored
};
