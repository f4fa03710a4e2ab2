#pragma once
// The 12-tone equal-tempered tuning table every sound test plays through
// (a fresh tuning table holds it); read-only.
#include "framework/settings/NoteFreqTable_c.h"

inline const NoteFreqTable_c& equalTuning() {
    static const NoteFreqTable_c table;
    return table;
}
