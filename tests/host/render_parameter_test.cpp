// Reading numbers from display texts and from --set values.
#include "tools/host/lib/ParameterLookup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using vsthost::parseDisplayNumber;
using vsthost::parseParameterValue;
using vsthost::ParameterValue;

TEST(ParameterText, DisplayTextsStartWithTheirNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;
        double value;
    } numbers[] = {{"0.232", 0.232}, {"9.0", 9.0},    {" -12,5 dB", -12.5}, {"-oo", -inf}, {"+inf", inf},
                   {"OO", inf},      {"100 %", 100.0}, {"-0.75x", -0.75},   {".5", 0.5},   {"7.", 7.0}};
    for (const auto& n : numbers) {
        double value = 0.0;
        ASSERT_TRUE(parseDisplayNumber(n.text, value)) << n.text;
        EXPECT_DOUBLE_EQ(value, n.value) << n.text;
    }
    for (const char* text : {"", "Sawtoo", "-", "+ 3", ".", "dB 3", "1e3x"}) {
        double value = 42.0;
        const bool parsed = parseDisplayNumber(text, value);
        // "1e3x" reads its leading 1 only: exponents are not display syntax.
        if (std::string(text) == "1e3x") {
            EXPECT_TRUE(parsed);
            EXPECT_EQ(value, 1.0);
        } else {
            EXPECT_FALSE(parsed) << text;
        }
    }
}

TEST(ParameterText, SetValuesAreNormalisedWithNOrInDisplayUnits) {
    ParameterValue value;
    std::string error;
    ASSERT_TRUE(parseParameterValue("0.25n", value, error)) << error;
    EXPECT_TRUE(value.normalised);
    EXPECT_EQ(value.number, 0.25);
    ASSERT_TRUE(parseParameterValue(" 1N ", value, error)) << error;
    EXPECT_TRUE(value.normalised);
    EXPECT_EQ(value.number, 1.0);
    ASSERT_TRUE(parseParameterValue("-6", value, error)) << error;
    EXPECT_FALSE(value.normalised);
    EXPECT_EQ(value.number, -6.0);
    ASSERT_TRUE(parseParameterValue("-oo", value, error)) << error;
    EXPECT_TRUE(std::isinf(value.number) && value.number < 0);
    ASSERT_TRUE(parseParameterValue("2,5", value, error)) << error;
    EXPECT_EQ(value.number, 2.5);
    EXPECT_EQ(value.unit, "");
    ASSERT_TRUE(parseParameterValue("3 dB", value, error)) << error;   // the unit is checked against the parameter
    EXPECT_EQ(value.number, 3.0);
    EXPECT_EQ(value.unit, "dB");
    ASSERT_TRUE(parseParameterValue("-6dB", value, error)) << error;
    EXPECT_EQ(value.number, -6.0);
    EXPECT_EQ(value.unit, "dB");

    for (const char* bad : {"", "n", "abc", "1.5n", "-0.1n", "3 dBn", "1..2", "0x10", "5 n n", "4-", "2 x2"}) {
        error.clear();
        EXPECT_FALSE(parseParameterValue(bad, value, error)) << bad;
        EXPECT_NE(error.find(std::string("'") + bad + "' is not a number"), std::string::npos) << error;
    }
}

} // namespace
