// The oscillator's wide (AVX2) sample loops against its baseline ones: the
// same output and phases bit for bit, for random stretches and for whole
// renders at each kernel level, and the wrapped tables they read.
#include "engine/dsp/FmKernels.h"
#include "engine/dsp/FmOscillator.h"
#include "engine/dsp/KernelLevel.h"
#include "engine/dsp/WaveBank.h"
#include "os/Random.h"
#include "support/KernelChecks.h"

#include <atomic>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using kernelchecks::LevelGuard;
using kernelchecks::sameBits;
using kernelchecks::uniform;

// A random stretch as the oscillator cuts one: an optional partial step
// continuing the previous call, full steps, and a partial last step.
struct Stretch {
    std::vector<dsp::FmSegment> segments;
    int length = 0;
};

Stretch randomStretch(os::Random15& r) {
    Stretch s;
    int phase = r.next() % 8; // position inside the step at the start
    const int length = 1 + r.next() % 40;
    while (s.length < length) {
        dsp::FmSegment g{};
        g.start = s.length;
        g.stepStarts = phase == 0;
        g.count = std::min(8 - phase, length - s.length);
        // Mostly ordinary values, sometimes the bounds the oscillator allows.
        const bool extreme = r.next() % 8 == 0;
        g.index = static_cast<float>(uniform(r, -1.0, 1.0) * (extreme ? 1024.0 : 30.0));
        g.gain = static_cast<float>(uniform(r, -2.0, 2.0));
        g.incrementA = uniform(r, -1.0, 1.0) * (extreme ? 1024.0 * 64.0 : 40.0);
        g.incrementB = uniform(r, -1.0, 1.0) * (extreme ? 1024.0 * 64.0 : 40.0);
        s.segments.push_back(g);
        s.length += g.count;
        phase = 0;
    }
    return s;
}

dsp::FmTables randomTables(os::Random15& r) {
    const float* a = dsp::waveTable(r.next() % dsp::kWaveCount);
    const float* b = dsp::waveTable(r.next() % dsp::kWaveCount);
    const float* c = dsp::waveTable(r.next() % dsp::kWaveCount);
    return {a, b, c, static_cast<float>(uniform(r, 0.0, 1.0)), dsp::wrappedWaveTable(a), dsp::wrappedWaveTable(b),
            dsp::wrappedWaveTable(c)};
}

} // namespace

#if defined(__x86_64__) || defined(__i386__)
TEST(EngineKernels, WideStretchMatchesTheBaselineBitForBit) {
    if (dsp::supportedKernelLevel() != dsp::KernelLevel::kAvx2) GTEST_SKIP() << "no AVX2 on this processor";
    os::Random15 r;
    r.seed(20261209);
    for (int trial = 0; trial < 4000; ++trial) {
        const Stretch s = randomStretch(r);
        const dsp::FmTables t = randomTables(r);
        // Start phases anywhere a running oscillator may leave them, including
        // exact table boundaries and negative phases.
        dsp::FmPhases start{uniform(r, -1e6, 1e6), uniform(r, -1e6, 1e6)};
        if (trial % 5 == 0) start = {static_cast<double>(r.next() % 4096) - 2048.0, 1024.0 * (r.next() % 3)};
        std::vector<float> outBase(s.length), outWide(s.length);
        for (int i = 0; i < s.length; ++i) outBase[i] = outWide[i] = static_cast<float>(uniform(r, -1.0, 1.0));
        std::vector<double> stepBase(s.length), stepWide(s.length);
        dsp::FmPhases base = start, wide = start;
        const int count = static_cast<int>(s.segments.size());
        dsp::fmStretchBaseline(t, s.segments.data(), count, base, stepBase.data(), outBase.data());
        dsp::fmStretchAvx2(t, s.segments.data(), count, wide, stepWide.data(), outWide.data());
        ASSERT_TRUE(sameBits(outBase.data(), outWide.data(), s.length * sizeof(float))) << "trial " << trial;
        ASSERT_TRUE(sameBits(&base, &wide, sizeof base)) << "trial " << trial;
    }
}
#endif

