// The instrument on the plug-in base: 24 voices of module classes sharing
// their sets, notes from the host's event list, blocks from the host; the
// voice frees its slot when its base and noise envelopes end.
#include "engine/dsp/WaveBank.h"
#include "engine/instrument/WaveROM_c.h"
#include "engine/instrument/ZendrixGlo_c.h"
#include "engine/instrument/ZendrixInst_c.h"
#include "engine/instrument/ZendrixTone_c.h"
#include "framework/settings/NoteFreqTable_c.h"
#include "framework/voice/AudioTables.h"
#include "framework/voice/InBuffer2.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kVoices = ZendrixInst_c::kVoices;

// The plug-in as far as the sound needs it: globals, wave selectors, the
// shared control arrays, the bus "OutBuf" over the host outputs, one
// instrument and 24 voices whose modules share one set per role.
class ZendrixRig : public Synth {
public:
    ZendrixRig() : Synth(nullptr, testsynth::testConfig()) {}
    ~ZendrixRig() override { close(); }

    void open() override {
        if (isOpened())
            return;
        Synth::open();
        if (!isOpened())
            return;
        globals.defineParameters(sets[0], 1);
        const dsp::WaveSelection w = dsp::wavesForWaveform(0);
        const int tables[3] = {w.a, w.b, w.c};
        for (int i = 0; i < 3; ++i) {
            waves[i].defineParameters(sets[1 + i], 1);
            waves[i].setValue(0, WaveROM_c::kWave1, tables[i]);
        }
        ZendrixVoiceResources shared;
        shared.waveA = &waves[0];
        shared.waveB = &waves[1];
        shared.waveC = &waves[2];
        shared.arrays = {arrays[0], arrays[1], arrays[2], arrays[3], kArrayValues};
        bus.openHostBound("OutBuf", 256, 2, audiotables::tinyValues());
        for (int i = 0; i < kVoices; ++i) {
            ZendrixTone_c& v = voices[i];
            Part_c* modules[6] = {&v.timbreEnvelope(), &v.baseEnvelope(), &v.noiseEnvelope(),
                                  &v.pitchEnvelope(), &v.oscillator(), &v.noise()};
            for (int m = 0; m < 6; ++m)
                modules[m]->defineParameters(sets[4 + m], 1);
            v.oscillator().bindOutput(&bus, 0);
            v.noise().bindOutput(&bus, 0);
            v.oscillator().attach(nullptr, &tuning);
            v.noise().attach(nullptr, &tuning);
            v.bind(this, &globals, i, shared);
            setVoice(i, &v);
        }
        instrument.setup(this, 0, &globals, &bus);
        setPart(0, &instrument);
    }
    void rebindOutputs(float** outputs) override { bus.setChannelPointers(outputs); }

    static constexpr int kArrayValues = 34;
    ParaSet_c* sets[10] = {};
    NoteFreqTable_c tuning; // 12-tone equal temperament
    ZendrixGlo_c globals;
    WaveROM_c waves[3];
    float arrays[4][kArrayValues] = {};
    InBuffer2_c bus;
    ZendrixTone_c voices[kVoices];
    ZendrixInst_c instrument;
};

} // namespace

TEST(SoundInstrument, VoiceSoundsThenFreesItsSlotAndLeavesSilence) {
    ZendrixRig rig;
    rig.setSampleRate(48000.0f);
    rig.resume();
    ASSERT_TRUE(rig.isOpened());
    ASSERT_EQ(rig.instrument.getOutputBus(0), &rig.bus);
    EXPECT_EQ(rig.instrument.getOutputBus(1), nullptr);
    // Short base and noise envelopes: one attack step, one hold step, 600 decay steps.
    for (EnvAHD_c* e : {&rig.voices[0].baseEnvelope(), &rig.voices[0].noiseEnvelope()}) {
        e->setValue(0, EnvAHD_c::kHoldTime, 0);
        e->setValue(0, EnvAHD_c::kDecayTime, 100);
    }

    testsynth::Events events;
    events.add(10, 0x90, 69, 127);
    rig.processEvents(events.list());
    const int block = 512;
    testsynth::Block out(block);
    rig.processReplacing(nullptr, out.pointers, block);
    EXPECT_EQ(rig.voiceTable().voicesInUse(), 1);
    double energy = 0.0;
    for (int i = 10; i < block; ++i)
        energy += out.left[i] * out.left[i];
    EXPECT_GT(energy, 1.0);
    EXPECT_EQ(out.left, out.right);

    // 602 control steps after the note at sample 10: the slot is free in the
    // block that holds sample 10 + 4816, and from then on the output is the
    // silence template exactly.
    int rendered = block;
    while (rig.voiceTable().voicesInUse() > 0 && rendered < 48000) {
        rig.processReplacing(nullptr, out.pointers, block);
        rendered += block;
    }
    EXPECT_EQ(rendered, (10 + 602 * 8 + block - 1) / block * block);
    rig.processReplacing(nullptr, out.pointers, block);
    for (int i = 0; i < block; ++i) {
        ASSERT_EQ(out.left[i], audiotables::tinyValues()[i % audiotables::kTableSize]) << i;
        ASSERT_EQ(out.right[i], out.left[i]) << i;
    }
}
