#pragma once
// Description of one parameter column, shared by all rows of a set, or a
// cell's private copy (then 'source' names the shared one it came from).
// Texts are copied in, so definers may pass temporary strings.
#include "framework/model/Flags_c.h"
#include "framework/model/ParamKind.h"
#include <cstdint>
#include <string>
#include <vector>

struct ParamDesc {
    ParamKind kind = ParamKind::None;
    std::string name;
    std::string unit;
    int32_t min = 0;
    int32_t max = 0;
    int32_t defaultValue = 0;
    float curve = 0.0f;
    // Options and Switch: the entries, each 'digits' bytes wide, end to end.
    // Text: the default text.
    std::string optionText;
    // Options only: older entry texts accepted when choosing by text.
    std::vector<std::string> legacyOptions;
    // Number, MidiChannel, Note, Level: decimal places (0..8);
    // Options, Switch: entry width; FloatArray: number of floats.
    int16_t digits = 0;
    int16_t displayCut = 0; // Number: longest display text (0 = no cut)
    int32_t scale = 1;      // 10^digits for the number-like kinds
    Flags_c flags;
    // A count the plug-in keeps while it runs, not a setting: chunks hold the
    // default so that saving the same settings always gives the same bytes.
    bool runningState = false;
    const ParamDesc* source = nullptr; // set only in a private copy

    bool isPrivate() const { return source != nullptr; }
    int entryWidth() const { return digits; }
};
