#include "engine/dsp/AhdEnvelope.h"
#include "engine/dsp/AhdpEnvelope.h"
#include "engine/dsp/ToneCore.h"
#include "engine/dsp/VoiceMath.h"
#include "engine/dsp/WaveBank.h"
#include "support/EqualTuning.h"
#include "engine/dsp/NoteScaling.h"
#include "os/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A voice assembled from the kernels as the instrument assembles it.
struct Voice {
    dsp::ToneCore core;
    dsp::AhdEnvelope timbre, base, noiseEnv;
    dsp::AhdpEnvelope pitch;
    dsp::FmOscillator osc;
    dsp::ColouredNoise noise;
    dsp::AhdSettings timbreSet, baseSet, noiseSet;
    dsp::AhdpSettings pitchSet;
    dsp::FmNoteSettings oscSet;
    dsp::ToneLevels levels;
    float rate;

    explicit Voice(float sampleRate) : rate(sampleRate) {
        timbre.bindOutputs(&core.outputs(dsp::ToneCore::kTimbre));
        base.bindOutputs(&core.outputs(dsp::ToneCore::kBase));
        noiseEnv.bindOutputs(&core.outputs(dsp::ToneCore::kNoise));
        pitch.bindOutputs(&core.outputs(dsp::ToneCore::kPitch));
        for (dsp::AhdEnvelope* e : {&timbre, &base, &noiseEnv}) e->setSampleRate(rate);
        pitch.setSampleRate(rate);
        const dsp::WaveSelection w = dsp::wavesForWaveform(2);
        osc.setTables(dsp::waveTable(w.a), dsp::waveTable(w.b), dsp::waveTable(w.c));
        noise.seed(11);
        timbreSet.attack = 0.02f; timbreSet.hold = 0.0f; timbreSet.decay = 0.3f; timbreSet.logDecay = false;
        baseSet.attack = 0.01f; baseSet.hold = 0.05f; baseSet.decay = 0.4f;
        noiseSet.attack = 0.0f; noiseSet.hold = 0.0f; noiseSet.decay = 0.2f;
        pitchSet.attack = 0.03f; pitchSet.hold = 0.02f; pitchSet.decay = 0.1f; pitchSet.depth = 7.0f;
        oscSet.inverseRate = 1.0f / rate;
        oscSet.driveGain = 1.2f;
        oscSet.envDepth = 0.5f;
        oscSet.pitchOnModulator = true;
        oscSet.pitchOnCarrier = true;
        levels.timbreRandomness = 1.0f;
        levels.oscAmplitude = 0.6f;
        levels.noiseAmplitude = 0.3f;
    }
    void noteOn(int key, int velocity, bool reused) {
        const dsp::NoteFactors f{keyFactorOf(key, 60), velocityFactorOf(velocity)};
        core.noteOn();
        timbre.noteOn(timbreSet, f, reused, false);
        base.noteOn(baseSet, f, reused, false);
        noiseEnv.noteOn(noiseSet, f, reused, false);
        pitch.noteOn(pitchSet, f, reused, false);
        oscSet.modulatorFrequency = equalTuning().getFrequency(static_cast<float>(key + 12));
        oscSet.carrierFrequency = equalTuning().getFrequency(static_cast<float>(key));
        osc.noteOn(oscSet, reused);
        osc.setVelocityTimbre(1.3f);
        noise.noteOn(equalTuning().getFrequency(static_cast<float>(key + 24)), rate, 1.0f / rate, 4.0f, 1.0f,
                     reused);
    }
    // Renders and answers finished.
    bool render(float* out, int n, dsp::ToneControlArrays& arrays) {
        core.render(out, n, levels, osc, noise, arrays, [&](int slot) {
            switch (slot) {
            case dsp::ToneCore::kTimbre: timbre.nextStage(timbreSet); break;
            case dsp::ToneCore::kBase: base.nextStage(baseSet); break;
            case dsp::ToneCore::kNoise: noiseEnv.nextStage(noiseSet); break;
            default: pitch.nextStage(pitchSet); break;
            }
        });
        return core.finished(base.ended(), noiseEnv.ended());
    }
};

struct Arrays {
    std::vector<float> t, a, n, p;
    dsp::ToneControlArrays view;
    explicit Arrays(int capacity) : t(capacity), a(capacity), n(capacity), p(capacity) {
        view = {t.data(), a.data(), n.data(), p.data(), capacity};
    }
};

