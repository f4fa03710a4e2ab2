// A voice of the instrument assembled from its module classes, with its
// parameters set in the sets as the plug-in holds them: note on, render into
// the bus "OutBuf", measure.
#include "engine/dsp/WaveBank.h"
#include "engine/instrument/WaveROM_c.h"
#include "engine/dsp/VoiceMath.h"
#include "engine/instrument/ZendrixGlo_c.h"
#include "engine/instrument/ZendrixTone_c.h"
#include "engine/dsp/Pow2Poly.h"
#include "framework/synth/Synth.h"
#include "framework/voice/AudioTables.h"
#include "framework/voice/InBuffer2.h"
#include "os/Random.h"
#include "support/EqualTuning.h"
#include "support/SignalMeasure.h"

#include <atomic>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

class Plugin : public Synth {
public:
    Plugin() : Synth(nullptr, SynthConfig{}) {}
    void rebindOutputs(float**) override {}
};

constexpr int kSlice = 256; // the longest slice an instrument renders
constexpr int kArrayValues = 34;

// One voice, its plug-in, the globals, the three wave selectors, the shared
// control arrays and the output bus over a stereo output of `frames`.
struct Rig {
    Plugin plugin;
    ParaSet_c* sets[10] = {}; // each created and owned by its first part
    WaveROM_c waves[3];
    ZendrixGlo_c globals;
    std::vector<float> arrays[4];
    std::atomic<float> tuneOffset{0.0f};
    std::atomic<float> tuneRatio{1.0f};
    InBuffer2_c bus;
    std::vector<float> left, right;
    ZendrixTone_c voice;
    int written = 0;

    Rig(float rate, int frames, int waveform = 1, uint32_t seed = 7) : left(frames), right(frames) {
        int s = 0;
        globals.defineParameters(sets[s++], 1);
        const dsp::WaveSelection w = dsp::wavesForWaveform(waveform);
        const int tables[3] = {w.a, w.b, w.c};
        for (int i = 0; i < 3; ++i) {
            waves[i].defineParameters(sets[s++], 1);
            waves[i].setValue(0, WaveROM_c::kWave1, tables[i]);
        }
        voice.timbreEnvelope().defineParameters(sets[s++], 1);
        voice.baseEnvelope().defineParameters(sets[s++], 1);
        voice.noiseEnvelope().defineParameters(sets[s++], 1);
        voice.pitchEnvelope().defineParameters(sets[s++], 1);
        voice.oscillator().defineParameters(sets[s++], 1);
        voice.noise().defineParameters(sets[s], 1);
        for (auto& a : arrays) a.assign(kArrayValues, 0.0f);
        ZendrixVoiceResources shared;
        shared.waveA = &waves[0];
        shared.waveB = &waves[1];
        shared.waveC = &waves[2];
        shared.arrays = {arrays[0].data(), arrays[1].data(), arrays[2].data(), arrays[3].data(), kArrayValues};
        shared.tuneOffset = &tuneOffset;
        shared.tuneRatio = &tuneRatio;
        plugin.random().seed(seed);
        EXPECT_TRUE(voice.bind(&plugin, &globals, 0, shared));
        voice.setSampleRate(rate);
        bus.openHostBound("OutBuf", kSlice, 2, audiotables::tinyValues());
        float* channels[2] = {left.data(), right.data()};
        bus.setChannelPointers(channels);
        audiotables::copyTemplate(left.data(), frames, audiotables::tinyValues());
        audiotables::copyTemplate(right.data(), frames, audiotables::tinyValues());
        voice.oscillator().bindOutput(&bus, 0);
        voice.noise().bindOutput(&bus, 0);
        NoteFreqTable_c* tuning = const_cast<NoteFreqTable_c*>(&equalTuning()); // only read
        voice.oscillator().attach(nullptr, tuning);
        voice.noise().attach(nullptr, tuning);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // The pure tone: "Balance" 1.00 (table B alone), "Drive" minus infinity,
    // "EnvDepth" 0 (index 0), "Osc Bal" 0 (no noise), exactness 1.00.
    void pureTone() {
        ZenOsc_c& osc = voice.oscillator();
        osc.setValue(0, ZenOsc_c::kBalance, 100);
        osc.setValue(0, ZenOsc_c::kDrive, -121);
        osc.setValue(0, ZenOsc_c::kEnvDepth, 0);
        globals.setValue(0, ZendrixGlo_c::kOscBalance, 0);
    }
    void noteOn(int key, int velocity, bool reused = false) {
        voice.noteOn(0, NoteC_c(key, velocity, 0), reused, false);
    }
    // Renders n samples in slices of at most `block` (and at most 256, as
    // the instrument does); answers true once the voice reports finished.
    bool render(int n, int block = kSlice) {
        bool finished = false;
        while (n > 0) {
            const int m = std::min({n, block, kSlice});
            finished = voice.render(m);
            bus.advance(m);
            written += m;
            n -= m;
        }
        return finished;
    }
    // Back to the start of the output (the host's next block).
    void restart() {
        written = 0;
        bus.rewind();
        audiotables::copyTemplate(left.data(), static_cast<int32_t>(left.size()), audiotables::tinyValues());
    }
    std::vector<float> tail(int from) const { return std::vector<float>(left.begin() + from, left.begin() + written); }
};

double peak(const std::vector<float>& x) {
    double p = 0.0;
    for (float v : x) p = std::max(p, std::fabs(static_cast<double>(v)));
    return p;
}

} // namespace

