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

// A value as a user writes it: "0.25n" is normalised (0..1), anything else a
// number in display units, parsed like a display text but without trailing
// characters. False with a one-line error for anything else.
struct ParameterValue {
    bool normalised = false;
    double number = 0.0;
};
bool parseParameterValue(const std::string& text, ParameterValue& value, std::string& error);

// The normalised value whose display text reads nearest to target: every
// 1/1000 of the range is tried (of equally near ones the lowest wins), then
// 200 steps between the best one's neighbours, each taken only when strictly
// nearer. Leaves the parameter at that value. False when no display text of
// the parameter holds a number.
bool setParameterByDisplay(PluginInstance& plugin, VstInt32 index, double target, float& normalised);

} // namespace vsthost
