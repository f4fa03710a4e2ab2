#pragma once
// The base of one sounding voice. The plug-in base owns one voice per
// voice-table slot; an instrument renders its voices through render(), and the
// note road starts one through noteOn(), which works out the velocity and key
// values every module of the voice reads and then hands the note to the
// voice's child modules (oscillators, noise, envelopes).
//
// Threads: noteOn, render, the offsets and kill run on the audio thread and
// neither allocate nor lock. bind and setSampleRate run on the opening thread
// (open, resume, a sample-rate change) while no block renders.
// Ownership: the plug-in, the globals part and the instrument are not owned.
#include "framework/model/NoteC_c.h"
#include "framework/voice/SoundingVoice.h"

#include <cstdint>

class Part_c;
class Synth;
class Instrument_c;

class Tone_c : public SoundingVoice {
public:
    static constexpr int kModSlots = 24;
    static constexpr int kModInputs = 24;
    static constexpr int kModInputPairs = 48;

    Tone_c();
    ~Tone_c() override = default;

    // The group's rate (with its inverse, passed to the children), then the
    // smoothing factor 1400 / rate clamped to 0.0025..0.25.
    void setSampleRate(float rate) override;

    // Refused (nothing stored, false) without a plug-in or globals part, or
    // when n is non-zero while a or b is missing.
    virtual bool bind(Synth* synth, Part_c* globalsPart, int32_t voiceIndex, void* a = nullptr,
                      void* b = nullptr, int32_t n = 0, int32_t x = 0);

    // Starts a note of the instrument at instrumentIndex: key and velocity
    // values, the instrument's pressure and note sign, then the children
    // hear the note (key and velocity clamped to 0..127). Nothing without a
    // plug-in.
    using SoundingVoice::noteOn;
    void noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) override;

    // Renders n samples; true when the voice has finished and its slot may be
    // freed. The base has nothing to sound and finishes at once.
    bool render(int32_t n) override;

    // Address of modulation slot i (0..23), else null.
    float* getModSlot(int32_t i);
    // Poly pressure (A) and channel pressure (B); each recomputes the sum.
    void setOffsetA(float x) override;
    void setOffsetB(float x) override;

    Synth* synth() const { return synth_; }
    Part_c* globalsPart() const { return globalsPart_; }
    int32_t voiceIndex() const { return voiceIndex_; }
    int32_t instrumentIndex() const { return instrumentIndex_; }
    Instrument_c* instrument() const { return instrument_; }
    const NoteC_c& note() const { return note_; }
    float keyPosition() const { return keyPosition_; }
    float keyCurve() const { return keyCurve_; }
    float velocityBlend() const { return velocityBlend_; }
    float linearVelocity() const { return linearVelocity_; }
    float offsetA() const { return offsetA_; }
    float offsetB() const { return offsetB_; }
    float offsetSum() const { return offsetSum_; }
    float noteStartOffset() const { return noteStartOffset_; }
    float noteSign() const { return noteSign_; }
    float bendUp() const { return bendUp_; }
    float bendDown() const { return bendDown_; }
    float smoothingFactor() const { return smoothingFactor_; }
    bool reused() const { return reused_; }
    bool legato() const { return legato_; }
    // Input i of the modulation inputs: a constant 1.0 until a module binds it.
    const float* modInput(int32_t i) const { return i >= 0 && i < kModInputs ? modInputs_[i] : nullptr; }

    // The key and velocity values of noteOn, as pure functions.
    static float keyPositionOf(int32_t key);
    static float keyCurveOf(float keyPosition);
    // curve: the normalised "VelCurve" of the global settings (0..1).
    static float velocityBlendOf(int32_t velocity, float curve);

private:
    Synth* synth_ = nullptr;
    Part_c* globalsPart_ = nullptr;
    int32_t voiceIndex_ = -1;
    int32_t instrumentIndex_ = -1;
    Instrument_c* instrument_ = nullptr;
    int32_t globalsRow_ = -1;
    NoteC_c note_;
    float keyPosition_ = 0.0f;
    float keyCurve_ = 0.0f;
    float velocityBlend_ = 0.0f;
    float linearVelocity_ = 0.0f;
    float offsetA_ = 0.0f;
    float offsetB_ = 0.0f;
    float offsetSum_ = 0.0f;
    float noteStartOffset_ = 0.0f;
    float noteSign_ = 0.0f;
    float bendUp_ = 0.0f;
    float bendDown_ = 0.0f;
    float smoothingFactor_ = 0.0025f;
    float modSlots_[kModSlots] = {};
    const float* modInputs_[kModInputs] = {};
    const float* modInputPairs_[kModInputPairs] = {};
    bool reused_ = false;
    bool legato_ = false;
};
