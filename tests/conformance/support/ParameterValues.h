#pragma once
// Whole-instance parameter reads and writes, and their comparison.
#include <string>
#include <vector>

#include "tests/conformance/support/Dice.h"
#include "tools/host/lib/PluginInstance.h"

namespace conformance {

std::vector<float> readParameters(vsthost::PluginInstance& plugin);
void randomiseParameters(vsthost::PluginInstance& plugin, Dice& dice);
// "parameter 3: 0.25 became 0.5" for up to a few differences; empty when all match.
std::string parameterDifferences(const std::vector<float>& expected, const std::vector<float>& actual);

} // namespace conformance
