#pragma once
// One voice of the instrument: owns its six modules (timbre, base and noise
// envelopes, pitch envelope, oscillator, noise), runs the four envelopes at
// the control rate into its own control arrays, lets the oscillator and
// the noise add into the routed output bus, and reports when it has finished.
//
// Threads: bind on the opening thread; noteOn, render and kill on the audio
// thread under the instrument's render locks. Allocates nothing after
// construction.
// Ownership: owns its modules; the plug-in, globals, wave selectors, arrays
// and tune values are borrowed.
#include "engine/instrument/ColorNoise_c.h"
#include "engine/instrument/EnvAHDP_c.h"
#include "engine/instrument/EnvAHD_c.h"
#include "engine/dsp/ToneCore.h"
#include "engine/dsp/ToneLanes.h"
#include "engine/instrument/ZenOsc_c.h"
#include "engine/modules/Tone_c.h"
#include "os/Random.h"

#include <atomic>

class InBuffer2_c;
class WaveROM_c;
class ZendrixGlo_c;

// What the plug-in lends every voice.
struct ZendrixVoiceResources {
    const WaveROM_c* waveA = nullptr; // the modulator's table
    const WaveROM_c* waveB = nullptr; // the carrier pair, mixed by "Balance"
    const WaveROM_c* waveC = nullptr;
    dsp::ToneControlArrays arrays;    // this voice's own
    const std::atomic<float>* tuneOffset = nullptr; // log2("Glo Tune" / 4400) / 4; null means 0
    const std::atomic<float>* tuneRatio = nullptr;  // "Glo Tune" / 4400; null means 1
    // The instrument's stream of noise seeds, one draw per note on in the
    // order the notes start (audio thread), so the noise of a note does not
    // depend on which voice plays it or how the host sliced the blocks
    // before. Null: each voice's noise runs on from where it stopped.
    os::Random15* noteSeeds = nullptr;
};

class ZendrixTone_c : public Tone_c {
public:
    enum Child { kTimbreEnvelope = 0, kBaseEnvelope, kNoiseEnvelope, kPitchEnvelope, kOscillator, kNoise };

    ZendrixTone_c();

    using Tone_c::bind;
    // Tone_c::bind, then the sources and arrays of the modules; the voice's
    // random generators are seeded from the plug-in's.
    bool bind(Synth* synth, ZendrixGlo_c* globals, int32_t voiceIndex, const ZendrixVoiceResources& shared);

    using Tone_c::noteOn;
    void noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) override;
    // Finished once the base and noise envelopes have ended; a voice without
    // its globals row, control arrays or output bus is finished at once.
    bool render(int32_t n) override;
    // Fades out in 5 ms with the levels the note had when killed, whatever
    // a program loaded meanwhile sets (the kill may come from a host thread
    // while no block renders).
    void kill() override;

    // render(n) cut around its generators, for the instrument's voice lanes:
    // slicesInto answers whether the voice's generators write into `bus` and
    // n samples fit its arrays at once; sounds whether render would add
    // anything (otherwise it answers finished at once, silent). For a voice
    // that sounds: beginSlice runs the envelopes of n samples into the
    // voice's arrays; the caller renders the generators of laneVoice (their n
    // samples into oscOut and noiseOut) and adds them into the bus,
    // oscillator first; endSlice answers finished.
    bool slicesInto(const InBuffer2_c* bus, int32_t n) const;
    bool sounds() const { return hasGlobalsRow() && canSound(); }
    void beginSlice(int32_t n);
    dsp::ToneLaneVoice laneVoice(float* oscOut, float* noiseOut);
    bool endSlice(int32_t n);

    EnvAHD_c& timbreEnvelope() { return timbreEnv_; }
    EnvAHD_c& baseEnvelope() { return baseEnv_; }
    EnvAHD_c& noiseEnvelope() { return noiseEnv_; }
    EnvAHDP_c& pitchEnvelope() { return pitchEnv_; }
    ZenOsc_c& oscillator() { return osc_; }
    ColorNoise_c& noise() { return noise_; }
    float levelRandomness() const { return levelRandomness_; }
    float timbreRandomness() const { return timbreRandomness_; }

private:
    bool hasGlobalsRow() const;
    bool canSound() const;
    dsp::ToneLevels levels() const;
    dsp::ToneLevels soundingLevels() const { return killed_ ? killedLevels_ : levels(); }
    void nextStage(int slot);

    dsp::ToneCore core_;
    EnvAHD_c timbreEnv_, baseEnv_, noiseEnv_;
    EnvAHDP_c pitchEnv_;
    ZenOsc_c osc_;
    ColorNoise_c noise_;
    ZendrixGlo_c* globals_ = nullptr;
    ZendrixVoiceResources shared_;
    os::Random15 random_;
    float levelRandomness_ = 1.0f;
    float timbreRandomness_ = 1.0f;
    bool killed_ = false;
    dsp::ToneLevels killedLevels_;
};
