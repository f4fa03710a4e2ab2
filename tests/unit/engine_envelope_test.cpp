#include "engine/dsp/AhdEnvelope.h"
#include "engine/dsp/AhdpEnvelope.h"
#include "engine/dsp/ControlSteps.h"
#include "engine/dsp/VoiceMath.h"
#include "engine/dsp/EnvelopeSegments.h"
#include "engine/modules/Tone_c.h"
#include "engine/dsp/NoteScaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One envelope driven the way the voice drives it; records the level of
// every control step and the step at which each stage began.
struct Runner {
    dsp::EnvelopeOutputs out[1];
    dsp::AhdEnvelope env;
    dsp::AhdSettings settings;
    std::vector<float> levels;
    std::vector<int> stageStart = std::vector<int>(4, -1);

    explicit Runner(float rate) {
        env.bindOutputs(&out[0]);
        env.setSampleRate(rate);
    }
    void noteOn(int key, int velocity, bool reused = false) {
        env.noteOn(settings, {keyFactorOf(key, 60), velocityFactorOf(velocity)}, reused, false);
        stageStart[env.stage()] = static_cast<int>(levels.size());
    }
    void run(int steps) {
        dsp::runControlSteps(out, steps, [&](int) { levels.push_back(out[0].level); },
                             [&](int) {
                                 const int before = env.stage();
                                 env.nextStage(settings);
                                 if (env.stage() != before) stageStart[env.stage()] = static_cast<int>(levels.size());
                             });
    }
};

dsp::AhdSettings baseEnvelope() {
    dsp::AhdSettings s;
    s.attack = 0.1f;
    s.hold = 0.0f;
    s.decay = 1.0f;
    s.pitchScale = 70.0f; // the instrument's default
    s.logDecay = true;
    return s;
}

} // namespace

TEST(EngineEnvelope, AttackAndLogDecayTimingAt48k) {
    Runner r(48000.0f); // 6000 control steps a second
    r.settings = baseEnvelope();
    r.noteOn(60, 100);
    ASSERT_EQ(r.env.stage(), dsp::kStageAttack);
    EXPECT_EQ(r.env.segments().count(), 8); // 600 steps / 75-step segments
    r.run(20000);
    EXPECT_EQ(r.stageStart[dsp::kStageHold], 600);
    // Attack ends at 0.999999 of the way (curve 0.5: fast at first).
    EXPECT_NEAR(r.levels[599], 0.999999, 1e-5);
    EXPECT_GT(r.levels[149], 1.0 - std::pow(1.0 - 0.25, 2.0) - 0.01);
    // Hold 0: one step; then the decay.
    const int decayStart = r.stageStart[dsp::kStageDecay];
    EXPECT_EQ(decayStart, 601);
    EXPECT_EQ(r.stageStart[dsp::kStageEnded] - decayStart, 6000);
    EXPECT_TRUE(r.env.ended());
    // Log decay: level ≈ (1 - u)^(1 / 0.333) along the decay.
    const double expected[] = {0.4215, 0.1247, 0.0156};
    for (int q = 1; q <= 3; ++q)
        EXPECT_NEAR(r.levels[decayStart + 1500 * q - 1], expected[q - 1], 0.005) << q * 25 << " %";
    for (int q = 1; q <= 3; ++q)
        EXPECT_NEAR(r.levels[decayStart + 1500 * q - 1], std::pow(1.0 - 0.25 * q, 1.0 / 0.333), 0.005);
    EXPECT_EQ(r.levels.back(), 0.0f);
}

