#pragma once
// Number-to-text conversions for parameter displays. Each writes at most
// maxLen characters and a terminating zero into text (so text holds at least
// maxLen + 1 bytes); a null text or a negative maxLen writes nothing.
// decimalSeparator replaces the '.' (the user's separator; never the host's
// locale). Pure functions: any thread, no allocation.
#include <cstdint>

namespace vsttext {

// Copies source into text: at most maxLen characters, always terminated.
void copyText(char* text, const char* source, int maxLen);

// At most 8 digits in all (a '-' takes the place of one), the integer part,
// the separator, then as many fraction digits as are left, rounded.
// "Huge!" above 99999999, or below -9999999.
void floatToText(float value, char* text, int maxLen, char decimalSeparator = '.');

// Decimal digits, '-' for negatives; "Huge!" at 100000000 and above.
void intToText(std::int32_t value, char* text, int maxLen);

// "-oo" for a gain of 0 or less, else the gain in dB.
void gainToDbText(float gain, char* text, int maxLen, char decimalSeparator = '.');

// The frequency of a period of samples at sampleRate ("0" for a period of 0).
void periodToHzText(float samples, float sampleRate, char* text, int maxLen, char decimalSeparator = '.');

// Samples as milliseconds at sampleRate ("0" when the rate is not positive).
void samplesToMsText(float samples, float sampleRate, char* text, int maxLen, char decimalSeparator = '.');

} // namespace vsttext
