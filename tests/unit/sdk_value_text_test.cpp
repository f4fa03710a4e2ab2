// Parameter display texts and the version number hosts read.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "framework/sdk/ValueText.h"
#include "framework/synth/VersionNumber.h"

namespace {

std::string floatText(float value, int maxLen = 16, char separator = '.') {
    char text[64];
    vsttext::floatToText(value, text, maxLen, separator);
    return text;
}

std::string intText(int value, int maxLen = 16) {
    char text[64];
    vsttext::intToText(value, text, maxLen);
    return text;
}

TEST(SdkValueText, FloatUsesEightDigitsInAll) {
    EXPECT_EQ(floatText(1.5f), "1.5000000");
    EXPECT_EQ(floatText(0.0f), "0.0000000");
    EXPECT_EQ(floatText(123.25f), "123.25000");
    EXPECT_EQ(floatText(-2.5f), "-2.500000");          // the sign takes a digit's place
    EXPECT_EQ(floatText(12345678.0f), "12345678.");    // no place left for a fraction
    EXPECT_EQ(floatText(0.7f), "0.7000000");           // rounded, not cut to 0.6999999
    EXPECT_EQ(floatText(9.99999905f), "9.9999990");
    EXPECT_EQ(floatText(-0.00000001f), "0.000000");    // no "-0"
}

TEST(SdkValueText, FloatOutOfRangeIsHuge) {
    EXPECT_EQ(floatText(99999999.0f + 16.0f), "Huge!");
    EXPECT_EQ(floatText(1e30f), "Huge!");
    EXPECT_EQ(floatText(INFINITY), "Huge!");
    EXPECT_EQ(floatText(-10000000.0f), "Huge!");
    EXPECT_EQ(floatText(-9999999.0f), "-9999999.");
    EXPECT_EQ(floatText(NAN), "NaN");
}

TEST(SdkValueText, FloatHonoursSeparatorAndLength) {
    EXPECT_EQ(floatText(1.5f, 16, ','), "1,5000000");
    EXPECT_EQ(floatText(1.5f, 8), "1.500000");   // 8 characters and the zero
    EXPECT_EQ(floatText(1.5f, 0), "");
    char guard[4] = {'x', 'x', 'x', 'x'};
    vsttext::floatToText(123.0f, guard, 2, '.');
    EXPECT_EQ(std::string(guard), "12");
    EXPECT_EQ(guard[3], 'x');                     // nothing past maxLen + 1
    vsttext::floatToText(1.0f, nullptr, 8, '.'); // a null text is ignored
}

TEST(SdkValueText, IntegerTexts) {
    EXPECT_EQ(intText(-42), "-42");
    EXPECT_EQ(intText(0), "0");
    EXPECT_EQ(intText(99999999), "99999999");
    EXPECT_EQ(intText(100000000), "Huge!");
    EXPECT_EQ(intText(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(intText(12345, 3), "123");
}

TEST(SdkValueText, DecibelHertzAndMilliseconds) {
    char text[32];
    vsttext::gainToDbText(0.0f, text, 16, '.');
    EXPECT_STREQ(text, "-oo");
    vsttext::gainToDbText(-1.0f, text, 16, '.');
    EXPECT_STREQ(text, "-oo");
    vsttext::gainToDbText(1.0f, text, 16, '.');
    EXPECT_STREQ(text, "0.0000000");
    vsttext::gainToDbText(10.0f, text, 16, ',');
    EXPECT_STREQ(text, "20,000000");

    vsttext::periodToHzText(100.0f, 44100.0f, text, 16, '.');
    EXPECT_STREQ(text, "441.00000");
    vsttext::periodToHzText(0.0f, 44100.0f, text, 16, '.');
    EXPECT_STREQ(text, "0.0000000");

    vsttext::samplesToMsText(441.0f, 44100.0f, text, 16, '.');
    EXPECT_STREQ(text, "10.000000");
    // A host that has not set a rate yet: no division by it.
    vsttext::samplesToMsText(441.0f, 0.0f, text, 16, '.');
    EXPECT_STREQ(text, "0.0000000");
}

TEST(SdkVersionNumber, DigitsScaledToFourPlaces) {
    EXPECT_EQ(synth::versionNumberFromText("1.1b"), 1100);
    EXPECT_EQ(synth::versionNumberFromText("2.05"), 2050);
    EXPECT_EQ(synth::versionNumberFromText("12345"), 1234);
    EXPECT_EQ(synth::versionNumberFromText("v0.0"), 0);    // no non-zero digit: no endless scaling
    EXPECT_EQ(synth::versionNumberFromText(nullptr), 0);
}

} // namespace
