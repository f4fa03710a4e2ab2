#include "engine/modules/Tone_c.h"

#include <algorithm>
#include <cmath>

#include "framework/synth/Synth.h"
#include "framework/voice/Instrument_c.h"

namespace {
const float kUnity = 1.0f;
constexpr float kBendDownFollowsUp = -1e-7f;
constexpr float kBendSteps = 48.0f;
} // namespace

Tone_c::Tone_c() {
    for (auto& input : modInputs_) input = &kUnity;
    for (auto& input : modInputPairs_) input = &kUnity;
}

void Tone_c::setSampleRate(float rate) {
    PartGroup_c::setSampleRate(rate);
    const float factor = rate > 0.0f ? 1400.0f / rate : 0.25f;
    smoothingFactor_ = std::clamp(factor, 0.0025f, 0.25f);
}

bool Tone_c::bind(Synth* synth, Part_c* globalsPart, int32_t voiceIndex, void* a, void* b, int32_t n,
                  int32_t /*x*/) {
    if (!synth || !globalsPart) return false;
    if (n != 0 && (!a || !b)) return false;
    synth_ = synth;
    globalsPart_ = globalsPart;
    voiceIndex_ = voiceIndex;
    return true;
}

float Tone_c::keyPositionOf(int32_t key) {
    return static_cast<float>(key) / 127.0f * 2.0f - 1.0f;
}

float Tone_c::keyCurveOf(float keyPosition) {
    return std::clamp(keyPosition * std::fabs(keyPosition) * 2.0f, -1.0f, 1.0f);
}

float Tone_c::velocityBlendOf(int32_t velocity, float curve) {
    const float v = static_cast<float>(velocity) / 127.0f;
    const float e = std::exp(0.05f * static_cast<float>(velocity - 127));
    return ((1.0f - curve) * v + curve * e) * 2.0f - 1.0f;
}

void Tone_c::noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) {
    if (!synth_) return;
    instrumentIndex_ = instrumentIndex;
    instrument_ = synth_->getPart(instrumentIndex);
    note_ = note; // copied as it is: the clamp below is for the children only
    globalsRow_ = instrumentIndex;

    keyPosition_ = keyPositionOf(note.key);
    keyCurve_ = keyCurveOf(keyPosition_);
    velocityBlend_ = velocityBlendOf(note.velocity, synth_->velocityCurve());
    linearVelocity_ = static_cast<float>(note.velocity) / 127.0f * 2.0f - 1.0f;

    setOffsetB(instrument_ ? instrument_->appliedPressure() : 0.0f);
    setOffsetA(0.0f);
    noteStartOffset_ = offsetSum_;
    noteSign_ = instrument_ ? instrument_->noteSign() : 1.0f;
    reused_ = reused;
    legato_ = legato;

    Note_c childNote(note.key, note.velocity);
    childNote.clamp();
    PartGroup_c::noteOn(instrumentIndex, childNote, reused, legato);

    const float step = synth_->tuningStepSize();
    bendUp_ = synth_->pitchBendUpAmount(instrumentIndex) / kBendSteps * step;
    const float down = synth_->pitchBendDownAmount(instrumentIndex);
    bendDown_ = down < kBendDownFollowsUp ? bendUp_ : down / kBendSteps * step;
}

bool Tone_c::render(int32_t /*n*/) {
    return true;
}

float* Tone_c::getModSlot(int32_t i) {
    return i >= 0 && i < kModSlots ? &modSlots_[i] : nullptr;
}

void Tone_c::setOffsetA(float x) {
    offsetA_ = x;
    offsetSum_ = offsetA_ + offsetB_;
}

void Tone_c::setOffsetB(float x) {
    offsetB_ = x;
    offsetSum_ = offsetA_ + offsetB_;
}
