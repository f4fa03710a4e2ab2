// The module classes over the sound kernels: their parameter sets as the
// instrument saves them, the wave selectors, and the envelopes driven from
// their parameters.
#include "engine/instrument/ColorNoise_c.h"
#include "engine/dsp/ControlSteps.h"
#include "engine/instrument/EnvAHDP_c.h"
#include "engine/instrument/EnvAHD_c.h"
#include "engine/dsp/WaveBank.h"
#include "engine/instrument/WaveROM_c.h"
#include "engine/instrument/ZenOsc_c.h"
#include "engine/instrument/ZendrixGlo_c.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string name(const Part_c& p, int column) {
    char buffer[32];
    p.getName(0, column, buffer, sizeof buffer);
    return buffer;
}

std::string shown(const Part_c& p, int column) {
    char buffer[32];
    p.getValueText(0, column, buffer, sizeof buffer);
    return buffer;
}

struct Column {
    const char* name;
    ParamKind kind;
    int32_t min, max, defaultValue;
};

// Compares every column's name, kind, range and default with the table.
void expectColumns(Part_c& part, const std::vector<Column>& columns) {
    ParaSet_c* set = part.set();
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->columns(), static_cast<int>(columns.size()));
    for (size_t c = 0; c < columns.size(); ++c) {
        const int col = static_cast<int>(c);
        const ParamDesc* d = set->cell(0, col)->descriptor();
        ASSERT_NE(d, nullptr) << col;
        EXPECT_EQ(name(part, col), columns[c].name) << col;
        EXPECT_EQ(d->kind, columns[c].kind) << columns[c].name;
        if (columns[c].kind == ParamKind::Text || columns[c].kind == ParamKind::None)
            continue;
        EXPECT_EQ(d->min, columns[c].min) << columns[c].name;
        EXPECT_EQ(d->max, columns[c].max) << columns[c].name;
        EXPECT_EQ(part.getValue(1, col), columns[c].defaultValue) << columns[c].name; // row 1: copied
    }
}

constexpr ParamKind N = ParamKind::Number, O = ParamKind::Options, L = ParamKind::Level, S = ParamKind::Switch,
                    T = ParamKind::Text;

} // namespace

