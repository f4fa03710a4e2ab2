#include "engine/dsp/ColouredNoise.h"
#include "engine/dsp/NoiseTable.h"
#include "support/EqualTuning.h"
#include "os/Random.h"
#include "support/SignalMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<float> render(dsp::ColouredNoise& noise, int total, int block, const std::vector<float>& amp) {
    std::vector<float> out(total, 0.0f);
    int step = 0;
    for (int pos = 0; pos < total; pos += block) {
        const int n = std::min(block, total - pos);
        const int steps = noise.clock().stepsStarting(n);
        noise.render(out.data() + pos, n, &amp[step]);
        step += steps;
    }
    return out;
}

// One-pole low-pass y = a x + (1 - a) y, magnitude at f relative to DC.
double onePoleDb(double a, double f, double rate) {
    const double w = 2.0 * 3.14159265358979323846 * f / rate;
    return 10.0 * std::log10(a * a / (1.0 - 2.0 * (1.0 - a) * std::cos(w) + (1.0 - a) * (1.0 - a)));
}

} // namespace

TEST(EngineNoise, TableWithinUnitRangeAndShared) {
    const float* t = dsp::sharedNoiseTable();
    EXPECT_EQ(t, dsp::sharedNoiseTable());
    for (int i = 0; i < dsp::kNoiseTableSize; ++i) {
        ASSERT_GE(t[i], -1.0f);
        ASSERT_LE(t[i], 1.0f);
    }
    // Any 15-bit sequence stays in range.
    float table[dsp::kNoiseTableSize];
    os::Random15 random(12345);
    for (int k = 0; k < 200; ++k) {
        dsp::fillNoiseTable(table, random);
        for (float v : table) ASSERT_TRUE(v >= -1.0f && v <= 1.0f);
    }
}

TEST(EngineNoise, CoefficientAndGainAtKey60Colour4) {
    const float f = equalTuning().getFrequency(60 + 24);
    const float a = dsp::ColouredNoise::coefficientFor(f, 1.0f / 44100.0f, 4.0f);
    EXPECT_NEAR(a, 0.18984, 1e-5);
    EXPECT_NEAR(dsp::ColouredNoise::gainFor(1.0f, a), 2.2951, 1e-4);
    // Clamps: bright to 1 (gain = level), dark to 0.001 (gain ≈ 31.6 × level); NaN unfiltered.
    EXPECT_EQ(dsp::ColouredNoise::coefficientFor(20000.0f, 1.0f / 44100.0f, 32.0f), 1.0f);
    EXPECT_FLOAT_EQ(dsp::ColouredNoise::gainFor(0.5f, 1.0f), 0.5f);
    EXPECT_EQ(dsp::ColouredNoise::coefficientFor(1.0f, 1.0f / 96000.0f, 0.5f), 0.001f);
    EXPECT_NEAR(dsp::ColouredNoise::gainFor(1.0f, 0.001f), 31.62, 0.01);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(dsp::ColouredNoise::coefficientFor(nan, 1.0f / 44100.0f, 4.0f), 1.0f);
    EXPECT_EQ(dsp::ColouredNoise::coefficientFor(-50.0f, 1.0f / 44100.0f, 4.0f), 0.001f);
    EXPECT_EQ(dsp::ColouredNoise::gainFor(0.0f, 0.5f), 0.0f); // "Level" -oo: silence
}

TEST(EngineNoise, FilterResponseOnTheSpectrum) {
    const double rate = 44100.0;
    const int n = 1 << 17;
    const std::vector<float> amp(n / 8 + 1, 1.0f);

    dsp::ColouredNoise coloured, white;
    coloured.seed(99);
    white.seed(99); // the same run starts: the same input sequence
    ASSERT_TRUE(coloured.noteOn(equalTuning().getFrequency(84), 44100.0f, 1.0f / 44100.0f, 4.0f, 1.0f, false));
    ASSERT_TRUE(white.noteOn(22050.0f, 44100.0f, 1.0f / 44100.0f, 32.0f, 1.0f, false));
    ASSERT_EQ(white.coefficient(), 1.0f);
    const auto y = render(coloured, n, 256, amp);
    const auto x = render(white, n, 256, amp);
    const auto py = measure::powerSpectrum(y, n);
    const auto px = measure::powerSpectrum(x, n);
    const double g = coloured.gain();
    const double expected[] = {-1.63, -4.49, -9.09, -14.34, -18.76};
    int k = 0;
    for (double f : {1000.0, 2000.0, 4000.0, 8000.0, 16000.0}) {
        const size_t lo = static_cast<size_t>((f - 40.0) / rate * n), hi = static_cast<size_t>((f + 40.0) / rate * n);
        double sy = 0.0, sx = 0.0;
        for (size_t b = lo; b <= hi; ++b) {
            sy += py[b];
            sx += px[b];
        }
        const double measured = 10.0 * std::log10(sy / sx / (g * g));
        EXPECT_NEAR(measured, expected[k], 0.5) << f << " Hz";
        EXPECT_NEAR(measured, onePoleDb(coloured.coefficient(), f, rate), 0.5) << f << " Hz";
        ++k;
    }
}

TEST(EngineNoise, BlockInvarianceStateAndLowRate) {
    const int n = 12000;
    std::vector<float> amp(n / 8 + 1);
    for (size_t r = 0; r < amp.size(); ++r) amp[r] = 1.0f - r / static_cast<float>(amp.size());
    std::vector<float> reference;
    for (int block : {1, 37, 64, 256, 1000}) {
        dsp::ColouredNoise noise;
        noise.seed(5);
        noise.noteOn(523.25f, 48000.0f, 1.0f / 48000.0f, 2.5f, 0.8f, false);
        const auto out = render(noise, n, block, amp);
        if (reference.empty()) reference = out;
        else ASSERT_EQ(out, reference) << "block " << block;
    }

    // A rate of 1 or less changes nothing, and a never-started source is silent and finite.
    dsp::ColouredNoise idle;
    EXPECT_FALSE(idle.noteOn(1000.0f, 1.0f, 1.0f, 4.0f, 1.0f, false));
    EXPECT_FALSE(idle.noteOn(1000.0f, 0.0f, 1e9f, 4.0f, 1.0f, false));
    std::vector<float> out(64, 0.0f);
    idle.render(out.data(), 64, amp.data());
    for (float v : out) EXPECT_EQ(v, 0.0f);

    // A reused voice keeps its filter state; a fresh one starts from 0.
    dsp::ColouredNoise noise;
    noise.noteOn(523.25f, 48000.0f, 1.0f / 48000.0f, 2.5f, 0.8f, false);
    render(noise, 100, 100, amp);
    const float y = noise.state();
    ASSERT_NE(y, 0.0f);
    noise.noteOn(523.25f, 48000.0f, 1.0f / 48000.0f, 2.5f, 0.8f, true);
    EXPECT_EQ(noise.state(), y);
    noise.noteOn(523.25f, 48000.0f, 1.0f / 48000.0f, 2.5f, 0.8f, false);
    EXPECT_EQ(noise.state(), 0.0f);
}