TEST(SoundVoice, PureSineAtKey69AndTuningPaths) {
    const float rate = 48000.0f;
    auto measureTone = [&](auto&& setUp) {
        Rig rig(rate, 48000);
        rig.pureTone();
        setUp(rig);
        rig.noteOn(69, 127);
        rig.render(48000);
        EXPECT_TRUE(std::equal(rig.left.begin(), rig.left.end(), rig.right.begin())); // copied to the right
        return rig.tail(480);
    };
    const std::vector<float> sine = measureTone([](Rig&) {});
    EXPECT_NEAR(measure::frequency(sine, rate), 440.0, 0.005);
    EXPECT_NEAR(peak(sine), 1.0, 1e-4);

    // Global tune 415.3 Hz: the carrier follows the tune ratio while "PitBas"
    // is off, and the pitch polynomial of the tune offset while it is on.
    auto tuned = [](float tenths) {
        return [tenths](Rig& rig) {
            rig.tuneRatio = tenths / 4400.0f;
            rig.tuneOffset = dsp::tuneOffset(tenths);
        };
    };
    EXPECT_NEAR(measure::frequency(measureTone(tuned(4153.0f)), rate), 415.300, 0.005);
    const std::vector<float> polynomial = measureTone([&](Rig& rig) {
        tuned(4153.0f)(rig);
        rig.voice.oscillator().setValue(0, ZenOsc_c::kPitchBase, 1);
    });
    EXPECT_NEAR(measure::frequency(polynomial, rate), 440.0 * dsp::pow2Poly(dsp::tuneOffset(4153.0f)), 0.005);
    EXPECT_NEAR(measure::frequency(polynomial, rate), 415.233, 0.005);

    // "Depth" +12 semitones of the pitch envelope on the carrier: P(12 / 48).
    const std::vector<float> fifth = measureTone([](Rig& rig) {
        rig.voice.oscillator().setValue(0, ZenOsc_c::kPitchBase, 1);
        rig.voice.pitchEnvelope().setValue(0, EnvAHDP_c::kDepth, 12);
    });
    EXPECT_NEAR(measure::frequency(fifth, rate), 882.786, 0.005);

    // "BasRng" -2 octaves.
    const std::vector<float> low =
        measureTone([](Rig& rig) { rig.voice.oscillator().setValue(0, ZenOsc_c::kBaseRange, -2); });
    EXPECT_NEAR(measure::frequency(low, rate), 110.0, 0.005);
}

TEST(SoundVoice, FinishesWhenBaseAndNoiseEnvelopesEndThenAddsExactlyNothing) {
    Rig rig(48000.0f, 16000);
    for (EnvAHD_c* e : {&rig.voice.baseEnvelope(), &rig.voice.noiseEnvelope()}) {
        e->setValue(0, EnvAHD_c::kHoldTime, 0);
        e->setValue(0, EnvAHD_c::kDecayTime, 100); // 600 control steps
    }
    rig.noteOn(60, 100);
    // Attack (one step), hold (one step), decay (600 steps): 602 steps of 8 samples.
    int finishedAt = -1;
    for (int pos = 0; pos < 8000 && finishedAt < 0; pos += 8)
        if (rig.render(8)) finishedAt = pos + 8;
    EXPECT_EQ(finishedAt, 602 * 8);
    EXPECT_GT(peak(rig.tail(0)), 0.1);
    // A finished voice that went on rendering would add exact zeros: the
    // output stays the silence template bit for bit.
    const int from = rig.written;
    rig.render(2000);
    for (int i = from; i < rig.written; ++i)
        ASSERT_EQ(rig.left[i], audiotables::tinyValues()[i % audiotables::kTableSize]) << i;

    // A voice whose note names an instrument without a globals row is finished at once.
    Rig orphan(48000.0f, 512);
    orphan.voice.noteOn(3, NoteC_c(60, 100, 0), false, false);
    EXPECT_TRUE(orphan.render(256));
    EXPECT_EQ(peak(orphan.tail(0)), 1e-7f);
}

