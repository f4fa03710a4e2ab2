#include "tests/conformance/support/ParameterValues.h"

#include <cmath>

namespace conformance {
namespace {

// Text-based chunks keep about six significant digits; lost state differs by far more.
constexpr float kRestoreTolerance = 1e-5f;
constexpr int kDifferencesShown = 5;

} // namespace

std::vector<float> readParameters(vsthost::PluginInstance& plugin) {
    std::vector<float> values;
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) values.push_back(plugin.getParameter(i));
    return values;
}

void randomiseParameters(vsthost::PluginInstance& plugin, Dice& dice) {
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) plugin.setParameter(i, dice.unit());
}

std::string parameterDifferences(const std::vector<float>& expected, const std::vector<float>& actual) {
    if (expected.size() != actual.size()) return "parameter count changed";
    std::string text;
    int shown = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const bool same = std::fabs(expected[i] - actual[i]) <= kRestoreTolerance ||
                          (std::isnan(expected[i]) && std::isnan(actual[i]));
        if (same) continue;
        if (shown++ < kDifferencesShown) {
            text += "parameter " + std::to_string(i) + ": " + std::to_string(expected[i]) + " became " +
                    std::to_string(actual[i]) + "; ";
        }
    }
    if (shown > kDifferencesShown) text += std::to_string(shown) + " differ in all";
    return text;
}

} // namespace conformance
