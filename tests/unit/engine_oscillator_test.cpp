#include "engine/dsp/FmOscillator.h"
#include "engine/dsp/VoiceMath.h"
#include "engine/dsp/WaveBank.h"
#include "support/EqualTuning.h"
#include "os/Random.h"
#include "support/SignalMeasure.h"

#include <atomic>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Constant control values for every step of a render.
struct Controls {
    std::vector<float> timbre, amp, pitch;
    Controls(float t, float a, float p, int steps = 4096) : timbre(steps, t), amp(steps, a), pitch(steps, p) {}
};

void useWaveform(dsp::FmOscillator& osc, int waveform) {
    const dsp::WaveSelection w = dsp::wavesForWaveform(waveform);
    osc.setTables(dsp::waveTable(w.a), dsp::waveTable(w.b), dsp::waveTable(w.c));
}

// Renders `total` samples in slices of `block`, feeding the control values
// each slice begins.
std::vector<float> render(dsp::FmOscillator& osc, int total, int block, const Controls& c) {
    std::vector<float> out(total, 0.0f);
    int step = 0;
    for (int pos = 0; pos < total; pos += block) {
        const int n = std::min(block, total - pos);
        const int steps = osc.clock().stepsStarting(n);
        osc.render(out.data() + pos, n, &c.timbre[step], &c.amp[step], &c.pitch[step]);
        step += steps;
    }
    return out;
}

dsp::FmNoteSettings pureSine(float key, float rate) {
    dsp::FmNoteSettings s;
    s.modulatorFrequency = equalTuning().getFrequency(key);
    s.carrierFrequency = equalTuning().getFrequency(key);
    s.inverseRate = 1.0f / rate;
    s.balance = 1.0f;    // "Base Sound" 1.00: table B only
    s.driveGain = 0.0f;  // "Drive" -oo
    s.envDepth = 0.0f;   // "Env-Amount" 0
    return s;
}

} // namespace

TEST(EngineOscillator, PureSineAtKey69) {
    dsp::FmOscillator osc;
    useWaveform(osc, 1);
    osc.noteOn(pureSine(69, 48000.0f), false);
    const int n = 48000 * 2;
    const auto out = render(osc, n, 256, Controls(0.0f, 1.0f, 0.0f, n / 8 + 1));

    EXPECT_NEAR(measure::frequency(out, 48000.0), 440.0, 0.005);
    float peak = 0.0f;
    double worst = 0.0;
    const double inc = osc.incrementB();
    for (int i = 0; i < n; ++i) {
        peak = std::max(peak, std::fabs(out[i]));
        const double phase = std::fmod(inc * i, 1024.0);
        worst = std::max(worst, std::fabs(out[i] - std::sin(phase * 6.283185307179586 / 1024)));
    }
    EXPECT_NEAR(peak, 1.0f, 1e-4);
    // Linear interpolation of a 1024-point sine errs by up to (2π/1024)² / 8 = 4.7e-6
    // between table points; add 1e-6 for float rounding.
    const double h = 6.283185307179586 / 1024;
    EXPECT_LE(worst, h * h / 8 + 1e-6);
}

TEST(EngineOscillator, TuningPaths) {
    const float rate = 48000.0f;
    const int n = 48000;
    const float offset415 = dsp::tuneOffset(4153.0f);
    std::atomic<float> ratio415{dsp::tuneRatio(4153.0f)};
    struct Case {
        const char* what;
        bool pitchOnCarrier;
        float pitch;
        int baseRange;
        double expected;
    } cases[] = {
        {"tune 415.3, carrier from the tune ratio", false, offset415, 0, 415.300},
        {"tune 415.3, carrier from the pitch polynomial", true, offset415, 0, 415.233},
        {"pitch depth +12", true, 12.0f / 48.0f, 0, 882.786},
        {"base range -2", false, 0.0f, -2, 110.0},
    };
    for (const Case& c : cases) {
        dsp::FmOscillator osc;
        useWaveform(osc, 1);
        std::atomic<float> one{1.0f};
        osc.setTuneRatioSource(c.baseRange == 0 && !c.pitchOnCarrier ? &ratio415 : &one);
        dsp::FmNoteSettings s = pureSine(69 + 12 * c.baseRange, rate);
        s.pitchOnCarrier = c.pitchOnCarrier;
        osc.noteOn(s, false);
        const auto out = render(osc, n, 100, Controls(0.0f, 1.0f, c.pitch, n / 8 + 1));
        EXPECT_NEAR(measure::frequency(out, rate), c.expected, 0.005) << c.what;
    }
}

