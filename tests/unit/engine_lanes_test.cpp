// The voice lanes against each voice rendering alone: the same samples,
// phases, noise state and clocks bit for bit, for random sets of voices
// (off-grid starts, short slices, silent and extreme settings), at each
// kernel level; and the ordered sum that gathers the voices into the bus.
#include "engine/dsp/ToneLanes.h"
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

constexpr int kValues = dsp::kMaxLaneSteps + 2;

// One voice's generators and control values, set up at random, the clock
// left anywhere within a step.
struct Voice {
    dsp::FmOscillator osc;
    dsp::ColouredNoise noise;
    float timbre[kValues], oscAmplitude[kValues], noiseAmplitude[kValues], pitch[kValues];
    std::vector<float> oscOut = std::vector<float>(dsp::kMaxLaneSamples, 1.0f);
    std::vector<float> noiseOut = std::vector<float>(dsp::kMaxLaneSamples, 1.0f);

    dsp::ToneLaneVoice lane() {
        return {&osc, &noise, timbre, oscAmplitude, noiseAmplitude, pitch, oscOut.data(), noiseOut.data()};
    }
};

std::atomic<float> tuneRatio{1.0f}; // the plug-in's, varied per set

void randomVoice(os::Random15& r, Voice& v, bool bankTables) {
    const int wa = r.next() % dsp::kWaveCount, wb = r.next() % dsp::kWaveCount, wc = r.next() % dsp::kWaveCount;
    if (bankTables) {
        v.osc.setTables(dsp::waveTable(wa), dsp::waveTable(wb), dsp::waveTable(wc));
    } else {
        // Copies outside the bank have no wrapped forms: such a voice renders alone.
        static std::vector<float> copy(dsp::kWaveLength);
        std::memcpy(copy.data(), dsp::waveTable(wa), sizeof(float) * dsp::kWaveLength);
        v.osc.setTables(copy.data(), dsp::waveTable(wb), dsp::waveTable(wc));
    }
    v.osc.setTuneRatioSource(&tuneRatio);
    dsp::FmNoteSettings s;
    s.modulatorFrequency = static_cast<float>(uniform(r, 20.0, 9000.0));
    s.carrierFrequency = static_cast<float>(uniform(r, 20.0, 9000.0));
    s.inverseRate = 1.0f / 48000.0f;
    s.spread = static_cast<float>(uniform(r, 0.0, 50.0));
    s.balance = static_cast<float>(uniform(r, 0.0, 1.0));
    s.driveGain = static_cast<float>(uniform(r, 0.0, 8.0));
    s.envDepth = static_cast<float>(uniform(r, 0.0, 1.0));
    s.pitchOnModulator = r.next() % 2 == 0;
    s.pitchOnCarrier = r.next() % 2 == 0;
    v.osc.noteOn(s, false);
    v.osc.setVelocityTimbre(static_cast<float>(uniform(r, 0.5, 2.8)));
    // Phases anywhere a running oscillator leaves them, sometimes far out.
    const double far = r.next() % 6 == 0 ? 1.0e6 : 3000.0;
    v.osc.setPhases(uniform(r, -far, far), uniform(r, -far, far));
    if (r.next() % 40 == 0) // restarts at 0
        v.osc.setPhases(std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity());
    if (r.next() % 40 == 0) v.osc.setPhases(-0.0, 1024.0);
    v.noise.seed(static_cast<uint32_t>(r.next()) << 15 | static_cast<uint32_t>(r.next()));
    v.noise.noteOn(static_cast<float>(uniform(r, 30.0, 20000.0)), 48000.0f, 1.0f / 48000.0f,
                   static_cast<float>(uniform(r, 0.5, 32.0)), static_cast<float>(uniform(r, 0.0, 2.0)), false);
    for (int i = 0; i < kValues; ++i) {
        const bool silent = r.next() % 10 == 0;
        v.timbre[i] = static_cast<float>(uniform(r, 0.0, 1.0));
        v.oscAmplitude[i] = silent ? 0.0f : static_cast<float>(uniform(r, -1.0, 1.0));
        v.noiseAmplitude[i] = silent ? -0.0f : static_cast<float>(uniform(r, 0.0, 1.0));
        v.pitch[i] = static_cast<float>(uniform(r, -1.0, 1.0));
    }
    // Values the step rules bound or replace: huge, infinite, NaN.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    if (r.next() % 12 == 0) v.oscAmplitude[r.next() % kValues] = inf;
    if (r.next() % 12 == 0) v.noiseAmplitude[r.next() % kValues] = nan;
    if (r.next() % 12 == 0) v.timbre[r.next() % kValues] = r.next() % 2 ? nan : -5000.0f;
    if (r.next() % 12 == 0) v.pitch[r.next() % kValues] = r.next() % 2 ? nan : 3.0f;
    if (r.next() % 12 == 0) v.pitch[r.next() % kValues] = r.next() % 2 ? -inf : -7.0f;
    // Leave the clocks inside a step: render a few samples into a scratch.
    const int lead = r.next() % 8;
    float scratch[8] = {};
    v.osc.render(scratch, lead, v.timbre, v.oscAmplitude, v.pitch);
    v.noise.render(scratch, lead, v.noiseAmplitude);
    // The slice's control values start after those the lead consumed.
    if (lead > 0) {
        for (float* a : {v.timbre, v.oscAmplitude, v.noiseAmplitude, v.pitch})
            std::memmove(a, a + 1, sizeof(float) * (kValues - 1));
    }
}