TEST(SoundVoice, ExactnessRandomisesEachNoteWithinItsRange) {
    auto renderNote = [](Rig& rig) {
        rig.restart();
        rig.noteOn(69, 127);
        rig.render(4096);
        return rig.tail(0);
    };
    Rig rig(48000.0f, 4096);
    rig.pureTone();
    rig.globals.setValue(0, ZendrixGlo_c::kExactness, 99);
    float lowest = 1.0f, highest = 0.0f;
    for (int note = 0; note < 200; ++note) {
        const std::vector<float> out = renderNote(rig);
        const float level = rig.voice.levelRandomness();
        ASSERT_GE(level, 0.945f);
        ASSERT_LE(level, 1.0f);
        ASSERT_GE(rig.voice.timbreRandomness(), 0.75f);
        ASSERT_LE(rig.voice.timbreRandomness(), 1.0f);
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
        if (note % 50 == 0) { // the note's level is scaled by it
            EXPECT_NEAR(peak(out), level, 1e-4);
        }
    }
    EXPECT_LT(lowest, 0.96f); // the range is used, not a constant
    EXPECT_GT(highest, 0.985f);

    // Exactness off: two notes are bit-identical.
    rig.globals.setValue(0, ZendrixGlo_c::kExactnessOn, 0);
    const std::vector<float> first = renderNote(rig);
    const std::vector<float> second = renderNote(rig);
    EXPECT_EQ(rig.voice.levelRandomness(), 1.0f);
    EXPECT_EQ(first, second);
}

namespace {

// Two notes (the second reuses the voice at sample 7777) with every module
// active, rendered in slices of `block` that are also split at the note.
std::vector<float> playTwoNotes(int block) {
    const int total = 24000;
    Rig rig(48000.0f, total, 2, 99);
    rig.voice.oscillator().setValue(0, ZenOsc_c::kEnvDepth, 60);
    rig.voice.oscillator().setValue(0, ZenOsc_c::kPitchTimbre, 1);
    rig.voice.oscillator().setValue(0, ZenOsc_c::kPitchBase, 1);
    rig.voice.oscillator().setValue(0, ZenOsc_c::kSpread, 700);
    rig.voice.timbreEnvelope().setValue(0, EnvAHD_c::kAttackTime, 20);
    rig.voice.timbreEnvelope().setValue(0, EnvAHD_c::kHoldTime, 0);
    rig.voice.timbreEnvelope().setValue(0, EnvAHD_c::kDecayTime, 300);
    rig.voice.baseEnvelope().setValue(0, EnvAHD_c::kAttackTime, 10);
    rig.voice.baseEnvelope().setValue(0, EnvAHD_c::kHoldTime, 50);
    rig.voice.baseEnvelope().setValue(0, EnvAHD_c::kDecayTime, 400);
    rig.voice.noiseEnvelope().setValue(0, EnvAHD_c::kHoldTime, 0);
    rig.voice.noiseEnvelope().setValue(0, EnvAHD_c::kDecayTime, 200);
    rig.voice.pitchEnvelope().setValue(0, EnvAHDP_c::kAttackTime, 30);
    rig.voice.pitchEnvelope().setValue(0, EnvAHDP_c::kHoldTime, 20);
    rig.voice.pitchEnvelope().setValue(0, EnvAHDP_c::kDecayTime, 100);
    rig.voice.pitchEnvelope().setValue(0, EnvAHDP_c::kDepth, 7);
    rig.globals.setValue(0, ZendrixGlo_c::kExactness, 95);
    rig.noteOn(60, 100);
    while (rig.written < total) {
        int n = std::min(block, total - rig.written);
        if (rig.written < 7777 && rig.written + n > 7777) n = 7777 - rig.written;
        if (rig.written == 7777) rig.noteOn(67, 80, true);
        rig.render(n, block);
    }
    return rig.left;
}

} // namespace

TEST(SoundVoice, OutputDoesNotDependOnTheBlockSize) {
    const std::vector<float> reference = playTwoNotes(1);
    EXPECT_GT(peak(reference), 0.1);
    for (int block : {37, 64, 256, 1000})
        EXPECT_EQ(playTwoNotes(block), reference) << "block " << block;
}

TEST(SoundVoice, RandomParametersAndNotesStayFinite) {
    os::Random15 random(4242);
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        Rig rig(rate, kSlice * 4, static_cast<int>(rate) % 3, static_cast<uint32_t>(rate));
        Part_c* parts[] = {&rig.globals, &rig.voice.timbreEnvelope(), &rig.voice.baseEnvelope(),
                           &rig.voice.noiseEnvelope(), &rig.voice.pitchEnvelope(), &rig.voice.oscillator(),
                           &rig.voice.noise(), &rig.waves[0], &rig.waves[1], &rig.waves[2]};
        for (int note = 0; note < 5000; ++note) {
            if (note % 10 == 0) {
                for (Part_c* p : parts)
                    for (int c = 0; c < p->set()->columns(); ++c)
                        p->setNormalized(0, c, static_cast<float>(random.next()) / 32767.0f);
                rig.tuneOffset = (static_cast<float>(random.next()) / 32767.0f - 0.5f) * 0.5f;
                rig.tuneRatio = static_cast<float>(std::exp2(4.0 * rig.tuneOffset));
            }
            rig.noteOn(random.next() % 128, 1 + random.next() % 127, note % 3 != 0);
            if (note % 7 == 0) rig.voice.noteOff(0, Note_c(60, 0));
            if (note % 11 == 0) rig.voice.kill();
            rig.restart();
            rig.render(1 + random.next() % (kSlice * 4));
            for (int i = 0; i < rig.written; ++i)
                ASSERT_TRUE(std::isfinite(rig.left[i]) && std::isfinite(rig.right[i])) << rate << " " << note;
        }
    }
}