TEST(SoundModules, ParameterSetsAsSaved) {
    ParaSet_c *tables = nullptr, *osc = nullptr, *noise = nullptr, *ahd = nullptr, *ahdp = nullptr, *glo = nullptr;
    WaveROM_c wave;
    ZenOsc_c zen;
    ColorNoise_c colour;
    EnvAHD_c envelope;
    EnvAHDP_c pitch;
    ZendrixGlo_c globals;
    wave.defineParameters(tables, 2);
    zen.defineParameters(osc, 2);
    colour.defineParameters(noise, 2);
    envelope.defineParameters(ahd, 2);
    pitch.defineParameters(ahdp, 2);
    globals.defineParameters(glo, 2);

    char id[5];
    const std::pair<Part_c*, const char*> ids[] = {{&wave, "TM00"}, {&zen, "GO11"}, {&colour, "GCN0"},
                                                   {&envelope, "ME05"}, {&pitch, "ME06"}, {&globals, "SYG2"}};
    for (const auto& [part, expected] : ids) {
        part->typeIdText(id);
        EXPECT_STREQ(id, expected);
        EXPECT_EQ(part->set()->typeId(), part->getTypeId());
    }

    expectColumns(wave, {{"Version", N, 200, 9900, 300}, {"Wave 1", O, 0, 11, 0}, {"Unused", O, 0, 9, 2},
                         {"Unused", O, 0, 11, 0}, {"Unused", O, 0, 9, 2}, {"Unused", N, 0, 100, 50}});
    EXPECT_EQ(wave.set()->cell(0, 1)->descriptor()->optionText,
              " Sine TriangSawtooSquarePuls50Puls25Puls12Puls06DefSinShSin HilSinStairs");
    EXPECT_EQ(wave.set()->cell(0, 2)->descriptor()->optionText, "1/41/2 1  2  3  4  5  6  7  8 ");

    // Level columns count 0.2 dB steps; with minus infinity one step lower.
    expectColumns(zen, {{"Version", N, 200, 9900, 200}, {"S0 On/Off", S, 0, 1, 1}, {"Drive", L, -121, 90, 0},
                        {"Balance", N, 0, 100, 50}, {"TimRng", N, -24, 48, 0}, {"BasRng", N, -2, 4, 0},
                        {"PitTim", S, 0, 1, 0}, {"PitBas", S, 0, 1, 0}, {"EnvDepth", N, 0, 100, 0},
                        {"Spread", N, 0, 5000, 0}, {"Vel->Timbre", N, 0, 100, 40}});
    expectColumns(colour, {{"Version", N, 200, 9900, 200}, {"OffOn", S, 0, 1, 1}, {"Level", L, -151, 30, 0},
                           {"Color", N, 50, 3200, 400}});
    expectColumns(envelope, {{"Version", N, 200, 9900, 200}, {"A Time", N, 0, 500, 0}, {"H Time", N, 0, 2000, 2000},
                             {"D Time", N, 5, 2001, 2001}, {"Midi Hold Mode", S, 0, 1, 0},
                             {"Pitch Scal", N, -100, 100, 0}, {"Veloc.Scal", N, -100, 100, 0},
                             {"Velocity Attack", S, 0, 1, 1}, {"Log Decay", S, 0, 1, 1}});
    expectColumns(pitch, {{"Version", N, 200, 9900, 200}, {"A Time", N, 0, 1250, 0}, {"H Time", N, 0, 2000, 2000},
                          {"D Time", N, 5, 2000, 2000}, {"Midi Hold Mode", S, 0, 1, 0}, {"Depth", N, -48, 48, 0},
                          {"Pitch Scal", N, -100, 100, 0}, {"Veloc.Scal", N, -100, 100, 0},
                          {"Velocity Attack", S, 0, 1, 1}});
    expectColumns(globals, {{"", ParamKind::None, 0, 0, 0}, {"PrgName", T, 0, 0, 0}, {"Main Vol.", L, -121, 45, 0},
                            {"Preset Save Path", T, 0, 0, 0}, {"Preset Load Path", T, 0, 0, 0},
                            {"Osc Bal", N, 0, 100, 50}, {"Vel->Attack", N, 0, 100, 20},
                            {"Exactness", N, 90, 100, 100}, {"Exactness On/Off", S, 0, 1, 1},
                            {"Waveform", N, 0, 2, 0}});
    EXPECT_EQ(globals.getValue(0, 0), 0);

    // Units and the values the modules read, through the display.
    char unit[32];
    envelope.getUnit(0, EnvAHD_c::kAttackTime, unit, sizeof unit);
    EXPECT_STREQ(unit, "sec");
    pitch.getUnit(0, EnvAHDP_c::kDepth, unit, sizeof unit);
    EXPECT_STREQ(unit, "semitones");
    zen.getUnit(0, ZenOsc_c::kSpread, unit, sizeof unit);
    EXPECT_STREQ(unit, "cent");
    EXPECT_FLOAT_EQ(envelope.getDisplayValue(0, EnvAHD_c::kHoldTime), 2.0f);
    EXPECT_FLOAT_EQ(colour.getDisplayValue(0, ColorNoise_c::kColor), 4.0f);
    EXPECT_FLOAT_EQ(globals.getDisplayValue(0, ZendrixGlo_c::kExactness), 1.0f);
    EXPECT_FLOAT_EQ(zen.getGain(0, ZenOsc_c::kDrive), 1.0f);
    zen.setValue(0, ZenOsc_c::kDrive, -121);
    EXPECT_EQ(zen.getGain(0, ZenOsc_c::kDrive), 0.0f); // minus infinity
    EXPECT_TRUE(envelope.getRowParameters(0, EnvAHD_c::kDecayTime)->isAtInfinity());
    EXPECT_FALSE(pitch.getRowParameters(0, EnvAHDP_c::kDecayTime)->isAtInfinity());
    EXPECT_EQ(shown(wave, WaveROM_c::kWave1), " Sine ");
}