// Two notes on one voice (the second reuses it at sample 7777), rendered in
// slices of `block` that are also split at the note. Answers the output and
// the sample count after which the voice reported finished.
std::vector<float> play(int block, int& finishedAt) {
    Voice v(48000.0f);
    Arrays arrays(34);
    const int total = 48000;
    std::vector<float> out(total, 0.0f);
    finishedAt = -1;
    v.noteOn(60, 100, false);
    for (int pos = 0; pos < total && finishedAt < 0;) {
        int n = std::min(block, total - pos);
        if (pos < 7777 && pos + n > 7777) n = 7777 - pos;
        if (pos == 7777) v.noteOn(67, 80, true);
        if (v.render(out.data() + pos, n, arrays.view)) finishedAt = pos + n;
        pos += n;
    }
    return out;
}

} // namespace

TEST(EngineTone, OutputIndependentOfBlockSize) {
    int finishedRef = 0;
    const std::vector<float> reference = play(1, finishedRef);
    ASSERT_GT(finishedRef, 7777);
    ASSERT_LT(finishedRef, 48000);
    ASSERT_EQ((finishedRef - 7777) % 8, 0); // whole control steps after the second note
    double energy = 0.0;
    for (float x : reference) energy += x * x;
    ASSERT_GT(energy, 1.0);
    for (int block : {37, 64, 256, 1000}) {
        int finished = 0;
        const auto out = play(block, finished);
        ASSERT_EQ(out, reference) << "block " << block;
        // The voice is only freed once its last control step is complete,
        // and after it has finished everything left is silence.
        EXPECT_GE(finished, finishedRef) << block;
        for (int i = finishedRef; i < 48000; ++i) ASSERT_EQ(reference[i], 0.0f);
    }
}

TEST(EngineTone, EnvelopeSpeedDoesNotDependOnSliceLength) {
    // The base envelope's attack (0.01 s at 48 kHz: int(6000 × 0.01f) = 59
    // control steps) must take 472 samples whether the host sends 8, 32 or
    // 256 samples a call.
    const int expected = 8 * static_cast<int>(6000.0 * static_cast<double>(0.01f));
    for (int block : {8, 32, 256}) {
        Voice v(48000.0f);
        Arrays arrays(34);
        v.baseSet.logDecay = false;
        v.noteOn(60, 100, false);
        std::vector<float> out(4096, 0.0f);
        int rendered = 0;
        while (v.base.stage() == dsp::kStageAttack && rendered < 4096) {
            v.render(out.data() + rendered, block, arrays.view);
            rendered += block;
        }
        EXPECT_LT(rendered - block, expected) << block;
        EXPECT_GE(rendered, expected) << block;
    }
}

TEST(EngineTone, RandomNotesNeverProduceNonFiniteOutput) {
    os::Random15 random(2024);
    auto uniform = [&](float lo, float hi) { return lo + (hi - lo) * random.next() / 32767.0f; };
    Arrays arrays(34);
    std::vector<float> out(1024);
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        Voice v(rate);
        for (int note = 0; note < 5000; ++note) {
            v.timbreSet.attack = uniform(0.0f, 0.5f);
            v.timbreSet.decay = uniform(0.005f, 3.0f);
            v.baseSet.attack = uniform(0.0f, 0.1f);
            v.baseSet.hold = uniform(0.0f, 0.1f);
            v.baseSet.decay = uniform(0.005f, 4.0f);
            v.baseSet.holdMode = note % 5 == 0;
            v.baseSet.velocityScale = uniform(-100.0f, 100.0f);
            v.baseSet.pitchScale = uniform(-100.0f, 100.0f);
            v.noiseSet.decay = uniform(0.005f, 4.0f);
            v.pitchSet.depth = uniform(-48.0f, 48.0f);
            v.pitchSet.attack = uniform(0.0f, 1.25f);
            v.oscSet.spread = uniform(0.0f, 50.0f);
            v.oscSet.driveGain = uniform(0.0f, 7.94f);
            v.oscSet.envDepth = uniform(0.0f, 1.0f);
            v.oscSet.balance = uniform(0.0f, 1.0f);
            v.oscSet.pitchOnModulator = random.next() & 1;
            v.oscSet.pitchOnCarrier = random.next() & 1;
            v.levels.oscAmplitude = uniform(0.0f, 2.8f);
            v.levels.noiseAmplitude = uniform(0.0f, 2.0f);
            const int key = random.next() % 128, velocity = 1 + random.next() % 127;
            v.noteOn(key, velocity, note % 3 != 0);
            if (note % 7 == 0) v.base.noteOff(v.baseSet);
            if (note % 11 == 0) v.base.kill();
            std::fill(out.begin(), out.end(), 0.0f);
            const int n = 1 + random.next() % 1024;
            v.render(out.data(), n, arrays.view);
            for (int i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(out[i])) << rate << " " << note;
        }
    }
}