TEST(EngineOscillator, FmIndexOneAtEqualRatioHarmonics) {
    // 375 Hz at 48 kHz: 128 samples a cycle, increment 8 table samples exactly.
    dsp::FmOscillator osc;
    useWaveform(osc, 1);
    dsp::FmNoteSettings s;
    s.modulatorFrequency = s.carrierFrequency = 375.0f;
    s.inverseRate = 1.0f / 48000.0f;
    s.balance = 1.0f;
    s.driveGain = 1.0f; // 0 dB; velocity timbre 1 and no envelope depth: index 1
    osc.noteOn(s, false);
    const int cycles = 64, n = 128 * cycles;
    const auto out = render(osc, n, 64, Controls(0.0f, 1.0f, 0.0f, n / 8 + 1));
    const double h1 = measure::binMagnitude(out, 0, n, cycles);
    const double expected[] = {-4.17, -16.08, -31.3};
    for (int k = 2; k <= 4; ++k)
        EXPECT_NEAR(measure::db(measure::binMagnitude(out, 0, n, cycles * k) / h1), expected[k - 2], 0.2)
            << "harmonic " << k;
}

TEST(EngineOscillator, IncrementGuardsAndPhaseWrap) {
    using dsp::FmOscillator;
    const float inv = 1.0f / 48000.0f;
    EXPECT_DOUBLE_EQ(FmOscillator::tableIncrement(48000.0f, inv, 1.0), 1024.0 * (48000.0 * inv)); // stays
    EXPECT_LE(FmOscillator::tableIncrement(96000.0f, inv, 1.0), 1024.0);
    EXPECT_GT(FmOscillator::tableIncrement(96000.0f, inv, 1.0), 512.0);
    EXPECT_EQ(FmOscillator::tableIncrement(std::numeric_limits<float>::quiet_NaN(), inv, 1.0), 0.0);
    EXPECT_EQ(FmOscillator::tableIncrement(std::numeric_limits<float>::infinity(), inv, 1.0), 0.0);
    EXPECT_LE(std::fabs(FmOscillator::tableIncrement(3e38f, inv, 1.0)), 1024.0);
    EXPECT_LE(std::fabs(FmOscillator::tableIncrement(-3e38f, inv, 1.0)), 1024.0);
    EXPECT_FLOAT_EQ(FmOscillator::pitchFactor(0.0f), 1.0f);
    EXPECT_NEAR(FmOscillator::pitchFactor(1.0f), std::pow(1.99692, 4), 1e-3);

    // A voice reused for hours: phases far beyond 2^31 come back into one
    // table length at the next control step, and the sound is the same as
    // from the equivalent wrapped phase.
    dsp::FmOscillator a, b;
    useWaveform(a, 2);
    useWaveform(b, 2);
    dsp::FmNoteSettings s = pureSine(60, 48000.0f);
    s.driveGain = 2.0f;
    a.noteOn(s, false);
    b.noteOn(s, false);
    a.setPhases(1024.0 * 3e6 + 17.25, -1024.0 * 5e6 + 100.5);
    b.setPhases(17.25, 100.5);
    const Controls c(0.0f, 1.0f, 0.0f, 200);
    const auto outA = render(a, 1024, 1024, c);
    const auto outB = render(b, 1024, 1024, c);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(outA[i], outB[i]) << i;
    EXPECT_GE(a.phaseA(), 0.0);
    EXPECT_LT(a.phaseA(), 1024.0 + 8 * 1024.0 * 64);
}

