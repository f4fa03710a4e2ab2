#include "engine/instrument/ZendrixTone_c.h"

#include "engine/dsp/VoiceMath.h"
#include "engine/instrument/ZendrixGlo_c.h"
#include "framework/synth/Synth.h"
#include "framework/voice/InBuffer2.h"

ZendrixTone_c::ZendrixTone_c() {
    setChild(kTimbreEnvelope, &timbreEnv_);
    setChild(kBaseEnvelope, &baseEnv_);
    setChild(kNoiseEnvelope, &noiseEnv_);
    setChild(kPitchEnvelope, &pitchEnv_);
    setChild(kOscillator, &osc_);
    setChild(kNoise, &noise_);
    timbreEnv_.bindOutputs(&core_.outputs(dsp::ToneCore::kTimbre));
    baseEnv_.bindOutputs(&core_.outputs(dsp::ToneCore::kBase));
    noiseEnv_.bindOutputs(&core_.outputs(dsp::ToneCore::kNoise));
    pitchEnv_.bindOutputs(&core_.outputs(dsp::ToneCore::kPitch));
}

bool ZendrixTone_c::bind(Synth* synth, ZendrixGlo_c* globals, int32_t voiceIndex,
                         const ZendrixVoiceResources& shared) {
    if (!Tone_c::bind(synth, globals, voiceIndex))
        return false;
    globals_ = globals;
    shared_ = shared;
    const dsp::ToneControlArrays& a = shared.arrays;
    osc_.setSources(shared.waveA, shared.waveB, shared.waveC, a.timbre, a.oscAmplitude, a.pitch);
    osc_.setTuneRatioSource(shared.tuneRatio);
    noise_.setAmplitudeSource(a.noiseAmplitude);
    os::Random15& seeds = synth->random();
    random_.seed(static_cast<uint32_t>(seeds.next()) << 15 | static_cast<uint32_t>(seeds.next()));
    noise_.seed(static_cast<uint32_t>(seeds.next()) << 15 | static_cast<uint32_t>(seeds.next()));
    return true;
}

bool ZendrixTone_c::canSound() const {
    const dsp::ToneControlArrays& a = shared_.arrays;
    return a.capacity >= 1 && a.timbre && a.oscAmplitude && a.noiseAmplitude && a.pitch;
}

bool ZendrixTone_c::hasGlobalsRow() const {
    return globals_ && globals_->set() && globals_->set()->isRowValid(instrumentIndex());
}

void ZendrixTone_c::noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) {
    if (!synth())
        return;
    // Voice and generators begin a control step together, whatever the
    // modules do with the note.
    killed_ = false;
    if (shared_.noteSeeds) {
        const uint32_t high = static_cast<uint32_t>(shared_.noteSeeds->next());
        noise_.seed(high << 15 | static_cast<uint32_t>(shared_.noteSeeds->next()));
    }
    core_.noteOn();
    osc_.kernel().restartStep();
    noise_.kernel().restartStep();
    Tone_c::noteOn(instrumentIndex, note, reused, legato);
    if (!hasGlobalsRow())
        return;
    const float v = osc_.getNormalized(instrumentIndex, ZenOsc_c::kVelTimbre);
    osc_.setVelocityTimbre(dsp::velocityTimbre(v, velocityBlend()));
    const float exactness = globals_->getDisplayValue(instrumentIndex, ZendrixGlo_c::kExactness);
    const bool exactnessOn = globals_->getBool(instrumentIndex, ZendrixGlo_c::kExactnessOn);
    const dsp::NoteRandomness r = dsp::drawNoteRandomness(random_, exactness, exactnessOn);
    levelRandomness_ = r.level;
    timbreRandomness_ = r.timbre;
}

void ZendrixTone_c::nextStage(int slot) {
    switch (slot) {
    case dsp::ToneCore::kTimbre: timbreEnv_.nextStage(); break;
    case dsp::ToneCore::kBase: baseEnv_.nextStage(); break;
    case dsp::ToneCore::kNoise: noiseEnv_.nextStage(); break;
    default: pitchEnv_.nextStage(); break;
    }
}

dsp::ToneLevels ZendrixTone_c::levels() const {
    const int row = instrumentIndex();
    const dsp::SourceMix mix = dsp::sourceMix(globals_->getDisplayValue(row, ZendrixGlo_c::kOscBalance));
    const float e = dsp::noteLevel(velocityBlend(), globals_->getGain(row, ZendrixGlo_c::kMainVolume),
                                   levelRandomness_);
    dsp::ToneLevels levels;
    levels.timbreRandomness = timbreRandomness_;
    levels.oscAmplitude = mix.oscillator * e;
    levels.noiseAmplitude = e * mix.noise * 0.7f;
    levels.tuneOffset = shared_.tuneOffset ? shared_.tuneOffset->load(std::memory_order_relaxed) : 0.0f;
    return levels;
}

void ZendrixTone_c::kill() {
    if (!killed_ && hasGlobalsRow()) {
        killedLevels_ = levels();
        killed_ = true;
    }
    Tone_c::kill();
}

bool ZendrixTone_c::render(int32_t n) {
    if (n <= 0)
        return core_.finished(baseEnv_.ended(), noiseEnv_.ended());
    InBuffer2_c* bus = osc_.outputBus();
    float* out = nullptr;
    if (!hasGlobalsRow() || !canSound() || !bus || !bus->getMonoWritePointer(&out, false, n))
        return true;
    core_.render(out, n, soundingLevels(), osc_.kernel(), noise_.kernel(), shared_.arrays,
                 [this](int slot) { nextStage(slot); });
    bus->spreadMono();
    bus->copyLeftToRight(n);
    return core_.finished(baseEnv_.ended(), noiseEnv_.ended());
}

bool ZendrixTone_c::slicesInto(const InBuffer2_c* bus, int32_t n) const {
    return n > 0 && bus && osc_.outputBus() == bus && core_.fits(n, shared_.arrays);
}

void ZendrixTone_c::beginSlice(int32_t n) {
    core_.writeControlSteps(n, soundingLevels(), shared_.arrays, [this](int slot) { nextStage(slot); });
}

dsp::ToneLaneVoice ZendrixTone_c::laneVoice(float* oscOut, float* noiseOut) {
    const dsp::ToneControlArrays& a = shared_.arrays;
    dsp::ToneLaneVoice v;
    v.osc = &osc_.kernel();
    v.noise = &noise_.kernel();
    v.timbre = a.timbre;
    v.oscAmplitude = a.oscAmplitude;
    v.noiseAmplitude = a.noiseAmplitude;
    v.pitch = a.pitch;
    v.oscOut = oscOut;
    v.noiseOut = noiseOut;
    return v;
}

bool ZendrixTone_c::endSlice(int32_t n) {
    core_.advance(n);
    return core_.finished(baseEnv_.ended(), noiseEnv_.ended());
}
