#pragma once
// The groove kelvanti-render plays when no MIDI file is given: four bars of
// drums and a short riff at a fixed tempo on MIDI channel 1, with a few
// parameter changes at bar starts so the sound moves.
#include "tools/host/lib/Performance.h"

namespace kelvanti_host {

constexpr double kDemoBeatsPerMinute = 120.0;
constexpr int kDemoBars = 4;

// Both lists in time order; every note-on is followed by its note-off.
Performance demoPattern();

} // namespace kelvanti_host
