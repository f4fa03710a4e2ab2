#pragma once
// One voice of the instrument: owns its six modules (timbre, base and noise
// envelopes, pitch envelope, oscillator, noise), runs the four envelopes at
// the control rate into the shared control arrays, lets the oscillator and
// the noise add into the routed output bus, and reports when it has finished.
//
// Threads: bind on the opening thread; noteOn, render and kill on the audio
// thread, one voice after another under the instrument's render locks (the
// control arrays are shared scratch). Allocates nothing after construction.
// Ownership: owns its modules; the plug-in, globals, wave selectors, arrays
// and tune values are borrowed.
#include "engine/instrument/ColorNoise_c.h"
#include "engine/instrument/EnvAHDP_c.h"
#include "engine/instrument/EnvAHD_c.h"
#include "engine/instrument/ToneCore.h"
#include "engine/instrument/ZenOsc_c.h"
#include "engine/modules/Tone_c.h"
#include "os/Random.h"

class WaveROM_c;
class ZendrixGlo_c;

// What the plug-in lends every voice.
struct ZendrixVoiceResources {
    const WaveROM_c* waveA = nullptr; // the modulator's table
    const WaveROM_c* waveB = nullptr; // the carrier pair, mixed by "Balance"
    const WaveROM_c* waveC = nullptr;
    dsp::ToneControlArrays arrays;    // shared by all voices
    const float* tuneOffset = nullptr; // log2("Glo Tune" / 4400) / 4; null means 0
    const float* tuneRatio = nullptr;  // "Glo Tune" / 4400; null means 1
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
};