TEST(EngineKernels, WrappedTablesAndPhaseWrappingKeepTheBaselineValues) {
    for (int j = 0; j < dsp::kWaveCount; ++j) {
        const float* table = dsp::waveTable(j);
        const float* wrapped = dsp::wrappedWaveTable(table);
        ASSERT_NE(wrapped, nullptr) << j;
        EXPECT_TRUE(sameBits(wrapped, table, dsp::kWaveLength * sizeof(float))) << j;
        for (int k = dsp::kWaveLength; k < dsp::kWrappedStride; ++k)
            EXPECT_EQ(wrapped[k], table[k - dsp::kWaveLength]) << j << " " << k;
    }
    // Only the bank's own tables have wrapped copies.
    std::vector<float> own(dsp::kWaveLength, 0.5f);
    EXPECT_EQ(dsp::wrappedWaveTable(own.data()), nullptr);
    EXPECT_EQ(dsp::wrappedWaveTable(dsp::waveTable(3) + 1), nullptr);
    EXPECT_EQ(dsp::wrappedWaveTable(nullptr), nullptr);

    // The shortcuts of the wrap give what the general form gives, sign of zero included.
    auto general = [](double x) {
        if (!std::isfinite(x)) return 0.0;
        return x - std::floor(x * (1.0 / dsp::kWaveLength)) * dsp::kWaveLength;
    };
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0, -0.0, 1e-300, 1023.9999999999999, 1024.0, 1024.5, 2047.9999999999998,
                                  2048.0, -1e-300, -0.5, -1024.0, -1025.5, 3e9, -3e9, 1e300, inf, -inf,
                                  std::numeric_limits<double>::quiet_NaN()};
    os::Random15 r;
    r.seed(7);
    for (int i = 0; i < 2000; ++i) values.push_back(uniform(r, -5000.0, 5000.0));
    for (double x : values) {
        const double expected = general(x);
        const double got = dsp::wrapPhase(x);
        EXPECT_TRUE(sameBits(&expected, &got, sizeof got)) << x;
    }
}

TEST(EngineKernels, OscillatorRendersAlikeAtEveryKernelLevel) {
    LevelGuard guard;
    // Random notes, control values (some not finite or far out of range) and
    // host slicings; bank tables (the wide path) and tables of our own (the
    // wide build's fallback).
    std::vector<float> own(dsp::kWaveLength);
    for (int i = 0; i < dsp::kWaveLength; ++i) own[i] = std::sin(i * 0.0123f) * 0.7f;
    os::Random15 r;
    r.seed(99);
    for (int trial = 0; trial < 60; ++trial) {
        const int total = 2000;
        const int steps = total / 8 + 2;
        std::vector<float> timbre(steps), amp(steps), pitch(steps);
        for (int k = 0; k < steps; ++k) {
            timbre[k] = static_cast<float>(uniform(r, -1.0, 2.0));
            amp[k] = static_cast<float>(uniform(r, 0.0, 1.0));
            pitch[k] = static_cast<float>(uniform(r, -1.0, 1.5));
        }
        if (trial % 4 == 1) {
            timbre[3] = std::numeric_limits<float>::quiet_NaN();
            pitch[5] = std::numeric_limits<float>::infinity();
            amp[7] = -std::numeric_limits<float>::infinity();
            pitch[9] = 40.0f;
            timbre[11] = 1e30f;
        }
        dsp::FmNoteSettings note;
        note.modulatorFrequency = static_cast<float>(uniform(r, 20.0, 12000.0));
        note.carrierFrequency = static_cast<float>(uniform(r, 20.0, 12000.0));
        note.inverseRate = 1.0f / 48000.0f;
        note.spread = static_cast<float>(uniform(r, 0.0, 50.0));
        note.balance = static_cast<float>(uniform(r, 0.0, 1.0));
        note.driveGain = static_cast<float>(uniform(r, 0.0, 8.0));
        note.envDepth = static_cast<float>(uniform(r, 0.0, 1.0));
        note.pitchOnModulator = r.next() % 2;
        note.pitchOnCarrier = r.next() % 2;
        const bool ownTables = trial % 6 == 5;
        const std::atomic<float> tune{1.02f};
        std::vector<int> slices;
        for (int done = 0; done < total;) {
            const int n = std::min(total - done, 1 + r.next() % 300);
            slices.push_back(n);
            done += n;
        }

        auto renderAt = [&](dsp::KernelLevel level) {
            dsp::forceKernelLevel(level);
            dsp::FmOscillator osc;
            if (ownTables) osc.setTables(own.data(), own.data(), dsp::waveTable(2));
            else osc.setTables(dsp::waveTable(trial % 12), dsp::waveTable(8), dsp::waveTable(11 - trial % 12));
            osc.setTuneRatioSource(&tune);
            osc.noteOn(note, false);
            std::vector<float> out(total, 0.25f);
            int step = 0, done = 0;
            for (int n : slices) {
                const int starting = osc.clock().stepsStarting(n);
                osc.render(out.data() + done, n, &timbre[step], &amp[step], &pitch[step]);
                step += starting;
                done += n;
            }
            return out;
        };
        const std::vector<float> base = renderAt(dsp::KernelLevel::kBaseline);
        EXPECT_EQ(dsp::kernelLevel(), dsp::KernelLevel::kBaseline);
        const std::vector<float> wide = renderAt(dsp::supportedKernelLevel());
        ASSERT_TRUE(sameBits(base.data(), wide.data(), base.size() * sizeof(float))) << "trial " << trial;
        // Not silence: the comparison compares sound.
        double energy = 0.0;
        for (float x : base)
            if (std::isfinite(x)) energy += (x - 0.25) * (x - 0.25);
        EXPECT_GT(energy, 0.0) << "trial " << trial;
    }
}