TEST(SoundModules, WaveSelectorsFollowTheWaveformAndClampStoredValues) {
    ParaSet_c* shared = nullptr;
    WaveROM_c a, b, c;
    for (WaveROM_c* w : {&a, &b, &c})
        w->defineParameters(shared, 1);
    EXPECT_EQ(a.getTable(0), nullptr); // nothing until the row is selected

    // "Waveform" 2 as the plug-in applies it: each selector's "Wave 1", then a row notice.
    const dsp::WaveSelection choice = dsp::wavesForWaveform(2);
    const int waves[3] = {choice.a, choice.b, choice.c};
    const char* names[3] = {"Sawtoo", "HilSin", "Square"};
    WaveROM_c* selectors[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        selectors[i]->set()->setValue(0, WaveROM_c::kWave1, waves[i]);
        selectors[i]->parameterChanged(0, -1);
        EXPECT_EQ(shown(*selectors[i], WaveROM_c::kWave1), names[i]);
        EXPECT_EQ(selectors[i]->getTable(0), dsp::waveBank() + waves[i] * dsp::kWaveLength);
    }
    // The selectors share one bank; a second selector does not rebuild it.
    const float saw1 = a.getTable(0)[1];
    WaveROM_c later;
    EXPECT_EQ(dsp::waveBank()[dsp::kWaveSaw * dsp::kWaveLength + 1], saw1);

    // A stored value out of range (from a chunk) selects the nearest table.
    a.set()->cell(0, WaveROM_c::kWave1)->setFromValue(99);
    a.parameterChanged(0, WaveROM_c::kWave1);
    EXPECT_EQ(a.getTable(0), dsp::waveBank() + 11 * dsp::kWaveLength);
    a.set()->cell(0, WaveROM_c::kWave1)->setFromValue(-5);
    a.parameterChanged(0, WaveROM_c::kWave1);
    EXPECT_EQ(a.getTable(0), dsp::waveBank());
}

namespace {

// An envelope module driven the way the voice drives it, recording the
// level of every control step and the step at which each stage began.
template <class Envelope>
struct EnvelopeRun {
    dsp::EnvelopeOutputs out[1];
    Envelope env;
    ParaSet_c* shared = nullptr;
    std::vector<float> levels;
    int stageStart[4] = {-1, -1, -1, -1};

    explicit EnvelopeRun(float rate) {
        env.defineParameters(shared, 1);
        env.setSampleRate(rate);
        env.bindOutputs(&out[0]);
    }
    void noteOn(int key, int velocity, bool reused = false) {
        env.noteOn(0, Note_c(key, velocity), reused, false);
        stageStart[env.kernel().stage()] = static_cast<int>(levels.size());
    }
    void run(int steps) {
        dsp::runControlSteps(out, steps, [&](int) { levels.push_back(out[0].level); },
                             [&](int) {
                                 const int before = env.kernel().stage();
                                 env.nextStage();
                                 const int now = env.kernel().stage();
                                 if (now != before && now < 4) stageStart[now] = static_cast<int>(levels.size());
                             });
    }
};

} // namespace

TEST(SoundModules, EnvelopeTimingFromTheParameters) {
    // 48 kHz: 6000 control steps a second. "A Time" 0.100 s, no hold, "D Time" 1.000 s.
    EnvelopeRun<EnvAHD_c> r(48000.0f);
    r.env.setValue(0, EnvAHD_c::kAttackTime, 100);
    r.env.setValue(0, EnvAHD_c::kHoldTime, 0);
    r.env.setValue(0, EnvAHD_c::kDecayTime, 1000);
    r.noteOn(60, 100);
    r.run(8000);
    EXPECT_EQ(r.stageStart[dsp::kStageHold], 600);
    const int decay = r.stageStart[dsp::kStageDecay];
    ASSERT_GT(decay, 600);
    EXPECT_EQ(r.stageStart[dsp::kStageEnded] - decay, 6000);
    EXPECT_TRUE(r.env.ended());
    // Log decay: (1 - u)^3.003 at a quarter, half and three quarters of the decay.
    EXPECT_NEAR(r.levels[decay + 1500], 0.4215, 0.005);
    EXPECT_NEAR(r.levels[decay + 3000], 0.1247, 0.005);
    EXPECT_NEAR(r.levels[decay + 4500], 0.0156, 0.005);

    // "Pitch Scal" 70 % one octave above the reference key: times × 2^(-0.7).
    EnvelopeRun<EnvAHD_c> high(48000.0f);
    high.env.setValue(0, EnvAHD_c::kAttackTime, 100);
    high.env.setValue(0, EnvAHD_c::kPitchScale, 70);
    high.noteOn(72, 100);
    high.run(1000);
    EXPECT_EQ(high.stageStart[dsp::kStageHold], static_cast<int>(6000 * 0.1 * std::exp2(-0.7)));

    // "D Time" at its maximum shows "oo": the decay has no end of its own.
    EnvelopeRun<EnvAHD_c> endless(48000.0f);
    endless.env.setValue(0, EnvAHD_c::kHoldTime, 0);
    endless.env.setValue(0, EnvAHD_c::kLogDecay, 0);
    endless.noteOn(60, 100);
    endless.run(10);
    EXPECT_EQ(endless.env.kernel().stage(), dsp::kStageDecay);
    EXPECT_EQ(endless.out[0].counter, dsp::kNoEnd - 8);

    // The pitch envelope: a fresh voice jumps from +48 semitones to "Depth" / 48
    // when "A Time" is 0, and moves to 0 over "D Time".
    EnvelopeRun<EnvAHDP_c> p(48000.0f);
    p.env.setValue(0, EnvAHDP_c::kDepth, 12);
    p.env.setValue(0, EnvAHDP_c::kHoldTime, 100);
    p.env.setValue(0, EnvAHDP_c::kDecayTime, 200);
    p.noteOn(60, 100);
    p.run(2000);
    EXPECT_FLOAT_EQ(p.levels[0], 0.25f);
    EXPECT_EQ(p.stageStart[dsp::kStageDecay], 600);
    EXPECT_EQ(p.stageStart[dsp::kStageEnded], 600 + 1200);
    EXPECT_TRUE(p.env.ended());
}

