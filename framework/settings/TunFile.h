#pragma once
// The lines of a tuning file (".TUN"): "note <key> = <cents>", cents above
// key 0 (8.1758 Hz), ',' or '.' as decimal separator, ';' starting a
// comment; every other line (section headers, other keys) is ignored.
// Pure functions over outside bytes: any thread, no allocation.
#include <string_view>

struct TunLine {
    int key = 0;          // 0..127
    float frequency = 0;  // Hz, finite and above 0
};

// Frequency of a pitch given in cents above key 0.
double centsToFrequency(double cents);

// True for an accepted "note" line; no key digits mean key 0, no cents
// digits 0 cents. Rejected: no '=', a stray character in the key, a sign or
// other stray character in the cents, or a frequency that is not finite and
// above 0 in single precision. Accumulators saturate, so no input overflows.
bool parseTunLine(std::string_view line, TunLine& out);
