#include "tools/host/lib/ParameterLookup.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vsthost {
namespace {

constexpr int kCoarseSteps = 1000;
constexpr int kFineSteps = 200;

std::string trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, std::size_t at, const char* prefix) {
    return lowered(text.substr(at, std::char_traits<char>::length(prefix))) == prefix;
}

// Parses the number at the start of text; consumed tells how many characters it took.
bool leadingNumber(const std::string& text, double& value, std::size_t& consumed) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    double sign = 1.0;
    std::size_t digitsAt = at;
    if (digitsAt < text.size() && (text[digitsAt] == '-' || text[digitsAt] == '+')) {
        sign = text[digitsAt] == '-' ? -1.0 : 1.0;
        ++digitsAt;
    }
    for (const char* infinity : {"inf", "oo"}) {
        if (startsWith(text, digitsAt, infinity)) {
            value = sign * std::numeric_limits<double>::infinity();
            consumed = digitsAt + std::char_traits<char>::length(infinity);
            return true;
        }
    }
    // Digits with one optional separator; strtod is not used because it
    // follows the locale and accepts hex and exponents no display shows.
    std::string plain;
    std::size_t end = digitsAt;
    bool separatorSeen = false, digitSeen = false;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            plain += c;
            digitSeen = true;
        } else if ((c == '.' || c == ',') && !separatorSeen) {
            plain += '.';
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (!digitSeen) return false;
    double number = 0.0, scale = 1.0;
    bool fraction = false;
    for (char c : plain) {
        if (c == '.') {
            fraction = true;
        } else if (fraction) {
            scale /= 10.0;
            number += (c - '0') * scale;
        } else {
            number = number * 10.0 + (c - '0');
        }
    }
    value = sign * number;
    consumed = end;
    return true;
}

double distance(double a, double b) {
    if (a == b) return 0.0;   // also equal infinities
    return std::fabs(a - b);  // infinite for a finite value against an infinity
}

// Whether a display's number is target: "-6.0" is -6, "10.00" is not 10.003.
// Both come from leadingNumber; the margin only absorbs the binary fraction
// of a decimal one.
bool sameNumber(double shown, double target) {
    if (std::isinf(shown) || std::isinf(target)) return shown == target;
    return std::fabs(shown - target) <= 1e-9 * std::fmax(1.0, std::fabs(target));
}

} // namespace

VstInt32 findParameter(PluginInstance& plugin, const std::string& name) {
    const std::string wanted = lowered(trimmed(name));
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
        if (lowered(trimmed(plugin.parameterName(i))) == wanted) return i;
    }
    return -1;
}

bool parseDisplayNumber(const std::string& text, double& value) {
    std::size_t consumed = 0;
    return leadingNumber(text, value, consumed);
}

bool parseParameterValue(const std::string& text, ParameterValue& value, std::string& error) {
    std::string body = trimmed(text);
    value.normalised = !body.empty() && (body.back() == 'n' || body.back() == 'N');
    if (value.normalised) body.pop_back();
    std::size_t consumed = 0;
    bool number = leadingNumber(body, value.number, consumed);
    value.unit = number ? trimmed(body.substr(consumed)) : std::string();
    // A unit holds no digits and starts with nothing a number continues with: "1.2.3", "5-" and "0x10" are no numbers.
    if (!value.unit.empty() && (value.normalised || std::string(".,+-").find(value.unit[0]) != std::string::npos ||
                                value.unit.find_first_of("0123456789") != std::string::npos))
        number = false;
    if (!number || (value.normalised && !(value.number >= 0.0 && value.number <= 1.0))) {
        error = "'" + text + "' is not a number" +
                (value.normalised ? " from 0 to 1 (normalised values end in n)" : " (or 0..1 followed by n)");
        return false;
    }
    return true;
}

bool setParameterByDisplay(PluginInstance& plugin, VstInt32 index, double target, DisplayMatch& match) {
    const float before = plugin.getParameter(index);
    double bestDistance = std::numeric_limits<double>::infinity();
    float best = -1.0f;
    // The shown numbers nearest target on either side, with their texts.
    bool anyBelow = false, anyAbove = false;
    double below = 0.0, above = 0.0;
    auto tryValue = [&](float candidate) {
        plugin.setParameter(index, candidate);
        const std::string display = plugin.parameterDisplay(index);
        double value = 0.0;
        if (!parseDisplayNumber(display, value)) return;
        if (!sameNumber(value, target) && value < target && (!anyBelow || value > below)) {
            anyBelow = true;
            below = value;
            match.below = trimmed(display);
        } else if (!sameNumber(value, target) && value > target && (!anyAbove || value < above)) {
            anyAbove = true;
            above = value;
            match.above = trimmed(display);
        }
        const double d = distance(value, target);
        if (best < 0.0f || d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    };
    // Ascending, and only a strictly nearer display replaces the best: ties go
    // to the lowest grid value, and refining never trades a round grid value
    // for an equally near odd one.
    for (int step = 0; step <= kCoarseSteps; ++step) tryValue(static_cast<float>(step) / kCoarseSteps);
    if (best < 0.0f || std::isinf(bestDistance)) {   // no number, or an infinity no display shows
        plugin.setParameter(index, before);
        return false;
    }
    const float low = std::fmax(0.0f, best - 1.0f / kCoarseSteps);
    const float high = std::fmin(1.0f, best + 1.0f / kCoarseSteps);
    for (int step = 0; step <= kFineSteps; ++step) tryValue(low + (high - low) * static_cast<float>(step) / kFineSteps);
    plugin.setParameter(index, best);
    match.shown = trimmed(plugin.parameterDisplay(index));
    double shown = 0.0;
    parseDisplayNumber(match.shown, shown);
    if (sameNumber(shown, target))
        match.fit = DisplayMatch::Fit::Shown;
    else
        match.fit = anyBelow && anyAbove ? DisplayMatch::Fit::BetweenSteps : DisplayMatch::Fit::PastTheEnds;
    return true;
}

namespace {

// The text a display shows after its number: "dB" of "-6.0 dB".
std::string displayUnit(const std::string& display) {
    double ignored = 0.0;
    std::size_t consumed = 0;
    if (!leadingNumber(display, ignored, consumed)) return {};
    return trimmed(display.substr(consumed));
}

std::string withoutBlanks(const std::string& text) {
    std::string out;
    for (char c : lowered(text))
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}

} // namespace

bool unitMatches(PluginInstance& plugin, VstInt32 index, const std::string& unit) {
    const std::string wanted = withoutBlanks(unit);
    if (wanted.empty()) return true;
    if (withoutBlanks(plugin.parameterLabel(index)) == wanted) return true;
    const float before = plugin.getParameter(index);
    bool found = false;
    for (const float at : {0.0f, 0.5f, 1.0f}) {
        plugin.setParameter(index, at);
        found = found || withoutBlanks(displayUnit(plugin.parameterDisplay(index))) == wanted;
    }
    plugin.setParameter(index, before);
    return found;
}

std::string parameterRangeText(PluginInstance& plugin, VstInt32 index) {
    const float before = plugin.getParameter(index);
    plugin.setParameter(index, 0.0f);
    const std::string low = trimmed(plugin.parameterDisplay(index));
    plugin.setParameter(index, 1.0f);
    const std::string high = trimmed(plugin.parameterDisplay(index));
    plugin.setParameter(index, before);
    const std::string label = trimmed(plugin.parameterLabel(index));
    return "from " + low + " to " + high + (label.empty() ? "" : " (label " + label + ")");
}

} // namespace vsthost
