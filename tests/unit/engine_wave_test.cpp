#include "engine/dsp/WaveBank.h"
#include "engine/dsp/WaveTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

std::vector<float> rawBank() {
    std::vector<float> bank(dsp::kWaveCount * dsp::kWaveLength);
    dsp::buildRawWaves(bank.data());
    return bank;
}

const float* raw(const std::vector<float>& bank, int j) { return bank.data() + j * dsp::kWaveLength; }

int countEqual(const float* t, float v) {
    int n = 0;
    for (int i = 0; i < dsp::kWaveLength; ++i) n += t[i] == v;
    return n;
}

// The cleaning formula applied independently: gain 1 / (1 + |sum / (1024 - 51)|).
double cleaningGain(const float* t) {
    double sum = 0.0;
    for (int i = 0; i < dsp::kWaveLength; ++i) sum += t[i];
    return 1.0 / (1.0 + std::fabs(sum / (1024 - 51)));
}

} // namespace

TEST(EngineWaveTools, RemoveDcRampsAndScales) {
    // Constant 1.5 over 1024 samples: ramps of 51, offset 1.5 × 1024 / 973.
    std::vector<float> v(1024, 1.5f);
    dsp::sumAndRemoveDc(v.data(), 1024);
    const double offset = 1.5 * 1024 / 973;
    const double gain = 1.0 / (1.0 + offset);
    EXPECT_NEAR(v[0], gain * 1.5, 1e-6);                    // offset fades in from 0
    EXPECT_NEAR(v[25], gain * (1.5 - offset * 25 / 50), 1e-6);
    EXPECT_NEAR(v[50], gain * (1.5 - offset), 1e-6);
    EXPECT_NEAR(v[500], gain * (1.5 - offset), 1e-6);
    EXPECT_NEAR(v[1023], gain * 1.5, 1e-6);                 // and out to 0
    EXPECT_NEAR(v[973], gain * (1.5 - offset), 1e-6);

    std::vector<float> small(40, 1.0f); // too short: untouched
    dsp::sumAndRemoveDc(small.data(), 40);
    EXPECT_EQ(small[20], 1.0f);
    dsp::sumAndRemoveDc(nullptr, 1024); // no crash
}

TEST(EngineWaveTools, NormaliseVariantsAndSilenceTrim) {
    std::vector<float> w = {0.5f, -0.25f, 0.1f};
    std::vector<float> keep = w;
    dsp::normalise(keep.data(), 3); // inside [-1, 1]: left alone
    EXPECT_EQ(keep, w);
    dsp::normaliseIfNeeded(w.data(), 3); // gain min(1/0.5, 1/0.25) = 2
    EXPECT_FLOAT_EQ(w[0], 1.0f);
    EXPECT_FLOAT_EQ(w[1], -0.5f);

    std::vector<float> loud = {4.0f, -2.0f};
    dsp::normalise(loud.data(), 2);
    EXPECT_FLOAT_EQ(loud[0], 1.0f);

    std::vector<float> l = {0.0f, 0.0f}, r = {0.0f, 0.0f};
    EXPECT_FLOAT_EQ(dsp::peakGain(l.data(), 2), 1000.0f);
    dsp::normaliseStereo(l.data(), r.data(), 2);
    EXPECT_EQ(l[0], 0.0f);

    std::vector<float> d = {1.0f, 3.0f, 6.0f, 10.0f};
    dsp::differentiate(d.data(), 4);
    EXPECT_EQ(d, (std::vector<float>{1.0f, 2.0f, 3.0f, 4.0f}));
    dsp::integrate(d.data(), 4);
    EXPECT_EQ(d, (std::vector<float>{1.0f, 3.0f, 6.0f, 10.0f}));

    std::vector<float> s = {0.001f, -0.0005f, 0.5f, 0.25f, 9.0f};
    EXPECT_EQ(dsp::trimSilence(s.data(), 5, -60.0f), 2);
    EXPECT_EQ(s[0], 0.5f);
    EXPECT_EQ(s[1], 0.25f);
    EXPECT_EQ(s[4], 9.0f); // the tail keeps its old contents
    std::vector<float> quiet = {0.0f, 0.0f};
    EXPECT_EQ(dsp::trimSilence(quiet.data(), 2, -60.0f), 0);
}