namespace {

// A source that records which render variant ran for which copy at which pitch.
class ProbeGenerator : public Generator_c {
public:
    ProbeGenerator() : Generator_c(true) {}
    struct Call {
        int variant, copy;
        float pitch;
    };
    std::vector<Call> calls;

protected:
    bool renderFirst(int, int copy) override { return record(1, copy); }
    bool renderSecond(int, int copy) override { return record(2, copy); }
    bool renderThird(int, int copy) override { return record(3, copy); }

private:
    bool record(int variant, int copy) {
        calls.push_back({variant, copy, pitchFactor()});
        return copy == 1;
    }
};

} // namespace

TEST(SoundModules, GeneratorCopiesModesAndGatesAndModulatorKill) {
    ProbeGenerator g;
    EXPECT_FALSE(g.render(64)); // one copy at pitch 1 through the first variant
    ASSERT_EQ(g.calls.size(), 1u);
    EXPECT_EQ(g.calls[0].variant, 1);
    EXPECT_EQ(g.calls[0].pitch, 1.0f);

    // Detuned: five copies at their pitch factors; copy 1's result is the answer.
    g.calls.clear();
    g.setDetuneSpread(10.0f);
    g.setOutputMode(1); // the third variant
    EXPECT_TRUE(g.render(64));
    const float factors[5] = {1.0f, 1.0f + 0.0011f * 10.0f, 1.0f - 0.00117f * 10.0f, 1.0f - 0.00056f * 10.0f,
                              1.0f + 0.0006f * 10.0f};
    ASSERT_EQ(g.calls.size(), 5u);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(g.calls[c].copy, c);
        EXPECT_EQ(g.calls[c].variant, 3);
        EXPECT_FLOAT_EQ(g.calls[c].pitch, factors[c]);
    }
    EXPECT_EQ(g.pitchFactor(), 1.0f);
    g.calls.clear();
    g.setCopyCount(3);
    g.setOutputMode(2);
    g.setOutputMode(7); // ignored
    g.render(64);
    ASSERT_EQ(g.calls.size(), 3u);
    EXPECT_EQ(g.calls[2].variant, 2);

    // Gates: ((n - 1) / 8) + 1 bytes of the rendered copy are cleared.
    uint8_t gate0[8], gate1[8];
    std::memset(gate0, 1, sizeof gate0);
    std::memset(gate1, 1, sizeof gate1);
    uint8_t* gates[Generator_c::kMaxCopies] = {gate0, gate1, nullptr, nullptr, nullptr};
    ProbeGenerator gated;
    gated.setGateArray(gates);
    gated.setClearGates(true);
    gated.render(17); // 3 bytes of copy 0
    EXPECT_EQ(gate0[2], 0);
    EXPECT_EQ(gate0[3], 1);
    EXPECT_EQ(gate1[0], 1);

    // A killed modulator fades to 0 in 5 ms of control steps: 28 at 44.1 kHz.
    dsp::EnvelopeOutputs out;
    Modulator_c m;
    m.setSampleRate(44100.0f);
    EXPECT_FLOAT_EQ(m.controlRate(), 5512.5f);
    ASSERT_TRUE(m.bindOutputs(&out));
    EXPECT_FALSE(m.bindOutputs(nullptr));
    out.level = 0.5f;
    m.kill();
    EXPECT_EQ(out.counter, 28);
    EXPECT_FLOAT_EQ(out.slope * 28.0f, -0.5f);

    // A generator without a tuning table plays 440 Hz whatever the key.
    EXPECT_EQ(g.getNoteFrequency(12.0f), 440.0f);
}