// The reference: each voice alone, its samples added onto -0.
void renderEachAlone(std::vector<Voice>& voices, int n) {
    for (Voice& v : voices) {
        std::fill(v.oscOut.begin(), v.oscOut.begin() + n, -0.0f);
        std::fill(v.noiseOut.begin(), v.noiseOut.begin() + n, -0.0f);
        v.osc.render(v.oscOut.data(), n, v.timbre, v.oscAmplitude, v.pitch);
        v.noise.render(v.noiseOut.data(), n, v.noiseAmplitude);
    }
}

void expectSameVoice(Voice& lanes, Voice& alone, int n, const char* what) {
    EXPECT_TRUE(sameBits(lanes.oscOut.data(), alone.oscOut.data(), sizeof(float) * n)) << what << " oscillator";
    EXPECT_TRUE(sameBits(lanes.noiseOut.data(), alone.noiseOut.data(), sizeof(float) * n)) << what << " noise";
    const double pa[2] = {lanes.osc.phaseA(), lanes.osc.phaseB()};
    const double pb[2] = {alone.osc.phaseA(), alone.osc.phaseB()};
    EXPECT_TRUE(sameBits(pa, pb, sizeof pa)) << what << " phases";
    const float ya = lanes.noise.state(), yb = alone.noise.state();
    EXPECT_TRUE(sameBits(&ya, &yb, sizeof ya)) << what << " noise state";
    EXPECT_EQ(lanes.osc.clock().phase(), alone.osc.clock().phase()) << what;
    EXPECT_EQ(lanes.noise.clock().phase(), alone.noise.clock().phase()) << what;
}

// Renders three successive slices of random voice sets both ways.
void compareRandomSets(dsp::KernelLevel level, int trials) {
    LevelGuard guard;
    const bool wide = dsp::forceKernelLevel(level) == dsp::KernelLevel::kAvx2;
    os::Random15 r;
    r.seed(777 + static_cast<int>(level));
    dsp::ToneLaneGroup group;
    for (int trial = 0; trial < trials; ++trial) {
        const int count = 1 + r.next() % dsp::kToneLanes;
        tuneRatio = static_cast<float>(uniform(r, 0.5, 2.0));
        std::vector<Voice> lanes(static_cast<std::size_t>(count));
        for (Voice& v : lanes) randomVoice(r, v, r.next() % 16 != 0);
        std::vector<Voice> alone = lanes;
        for (int slice = 0; slice < 3; ++slice) {
            // Whole blocks mostly, sometimes the short slices events cut.
            const int n = r.next() % 3 == 0 ? 1 + r.next() % 40 : dsp::kMaxLaneSamples - (r.next() % 2) * (r.next() % 8);
            std::vector<dsp::ToneLaneVoice> set;
            for (Voice& v : lanes) set.push_back(v.lane());
            dsp::renderToneLanes(set.data(), count, n, group, wide);
            renderEachAlone(alone, n);
            for (int i = 0; i < count; ++i) expectSameVoice(lanes[i], alone[i], n, "voice");
            if (::testing::Test::HasFailure()) return;
        }
    }
}

} // namespace