TEST(EngineOscillator, BlockSizeInvarianceAndReuse) {
    // Timbre, amplitude and pitch change every control step.
    const int n = 20000, steps = n / 8 + 1;
    Controls c(0.0f, 0.0f, 0.0f, steps);
    for (int r = 0; r < steps; ++r) {
        c.timbre[r] = 0.5f + 0.5f * std::sin(r * 0.01f);
        c.amp[r] = 1.0f - r / static_cast<float>(steps);
        c.pitch[r] = 0.1f * std::sin(r * 0.003f);
    }
    dsp::FmNoteSettings s = pureSine(57, 44100.0f);
    s.driveGain = 1.5f;
    s.envDepth = 0.7f;
    s.spread = 20.0f;
    s.pitchOnModulator = true;
    s.pitchOnCarrier = true;
    std::vector<float> reference;
    for (int block : {1, 37, 64, 256, 1000}) {
        dsp::FmOscillator osc;
        useWaveform(osc, 2);
        osc.noteOn(s, false);
        osc.setVelocityTimbre(1.7f);
        const auto out = render(osc, n, block, c);
        if (reference.empty()) reference = out;
        else ASSERT_EQ(out, reference) << "block " << block;
    }

    // A reused voice continues its phases; a fresh one restarts at 0.
    dsp::FmOscillator osc;
    useWaveform(osc, 1);
    osc.noteOn(s, false);
    render(osc, 333, 333, c);
    const double phase = osc.phaseB();
    osc.noteOn(s, true);
    EXPECT_EQ(osc.phaseB(), phase);
    osc.noteOn(s, false);
    EXPECT_EQ(osc.phaseB(), 0.0);
}

TEST(EngineOscillator, RandomAndAbsurdSettingsStayFinite) {
    os::Random15 random(7);
    auto uniform = [&](float lo, float hi) { return lo + (hi - lo) * random.next() / 32767.0f; };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {nan, inf, -inf, 1e30f, -1e30f, 0.0f};
    std::vector<float> out(512);
    for (int note = 0; note < 2000; ++note) {
        dsp::FmOscillator osc;
        useWaveform(osc, note % 3);
        const float rate = note % 3 == 0 ? 44100.0f : note % 3 == 1 ? 48000.0f : 96000.0f;
        dsp::FmNoteSettings s;
        s.modulatorFrequency = equalTuning().getFrequency(uniform(-30.0f, 180.0f));
        s.carrierFrequency = equalTuning().getFrequency(uniform(-30.0f, 180.0f));
        if (note % 7 == 0) s.modulatorFrequency = specials[note % 6];
        if (note % 11 == 0) s.carrierFrequency = specials[(note / 11) % 6];
        s.inverseRate = 1.0f / rate;
        s.spread = uniform(0.0f, 50.0f);
        s.balance = uniform(0.0f, 1.0f);
        s.driveGain = uniform(0.0f, 7.95f);
        s.envDepth = uniform(0.0f, 1.0f);
        s.pitchOnModulator = note & 1;
        s.pitchOnCarrier = note & 2;
        osc.noteOn(s, false);
        osc.setVelocityTimbre(uniform(0.0f, 2.82f));
        Controls c(uniform(0.0f, 1.0f), uniform(0.0f, 1.0f), uniform(-1.1f, 1.1f), 80);
        if (note % 13 == 0) c.pitch[3] = specials[note % 6];
        if (note % 17 == 0) c.timbre[5] = specials[note % 6];
        std::fill(out.begin(), out.end(), 0.0f);
        int step = 0;
        for (int pos = 0; pos < 512;) {
            const int len = std::min(1 + random.next() % 200, 512 - pos);
            const int steps = osc.clock().stepsStarting(len);
            osc.render(out.data() + pos, len, &c.timbre[step], &c.amp[step], &c.pitch[step]);
            step += steps;
            pos += len;
        }
        for (float v : out) ASSERT_TRUE(std::isfinite(v)) << "note " << note;
    }
}
