#include "tools/host/lib/RenderSummary.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

using namespace kelvanti_host;

TEST(RenderSummary, LevelsAcrossBlocksAndTheSummaryLine) {
    // A square wave of ±0.5 on the left and silence on the right, fed in two blocks.
    std::vector<float> left(1000), right(1000, 0.0f);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = (i / 10) % 2 ? 0.5f : -0.5f;
    left[123] = -0.75f;
    LevelMeter meter;
    EXPECT_EQ(meter.rms(), 0.0);
    meter.add(left.data(), right.data(), 400);
    meter.add(left.data() + 400, right.data() + 400, 600);
    EXPECT_EQ(meter.frames(), 1000u);
    EXPECT_EQ(meter.peak(), 0.75f);
    EXPECT_NEAR(meter.rms(), std::sqrt((999 * 0.25 + 0.5625) / 2000.0), 1e-12);

    EXPECT_EQ(formatDecibels(1.0), "0.0");
    EXPECT_EQ(formatDecibels(0.5), "-6.0");
    EXPECT_EQ(formatDecibels(0.0), "-inf");

    RenderSummary summary;
    summary.outputPath = "out.wav";
    summary.audioSeconds = 8.0;
    summary.peak = 0.5f;
    summary.rms = 0.1;
    summary.voicesUsed = 12;
    summary.wallSeconds = 0.25;
    EXPECT_EQ(formatRenderSummary(summary),
              "out.wav: 8.00 s, peak -6.0 dBFS, RMS -20.0 dBFS, 12 voices (notes at once), 32.0x real time");
    summary.voicesUsed = 1;
    EXPECT_NE(formatRenderSummary(summary).find(" 1 voice (notes at once), "), std::string::npos);
    summary.voicesUsed = -1;
    EXPECT_NE(formatRenderSummary(summary).find(" dBFS, voices n/a, 32.0x"), std::string::npos);

    // A NaN in the output must show in the peak, not vanish behind larger samples.
    const float bad[] = {0.9f, std::nanf("")};
    meter.add(bad, bad, 2);
    EXPECT_TRUE(std::isnan(meter.peak()));
}

#include "tools/host/lib/HeldNotes.h"

TEST(HeldNotes, CountsKeysHeldAtOncePerChannel) {
    HeldNotes notes;
    notes.apply(0x90, 60, 100);
    notes.apply(0x90, 60, 90);   // the same key again: still one
    notes.apply(0x91, 60, 90);   // the same key on another channel
    notes.apply(0x90, 64, 80);
    EXPECT_EQ(notes.held(), 3);
    notes.apply(0x90, 64, 0);    // note-on with velocity 0 ends it
    notes.apply(0x80, 61, 0);    // ending a key that was not held changes nothing
    EXPECT_EQ(notes.held(), 2);
    notes.apply(0xB0, 123, 0);   // all notes off on channel 1
    EXPECT_EQ(notes.held(), 1);
    notes.apply(0xB1, 7, 0);     // another controller does not end notes
    EXPECT_EQ(notes.held(), 1);
    notes.apply(0xB1, 120, 0);   // all sound off on channel 2
    EXPECT_EQ(notes.held(), 0);
    notes.apply(0x95, 10, 1);
    EXPECT_EQ(notes.held(), 1);
    EXPECT_EQ(notes.mostHeld(), 3);
}
