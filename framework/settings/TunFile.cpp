#include "framework/settings/TunFile.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kKeyZeroHz = 8.175798915643707;
constexpr double kOctavesPerCent = 0.00083333333333333;
// Far above any key or pitch a file means; accumulating stops here.
constexpr double kSaturation = 1e12;

// Bytes up to 32 as signed characters: 0x80..0xFF count as blanks too.
bool isBlank(char c) { return static_cast<signed char>(c) <= 32; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

double centsToFrequency(double cents) { return kKeyZeroHz * std::pow(2.0, cents * kOctavesPerCent); }

bool parseTunLine(std::string_view line, TunLine& out) {
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    static constexpr char kNote[] = "note";
    if (line.size() - i < 4)
        return false;
    for (int k = 0; k < 4; ++k)
        if (lower(line[i + k]) != kNote[k])
            return false;
    i += 4;

    // No key digits mean key 0.
    double key = 0.0;
    for (; i < line.size() && line[i] != '='; ++i) {
        if (isBlank(line[i]))
            continue;
        if (!isDigit(line[i]))
            return false;
        key = std::fmin(key * 10.0 + (line[i] - '0'), kSaturation);
    }
    if (i >= line.size())
        return false; // a key without '=' sets nothing
    ++i;

    // No cents digits mean 0 cents.
    double cents = 0.0;
    double fractionScale = 0.0; // 0 while in the whole part
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (isBlank(c))
            continue;
        if ((c == ',' || c == '.') && fractionScale == 0.0) {
            fractionScale = 0.1;
        } else if (isDigit(c)) {
            if (fractionScale == 0.0) {
                cents = std::fmin(cents * 10.0 + (c - '0'), kSaturation);
            } else {
                cents += (c - '0') * fractionScale;
                fractionScale = std::fmax(fractionScale * 0.1, 1e-300);
            }
        } else {
            return false;
        }
    }
    const double frequency = centsToFrequency(cents);
    if (!(frequency > 0.0) || frequency > static_cast<double>(std::numeric_limits<float>::max()))
        return false;
    const float single = static_cast<float>(frequency);
    if (!(single > 0.0f) || !std::isfinite(single))
        return false;
    out.key = key > 127.0 ? 127 : static_cast<int>(key);
    out.frequency = single;
    return true;
}
