#include "framework/settings/NRPN_c.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

uint32_t g_now = 0;
uint32_t fakeClock(const void*) { return g_now; }

struct Result {
    bool complete;
    int number;
    int value;
};

Result feed(NRPN_c& decoder, int channel, int controller, int value) {
    Result result{false, controller, value};
    result.complete = decoder.process(channel, result.number, result.value);
    return result;
}

} // namespace

TEST(SettingsNrpn, SelectThenCoarseAndFineData) {
    g_now = 5000;
    NRPN_c decoder(&fakeClock);
    EXPECT_FALSE(feed(decoder, 3, 99, 1).complete);
    EXPECT_FALSE(feed(decoder, 3, 98, 2).complete);
    const Result coarse = feed(decoder, 3, 6, 100);
    EXPECT_TRUE(coarse.complete);
    EXPECT_EQ(coarse.number, 130);
    EXPECT_EQ(coarse.value, 100);
    const Result fine = feed(decoder, 3, 38, 5);
    EXPECT_TRUE(fine.complete);
    EXPECT_EQ(fine.number, 130);
    EXPECT_EQ(fine.value, 100 * 128 + 5);

    // The selection stays: later data needs no new select, however late.
    g_now += 60000;
    EXPECT_TRUE(feed(decoder, 3, 6, 7).complete);
    // Channels are independent.
    EXPECT_FALSE(feed(decoder, 4, 6, 7).complete);
    // The program/bank step numbers come through whole.
    feed(decoder, 0, 99, 8);
    feed(decoder, 0, 98, 3);
    EXPECT_EQ(feed(decoder, 0, 6, 64).number, 1027);
    // Out-of-range inputs are clamped.
    feed(decoder, 1, 99, 500);
    feed(decoder, 1, 98, 0);
    const Result clamped = feed(decoder, 1, 6, 300);
    EXPECT_EQ(clamped.number, 16383);
    EXPECT_EQ(clamped.value, 127);
}

TEST(SettingsNrpn, FirstDataCountsOnlyWithinASecondOfTheSelect) {
    for (const uint32_t start : {1000u, 0xFFFFFE00u /* the clock wraps inside the window */}) {
        NRPN_c decoder(&fakeClock);
        g_now = start;
        feed(decoder, 0, 99, 1);
        feed(decoder, 0, 98, 2);
        g_now = start + 999;
        EXPECT_TRUE(feed(decoder, 0, 6, 10).complete) << start;

        g_now = start + 5000;
        feed(decoder, 0, 98, 2);
        g_now = start + 6000;
        const Result late = feed(decoder, 0, 6, 10);
        EXPECT_FALSE(late.complete) << start;
        EXPECT_EQ(late.number, 6);
        EXPECT_EQ(late.value, 10);
        EXPECT_FALSE(feed(decoder, 0, 38, 10).complete) << start;
    }
}

TEST(SettingsNrpn, OtherControllersAndMissingSelectsGiveNothing) {
    g_now = 100;
    NRPN_c decoder(&fakeClock);
    EXPECT_FALSE(feed(decoder, 0, 6, 100).complete);   // no select at all
    EXPECT_FALSE(feed(decoder, 0, 38, 100).complete);
    feed(decoder, 0, 99, 1);
    EXPECT_FALSE(feed(decoder, 0, 6, 100).complete);   // only half selected
    EXPECT_FALSE(feed(decoder, 0, 101, 0).complete);   // registered selects pass through
    EXPECT_FALSE(feed(decoder, 0, 100, 0).complete);
    feed(decoder, 0, 98, 0);
    const Result other = feed(decoder, 0, 7, 90);
    EXPECT_FALSE(other.complete);
    EXPECT_EQ(other.number, 7);
    EXPECT_EQ(other.value, 90);
    EXPECT_FALSE(feed(decoder, -1, 6, 1).complete);
    EXPECT_FALSE(feed(decoder, 16, 6, 1).complete);
    EXPECT_TRUE(feed(decoder, 0, 6, 1).complete);
}
