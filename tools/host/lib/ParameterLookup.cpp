#include "tools/host/lib/ParameterLookup.h"

#include <algorithm>
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
bool leadingNumber(const std::string& text, double& value, std::size_t& consumed, DecimalNumber* decimal = nullptr) {
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
            if (decimal) *decimal = DecimalNumber{sign < 0.0, true, "", 0};
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
    if (decimal) {
        const std::size_t point = plain.find('.');
        *decimal = DecimalNumber{sign < 0.0, false, plain, 0};
        if (point != std::string::npos) {
            decimal->digits.erase(point, 1);
            decimal->decimals = static_cast<int>(plain.size() - point - 1);
        }
    }
    return true;
}

// Whole-number arithmetic on decimal digit strings without leading zeros ("" is 0).
std::string withoutLeadingZeros(const std::string& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string() : digits.substr(first);
}

int compareMagnitudes(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

std::string addMagnitudes(const std::string& a, const std::string& b) {
    std::string sum;
    int carry = 0;
    for (std::size_t i = 0; i < a.size() || i < b.size() || carry; ++i) {
        const int digit = carry + (i < a.size() ? a[a.size() - 1 - i] - '0' : 0) +
                          (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        sum.insert(sum.begin(), static_cast<char>('0' + digit % 10));
        carry = digit / 10;
    }
    return withoutLeadingZeros(sum);
}

std::string subtractMagnitudes(const std::string& larger, const std::string& smaller) {
    std::string difference = larger;
    int borrow = 0;
    for (std::size_t i = 0; i < larger.size(); ++i) {
        const std::size_t at = larger.size() - 1 - i;
        int digit = larger[at] - '0' - borrow - (i < smaller.size() ? smaller[smaller.size() - 1 - i] - '0' : 0);
        borrow = digit < 0 ? 1 : 0;
        difference[at] = static_cast<char>('0' + digit + 10 * borrow);
    }
    return withoutLeadingZeros(difference);
}

// |value - target| in units of 10^-decimals (decimals at least both of theirs); infinite against an infinity.
struct DecimalDistance {
    bool infinite = false;
    std::string magnitude;
};

DecimalDistance decimalDistance(const DecimalNumber& value, const DecimalNumber& target, int decimals) {
    if (value.infinite || target.infinite)
        return {!(value.infinite && target.infinite && value.negative == target.negative), ""};
    const std::string a = withoutLeadingZeros(value.digits + std::string(decimals - value.decimals, '0'));
    const std::string b = withoutLeadingZeros(target.digits + std::string(decimals - target.decimals, '0'));
    const bool aNegative = value.negative && !a.empty(), bNegative = target.negative && !b.empty();
    if (aNegative != bNegative) return {false, addMagnitudes(a, b)};
    return {false, compareMagnitudes(a, b) >= 0 ? subtractMagnitudes(a, b) : subtractMagnitudes(b, a)};
}

// -1, 0 or 1 as a is nearer target than b, as near, or farther.
int compareDistances(const DecimalNumber& a, const DecimalNumber& b, const DecimalNumber& target) {
    const int decimals = std::max({a.decimals, b.decimals, target.decimals});
    const DecimalDistance first = decimalDistance(a, target, decimals), second = decimalDistance(b, target, decimals);
    if (first.infinite || second.infinite) return first.infinite == second.infinite ? 0 : first.infinite ? 1 : -1;
    return compareMagnitudes(first.magnitude, second.magnitude);
}

// Whether a is a lower number than b.
bool lower(const DecimalNumber& a, const DecimalNumber& b) {
    const int decimals = std::max(a.decimals, b.decimals);
    const auto signedRank = [&](const DecimalNumber& x, std::string& magnitude) {
        if (x.infinite) return x.negative ? -2 : 2;
        magnitude = withoutLeadingZeros(x.digits + std::string(decimals - x.decimals, '0'));
        return magnitude.empty() ? 0 : x.negative ? -1 : 1;
    };
    std::string first, second;
    const int rankA = signedRank(a, first), rankB = signedRank(b, second);
    if (rankA != rankB || rankA == 0 || rankA == 2 || rankA == -2) return rankA < rankB;
    return rankA > 0 ? compareMagnitudes(first, second) < 0 : compareMagnitudes(first, second) > 0;
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
    bool number = leadingNumber(body, value.number, consumed, &value.decimal);
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

bool setParameterByDisplay(PluginInstance& plugin, VstInt32 index, const ParameterValue& wanted,
                           DisplayMatch& match) {
    const double target = wanted.number;
    const float before = plugin.getParameter(index);
    DecimalNumber bestShown;
    bool bestInfinitelyFar = true;
    float best = -1.0f;
    // The shown numbers nearest target on either side, with their texts.
    bool anyBelow = false, anyAbove = false;
    double below = 0.0, above = 0.0;
    auto tryValue = [&](float candidate) {
        plugin.setParameter(index, candidate);
        const std::string display = plugin.parameterDisplay(index);
        double value = 0.0;
        std::size_t consumed = 0;
        DecimalNumber shown;
        if (!leadingNumber(display, value, consumed, &shown)) return;
        if (!sameNumber(value, target) && value < target && (!anyBelow || value > below)) {
            anyBelow = true;
            below = value;
            match.below = trimmed(display);
        } else if (!sameNumber(value, target) && value > target && (!anyAbove || value < above)) {
            anyAbove = true;
            above = value;
            match.above = trimmed(display);
        }
        const int order = best < 0.0f ? -1 : compareDistances(shown, bestShown, wanted.decimal);
        if (order < 0 || (order == 0 && lower(shown, bestShown))) {
            bestShown = shown;
            bestInfinitelyFar = std::isinf(distance(value, target));
            best = candidate;
        }
    };
    // Ascending, and only a strictly nearer display, or an equally near one
    // showing a lower number, replaces the best: ties go to the lower number
    // shown, and refining never trades a round grid value for an odd one
    // showing the same number.
    for (int step = 0; step <= kCoarseSteps; ++step) tryValue(static_cast<float>(step) / kCoarseSteps);
    if (best < 0.0f || bestInfinitelyFar) {   // no number, or an infinity no display shows
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