TEST(EngineEnvelope, DecaySegmentsAndBuilderEdgeCases) {
    dsp::EnvelopeSegments seg;
    dsp::EnvelopeSegment first;
    ASSERT_TRUE(seg.build(6000.0f, 1.0f, 0.0f, 6000, 0.333f, first));
    EXPECT_EQ(seg.count(), 32);
    int total = 0;
    for (int i = 0; i < seg.count(); ++i) total += seg.segment(i).length;
    EXPECT_EQ(total, 6000);
    // At 44.1 kHz: 68-step segments, a 1 s move gives 32 (not 81).
    ASSERT_TRUE(seg.build(44100.0f / 8, 0.0f, 1.0f, 5512, 1.0f, first));
    EXPECT_EQ(seg.count(), 32);
    // Curve 1: end levels on a straight line, the last at 0.999999.
    for (int i = 0; i < 32; ++i) EXPECT_NEAR(seg.segment(i).endLevel, (i + 1) * 0.999999 / 32, 1e-6);
    // A small move: one segment covering everything.
    ASSERT_TRUE(seg.build(6000.0f, 0.5f, 0.51f, 1234, 0.5f, first));
    EXPECT_EQ(seg.count(), 1);
    EXPECT_EQ(first.length, 1234);
    // Too slow a control rate: nothing built.
    EXPECT_FALSE(seg.build(50.0f, 0.0f, 1.0f, 100, 0.5f, first));

    // Kill: 5 ms of steps, at least one.
    dsp::EnvelopeOutputs o{0.8f, 0.0f, 1000};
    dsp::killOutputs(o, 44100.0f / 8);
    EXPECT_EQ(o.counter, 28);
    EXPECT_FLOAT_EQ(o.slope, -0.8f / 28);
    dsp::killOutputs(o, 1.0f);
    EXPECT_EQ(o.counter, 1);

    // Modulated time: about 2^(-2 × modulation).
    EXPECT_NEAR(dsp::scaleTimeByModulation(1.0f, 1.0f), 1.0 / 4.0, 0.01);
    EXPECT_EQ(dsp::scaleTimeByModulation(1.0f, 0.0f), 1.0f);
}

TEST(EngineEnvelope, KeyAndVelocityScaling) {
    // "Pitch Scal" 70 % at key 72: 2^(-0.7).
    EXPECT_NEAR(dsp::envelopeKeyScale(70.0f, keyFactorOf(72, 60)), 0.6156, 1e-4);
    EXPECT_NEAR(dsp::envelopeKeyScale(100.0f, keyFactorOf(72, 60)), 0.5, 1e-5);
    EXPECT_NEAR(dsp::envelopeKeyScale(-100.0f, keyFactorOf(72, 60)), 2.0, 1e-5);
    Runner r(48000.0f);
    r.settings = baseEnvelope();
    r.settings.logDecay = false;
    r.noteOn(72, 100);
    EXPECT_EQ(r.out[0].counter, static_cast<int>(6000.0 * 0.1 * std::exp2(-0.7)));

    EXPECT_NEAR(velocityFactorOf(0), 0.25, 0.01);
    EXPECT_NEAR(velocityFactorOf(127), 4.0, 0.05);
    // "Veloc.Scal" 100 % with "Velocity Attack": velocity 127 shortens the
    // attack about four times and leaves hold and decay alone.
    r.settings.velocityScale = 100.0f;
    r.settings.hold = 0.5f;
    const float vf = velocityFactorOf(127);
    r.noteOn(60, 127);
    EXPECT_EQ(r.out[0].counter, static_cast<int>(600.0f / vf));
    r.run(r.out[0].counter);
    EXPECT_EQ(r.env.stage(), dsp::kStageHold);
    EXPECT_EQ(r.out[0].counter, 3000);
    r.settings.velocityAttack = false;
    r.noteOn(60, 127);
    r.run(r.out[0].counter);
    EXPECT_EQ(r.out[0].counter, static_cast<int>(3000.0 * vf));

    // Absurd scalings (chunk values far out of range) clamp instead of overflowing.
    r.settings.decay = 1e30f;
    r.settings.attack = 0.0f;
    r.settings.hold = 0.0f;
    r.noteOn(60, 64);
    r.run(10);
    EXPECT_EQ(r.env.stage(), dsp::kStageDecay);
    EXPECT_EQ(r.out[0].counter, dsp::kNoEnd - 8); // one step each for attack and hold
    EXPECT_EQ(dsp::controlSteps(6000.0, 1e12), dsp::kNoEnd);
    EXPECT_EQ(dsp::controlSteps(6000.0, std::nan("")), 0);
    EXPECT_EQ(dsp::controlSteps(6000.0, -3.0), 0);
}

