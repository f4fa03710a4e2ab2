#include "framework/sdk/ValueText.h"

#include <cmath>
#include <cstdio>

namespace vsttext {
namespace {

constexpr int kDisplayDigits = 8;

int integerDigitCount(std::int64_t value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

std::int64_t powerOfTen(int exponent) {
    std::int64_t result = 1;
    while (exponent-- > 0) result *= 10;
    return result;
}

} // namespace

void copyText(char* text, const char* source, int maxLen) {
    if (!text || maxLen < 0) return;
    int i = 0;
    if (source) {
        for (; i < maxLen && source[i]; ++i) text[i] = source[i];
    }
    text[i] = 0;
}

void floatToText(float value, char* text, int maxLen, char decimalSeparator) {
    if (!text || maxLen < 0) return;
    const double v = value;
    if (std::isnan(v)) {
        copyText(text, "NaN", maxLen);
        return;
    }
    const bool negative = v < 0.0;
    if (negative ? v < -9999999.0 : v > 99999999.0) {
        copyText(text, "Huge!", maxLen);
        return;
    }
    const double magnitude = std::fabs(v);
    const int places = negative ? kDisplayDigits - 1 : kDisplayDigits;

    int fractionDigits = places - integerDigitCount(static_cast<std::int64_t>(magnitude));
    if (fractionDigits < 0) fractionDigits = 0;
    std::int64_t scaled = std::llround(magnitude * static_cast<double>(powerOfTen(fractionDigits)));
    // Rounding may carry into a new integer digit (9.99999999 → 10.000000):
    // the fraction gives up one place so the total stays within the limit.
    if (fractionDigits > 0 &&
        integerDigitCount(scaled / powerOfTen(fractionDigits)) + fractionDigits > places) {
        --fractionDigits;
        scaled = std::llround(magnitude * static_cast<double>(powerOfTen(fractionDigits)));
    }
    const std::int64_t unit = powerOfTen(fractionDigits);
    const long long integerPart = static_cast<long long>(scaled / unit);
    const long long fractionPart = static_cast<long long>(scaled % unit);

    char buffer[64];
    const char* sign = (negative && scaled != 0) ? "-" : "";
    int length = std::snprintf(buffer, sizeof buffer, "%s%lld", sign, integerPart);
    if (length < 0) length = 0;
    buffer[length++] = decimalSeparator;
    for (std::int64_t unitDigit = unit / 10; unitDigit > 0; unitDigit /= 10) {
        buffer[length++] = static_cast<char>('0' + (fractionPart / unitDigit) % 10);
    }
    buffer[length] = 0;
    copyText(text, buffer, maxLen);
}

void intToText(std::int32_t value, char* text, int maxLen) {
    if (!text || maxLen < 0) return;
    if (value >= 100000000) {
        copyText(text, "Huge!", maxLen);
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(value));
    copyText(text, buffer, maxLen);
}

void gainToDbText(float gain, char* text, int maxLen, char decimalSeparator) {
    if (gain <= 0.0f) {
        copyText(text, "-oo", maxLen);
        return;
    }
    floatToText(20.0f * std::log10(gain), text, maxLen, decimalSeparator);
}

void periodToHzText(float samples, float sampleRate, char* text, int maxLen, char decimalSeparator) {
    floatToText(samples == 0.0f ? 0.0f : sampleRate / samples, text, maxLen, decimalSeparator);
}

void samplesToMsText(float samples, float sampleRate, char* text, int maxLen, char decimalSeparator) {
    // A scanning host may not have set a rate yet: show 0 rather than divide by it.
    floatToText(sampleRate > 0.0f ? samples * 1000.0f / sampleRate : 0.0f, text, maxLen, decimalSeparator);
}

} // namespace vsttext
