#pragma once
// Host parameters addressed the way a user names them: by their name, and by
// a value in the units their display shows.
#include <string>

#include "tools/host/lib/PluginInstance.h"

namespace vsthost {

// The index of the parameter whose name equals name, ignoring ASCII case and
// blanks around either; -1 when there is none.
VstInt32 findParameter(PluginInstance& plugin, const std::string& name);

// The number a display text starts with, after blanks: a decimal number whose
// separator is '.' or ',', or "oo"/"inf" with an optional sign for infinity.
// Anything after the number (a unit) is ignored. False when there is none.
bool parseDisplayNumber(const std::string& text, double& value);

// A number exactly as its text writes it, for comparisons in its own decimal
// digits (a binary double makes 0.755 nearer 0.76 than 0.75): the value is
// ±digits × 10^-decimals, or an infinity.
struct DecimalNumber {
    bool negative = false;
    bool infinite = false;
    std::string digits;   // without sign and separator, as written
    int decimals = 0;     // digits after the separator
};

// A value as a user writes it: "0.25n" is normalised (0..1), anything else a
// number in display units, parsed like a display text, optionally followed by
// a unit ("-6dB", "-6 dB"), which unitMatches checks against the parameter.
// False with a one-line error for anything else.
struct ParameterValue {
    bool normalised = false;
    double number = 0.0;
    DecimalNumber decimal;   // number, as written
    std::string unit;   // as written, blanks around it removed; "" when none
};
bool parseParameterValue(const std::string& text, ParameterValue& value, std::string& error);

// The normalised value whose display text reads nearest to target (a value
// in display units; distances compared in decimal, as the texts write them):
// every 1/1000 of the range is tried, then 200 steps between the best one's
// neighbours; of equally near displays the one showing the lower number
// wins, of ones showing the same number the first tried. Leaves the
// parameter at that value. False when no display text of the parameter
// holds a number.
// False too for an infinity no display text shows (a display that reads
// "-oo" at its lowest can be asked for "-oo", never for "+oo"); the parameter
// is then left as it was.
struct DisplayMatch {
    std::string shown;   // the display text taken, blanks around it removed
    // How target stands to what the display shows: its very number ("-6.0"
    // for -6), between two of its values (12.5 between "12" and "13", -40
    // between "-oo" and "-24"), or past all of them (12 where they end at "9.0").
    enum class Fit { Shown, BetweenSteps, PastTheEnds } fit = Fit::Shown;
    std::string below, above;   // BetweenSteps: the display texts nearest target on either side
};
bool setParameterByDisplay(PluginInstance& plugin, VstInt32 index, const ParameterValue& target, DisplayMatch& match);

// Whether unit (any case, blanks ignored) is the parameter's label or the
// text its display shows after the number, at any of its ends or middle.
bool unitMatches(PluginInstance& plugin, VstInt32 index, const std::string& unit);

// "from -oo to 6.0 (label Main Vol.)": the display at both ends, for messages.
// Leaves the parameter as it was.
std::string parameterRangeText(PluginInstance& plugin, VstInt32 index);

} // namespace vsthost