TEST(EngineEnvelope, VelocityCurves) {
    auto response = [](int curve, int velocity) {
        // "VelCurve" 0..9 normalised.
        return (Tone_c::velocityBlendOf(velocity, static_cast<float>(curve) / 9.0f) + 1.0f) * 0.5f;
    };
    EXPECT_NEAR(response(0, 64), 0.5039, 1e-4);
    EXPECT_NEAR(response(5, 64), 0.2478, 1e-4);
    EXPECT_NEAR(response(9, 107), 0.3679, 1e-4);
    for (int c = 0; c <= 9; ++c) EXPECT_FLOAT_EQ(Tone_c::velocityBlendOf(127, static_cast<float>(c) / 9.0f), 1.0f);
    EXPECT_NEAR(Tone_c::velocityBlendOf(0, 1.0f), std::exp(-6.35) * 2 - 1, 1e-6);
    EXPECT_FLOAT_EQ(Tone_c::keyCurveOf(Tone_c::keyPositionOf(0)), -1.0f);
    EXPECT_FLOAT_EQ(Tone_c::keyCurveOf(Tone_c::keyPositionOf(127)), 1.0f);
    EXPECT_NEAR(dsp::velocityTimbre(1.0f, 1.0f), 2.82f, 1e-6);
    EXPECT_EQ(dsp::velocityTimbre(0.0f, 0.3f), 1.0f);

    const dsp::SourceMix half = dsp::sourceMix(0.5f), none = dsp::sourceMix(0.0f), all = dsp::sourceMix(1.0f);
    EXPECT_EQ(half.oscillator, 1.0f);
    EXPECT_EQ(half.noise, 1.0f);
    EXPECT_EQ(none.noise, 0.0f);
    EXPECT_EQ(all.oscillator, 0.0f);

    os::Random15 random(3);
    for (int i = 0; i < 1000; ++i) {
        const dsp::NoteRandomness on = dsp::drawNoteRandomness(random, 0.99f, true);
        ASSERT_GE(on.level, 0.945f - 1e-6f);
        ASSERT_LE(on.level, 1.0f);
        ASSERT_GE(on.timbre, 0.75f - 1e-6f);
        const dsp::NoteRandomness off = dsp::drawNoteRandomness(random, 0.99f, false);
        ASSERT_EQ(off.level, 1.0f);
        ASSERT_EQ(off.timbre, 1.0f);
    }
}

TEST(EngineEnvelope, HoldModeKillStuckCounterAndPitchEnvelope) {
    Runner r(48000.0f);
    r.settings = baseEnvelope();
    r.settings.holdMode = true;
    r.settings.hold = 0.01f;
    r.noteOn(60, 100);
    r.run(5000); // attack 600, hold 60, then held
    EXPECT_EQ(r.env.stage(), dsp::kStageHold);
    EXPECT_EQ(r.out[0].slope, 0.0f);
    r.env.noteOff(r.settings);
    EXPECT_EQ(r.env.stage(), dsp::kStageDecay);

    // A killed envelope fades in 5 ms and then ends (it does not resume its decay).
    r.env.kill();
    EXPECT_EQ(r.out[0].counter, 30);
    r.run(31);
    EXPECT_TRUE(r.env.ended());
    EXPECT_NEAR(r.levels[r.levels.size() - 2], 0.0f, 1e-6);

    // A stage handler that leaves the counter below 1 cannot stall the loop.
    dsp::EnvelopeOutputs o[2] = {{0.5f, 0.1f, 3}, {0.0f, 0.0f, 10}};
    int calls = 0, written = 0;
    dsp::runControlSteps(o, 100, [&](int) { ++written; }, [&](int) { ++calls; });
    EXPECT_EQ(written, 100);
    EXPECT_EQ(o[0].counter, dsp::kNoEnd - 97);
    EXPECT_EQ(o[0].slope, 0.0f);

    // Pitch envelope: a fresh voice starts at +48 semitones (1.0); with no
    // attack it jumps to Depth / 48 at once.
    dsp::EnvelopeOutputs p;
    dsp::AhdpEnvelope pe;
    pe.bindOutputs(&p);
    pe.setSampleRate(48000.0f);
    dsp::AhdpSettings ps;
    ps.depth = 12.0f;
    ps.hold = 0.1f;
    pe.noteOn(ps, {0.0f, 1.0f}, false, false);
    EXPECT_EQ(pe.stage(), dsp::kStageHold);
    EXPECT_FLOAT_EQ(p.level, 0.25f);
    EXPECT_EQ(p.counter, 600);
    ps.attack = 0.05f;
    pe.noteOn(ps, {0.0f, 1.0f}, false, false);
    EXPECT_EQ(pe.stage(), dsp::kStageAttack);
    EXPECT_FLOAT_EQ(p.level, 1.0f);
    EXPECT_FLOAT_EQ(p.slope, (0.25f - 1.0f) / 300);
    // With a zero rate every stage is skipped without looping forever.
    pe.setSampleRate(0.0f);
    pe.noteOn(ps, {0.0f, 1.0f}, false, false);
    EXPECT_EQ(pe.stage(), dsp::kStageEnded);
    EXPECT_EQ(p.counter, dsp::kNoEnd);
}