TEST(EngineLanes, VoicesInLanesMatchEachVoiceAloneAtEveryLevel) {
    compareRandomSets(dsp::KernelLevel::kAvx2, 600);
    compareRandomSets(dsp::KernelLevel::kBaseline, 100);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(EngineLanes, LanesWithFewerStepsKeepTheirState) {
    // A lane that runs out of steps before the others (a voice one sample
    // into its step has one whole step less) keeps its phases and noise
    // state while the others go on; with a single voice nothing runs in lanes.
    if (dsp::supportedKernelLevel() != dsp::KernelLevel::kAvx2) GTEST_SKIP() << "no AVX2 on this processor";
    LevelGuard guard;
    dsp::forceKernelLevel(dsp::KernelLevel::kAvx2);
    os::Random15 r;
    r.seed(4242);
    dsp::ToneLaneGroup group;
    for (int lead : {1, 7}) {
        std::vector<Voice> lanes(3);
        for (Voice& v : lanes) randomVoice(r, v, true);
        // Put voice 1 `lead` samples into its step (its head), the others at a start.
        for (int i = 0; i < 3; ++i) {
            float scratch[16] = {};
            const int skip = (8 - lanes[i].osc.clock().phase()) % 8 + (i == 1 ? lead : 0);
            lanes[i].osc.render(scratch, skip, lanes[i].timbre, lanes[i].oscAmplitude, lanes[i].pitch);
            lanes[i].noise.render(scratch, skip, lanes[i].noiseAmplitude);
        }
        std::vector<Voice> alone = lanes;
        std::vector<dsp::ToneLaneVoice> set;
        for (Voice& v : lanes) set.push_back(v.lane());
        dsp::renderToneLanes(set.data(), 3, 64, group, true);
        renderEachAlone(alone, 64);
        EXPECT_EQ(group.steps[0], 8);
        EXPECT_EQ(group.steps[1], 7);
        for (int i = 0; i < 3; ++i) expectSameVoice(lanes[i], alone[i], 64, "voice");
    }
}
#endif

TEST(EngineLanes, OrderedSumAddsEachSourceInTurn) {
    // Against the plain loop, for lengths around the wide steps, at each level.
    LevelGuard guard;
    os::Random15 r;
    r.seed(99);
    for (int trial = 0; trial < 400; ++trial) {
        dsp::forceKernelLevel(trial % 2 ? dsp::KernelLevel::kBaseline : dsp::KernelLevel::kAvx2);
        const int n = 1 + r.next() % 256, count = 1 + r.next() % 8;
        std::vector<std::vector<float>> sources(static_cast<std::size_t>(count), std::vector<float>(256));
        std::vector<const float*> pointers;
        for (auto& s : sources) {
            for (float& x : s) x = static_cast<float>(uniform(r, -1.0, 1.0) * std::pow(10.0, r.next() % 9));
            pointers.push_back(s.data());
        }
        std::vector<float> out(256), expected(256);
        for (int i = 0; i < 256; ++i) out[i] = expected[i] = static_cast<float>(uniform(r, -1.0, 1.0));
        for (int i = 0; i < n; ++i)
            for (const auto& s : sources) expected[i] += s[i];
        dsp::addInOrder(out.data(), pointers.data(), count, n);
        ASSERT_TRUE(sameBits(out.data(), expected.data(), sizeof(float) * 256)) << "n " << n;
    }

    // 1 + 1e8 - 1e8 differs from 1 + (1e8 - 1e8): the order must be kept,
    // and adding -0 keeps -0.
    float out[3] = {1.0f, -0.0f, 5.0f};
    const float a[3] = {1.0e8f, -0.0f, 0.0f};
    const float b[3] = {-1.0e8f, -0.0f, -5.0f};
    const float* sources[2] = {a, b};
    dsp::addInOrder(out, sources, 2, 3);
    EXPECT_EQ(out[0], (1.0f + 1.0e8f) - 1.0e8f);
    EXPECT_NE(out[0], 1.0f);
    EXPECT_TRUE(std::signbit(out[1]));
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
}