TEST(EngineWaveBank, RawTablesAsDrawn) {
    const auto bank = rawBank();
    const float* saw = raw(bank, dsp::kWaveSaw);
    EXPECT_EQ(saw[0], -1.0f);
    EXPECT_NEAR(saw[1], 0.99804497f, 1e-7);
    EXPECT_NEAR(saw[1023], -1.0f, 1e-6);
    const float* tri = raw(bank, dsp::kWaveTriangle);
    EXPECT_NEAR(tri[256], 0.99902248f, 1e-7);
    EXPECT_EQ(tri[1023], 0.0f);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWaveSquare), 1.0f), 513);
    EXPECT_EQ(raw(bank, dsp::kWaveSquare)[511], 1.0f);
    EXPECT_EQ(raw(bank, dsp::kWaveSquare)[512], -1.0f);
    EXPECT_EQ(raw(bank, dsp::kWaveSquare)[1023], 1.0f);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse50), 1.0f), 257);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse25), 1.0f), 129);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse12), 1.0f), 65);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse06), 1.0f), 33);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse50), -0.33333334f), 1024 - 257);
    EXPECT_EQ(countEqual(raw(bank, dsp::kWavePulse06), -0.032258064f), 1024 - 33);

    std::set<float> stairs(raw(bank, dsp::kWaveStairs), raw(bank, dsp::kWaveStairs) + 1024);
    std::set<int> levels;
    for (float v : stairs) levels.insert(static_cast<int>(std::lround(v * 7.0f)));
    EXPECT_EQ(levels.size(), 14u);

    const double w = 6.283185307179586 / 1024;
    for (int i = 0; i < 1024; ++i) {
        const double s = std::sin(i * w), s2 = std::sin(2 * i * w);
        ASSERT_EQ(raw(bank, dsp::kWaveSine)[i], static_cast<float>(s));
        ASSERT_NEAR(raw(bank, dsp::kWaveDefSine)[i], s * s * s * s * s, 1e-7);
        ASSERT_EQ(raw(bank, dsp::kWaveShSine)[i], i <= 511 ? static_cast<float>(s2) : 0.0f);
        ASSERT_NEAR(raw(bank, dsp::kWaveHilSine)[i], i <= 511 ? 1.5 * std::fabs(s2) - 0.5 : -0.5, 1e-7);
    }
}

TEST(EngineWaveBank, CleanedTablesZeroMeanSharedAndClamped) {
    const auto bank = rawBank();
    const float* clean = dsp::waveBank();
    EXPECT_NEAR(cleaningGain(raw(bank, dsp::kWaveSaw)), 0.9979487, 1e-6);
    EXPECT_NEAR(cleaningGain(raw(bank, dsp::kWaveHilSine)), 0.9768271, 1e-6);
    for (int j = 0; j < dsp::kWaveCount; ++j) {
        const float* r = raw(bank, j);
        const float* c = clean + j * dsp::kWaveLength;
        double sumRaw = 0.0, sumClean = 0.0;
        for (int i = 0; i < 1024; ++i) {
            sumRaw += r[i];
            sumClean += c[i];
        }
        const double offset = sumRaw / 973;
        const double gain = 1.0 / (1.0 + std::fabs(offset));
        // Middle samples: gain × (raw - offset).
        for (int i = 51; i < 973; ++i) ASSERT_NEAR(c[i], gain * (r[i] - offset), 2e-7) << j << " " << i;
        // Zero mean up to what the ramps leave: |mean| ≤ 51 × |offset| / 1024.
        EXPECT_LE(std::fabs(sumClean / 1024), 51.0 * std::fabs(offset) / 1024 + 1e-6) << j;
        EXPECT_LT(std::fabs(sumClean / 1024), std::fabs(sumRaw / 1024) + 1e-6) << j;
    }
    // The cleaned sine still matches sin closely (its mean is ~0).
    for (int i = 0; i < 1024; ++i) ASSERT_NEAR(clean[i], std::sin(i * 6.283185307179586 / 1024), 2e-6);

    // Built once and shared: every call answers the same tables.
    EXPECT_EQ(dsp::waveBank(), clean);
    EXPECT_EQ(dsp::waveTable(dsp::kWaveSaw), clean + 2 * 1024);
    EXPECT_EQ(dsp::waveTable(-5), clean);
    EXPECT_EQ(dsp::waveTable(99), clean + 11 * 1024);

    const dsp::WaveSelection w2 = dsp::wavesForWaveform(2);
    EXPECT_EQ(w2.a, dsp::kWaveSaw);
    EXPECT_EQ(w2.b, dsp::kWaveHilSine);
    EXPECT_EQ(w2.c, dsp::kWaveSquare);
    EXPECT_EQ(dsp::wavesForWaveform(7).b, dsp::kWaveHilSine);
    EXPECT_EQ(dsp::wavesForWaveform(0).b, dsp::kWaveDefSine);
}
