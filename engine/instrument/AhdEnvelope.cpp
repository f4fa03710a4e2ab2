#include "engine/instrument/AhdEnvelope.h"

#include "framework/model/NoteScaling.h"
#include "framework/model/SafeDivision.h"

namespace dsp {

float envelopeKeyScale(float pitchScalePercent, float keyFactor) {
    return scaleByKey(1.0f, keyFactor, -pitchScalePercent * 0.01f);
}

float envelopeVelocityScale(float velocityScalePercent, float velocityFactor) {
    float v = scaleByVelocity(1.0f, velocityFactor, velocityScalePercent * 0.01f);
    if (v < 1e-7f) v = 1e-7f;
    if (v > 1e6f) v = 1e6f;
    return v;
}

void AhdEnvelope::bindOutputs(EnvelopeOutputs* out) {
    if (!out) return;
    out_ = out;
    *out_ = EnvelopeOutputs{0.0f, 0.0f, kNoEnd};
}

void AhdEnvelope::noteOn(const AhdSettings& s, const NoteFactors& note, bool reused, bool legato) {
    if (!legato) segments_.clear();
    if (!out_) return;
    keyScale_ = envelopeKeyScale(s.pitchScale, note.key);
    velocityScale_ = envelopeVelocityScale(s.velocityScale, note.velocity);
    if (!reused) out_->level = 0.0f;
    if (legato) return;
    ended_ = false;
    killed_ = false;
    enterStage(s, kStageAttack);
}

void AhdEnvelope::enterStage(const AhdSettings& s, int stage) {
    stage_ = stage;
    segments_.clear(); // a stage that builds no segments must not replay old ones
    target_ = stage < kStageDecay ? 1.0f : 0.0f;
    float seconds;
    bool endless = false;
    if (stage == kStageAttack) {
        seconds = s.attack * keyScale_ / velocityScale_;
    } else if (stage == kStageHold) {
        if (s.velocityAttack) velocityScale_ = 1.0f;
        seconds = s.hold * keyScale_ * velocityScale_;
    } else {
        seconds = s.decay * keyScale_ * velocityScale_;
        endless = s.decayEndless;
    }
    int32_t steps = 0;
    if (controlRate_ > 0.0f) steps = endless ? kNoEnd : controlSteps(controlRate_, seconds);
    if (steps < 1) steps = 1;
    float slope = safeDivide(target_ - out_->level, static_cast<float>(steps));
    if (s.logDecay) {
        static const float kCurves[3] = {0.5f, 1.0f, 0.333f};
        EnvelopeSegment first;
        if (segments_.build(controlRate_, out_->level, target_, steps, kCurves[stage], first)) {
            slope = first.increment;
            steps = first.length;
        }
    }
    out_->slope = slope;
    out_->counter = steps;
}

void AhdEnvelope::nextStage(const AhdSettings& s) {
    if (!out_) return;
    if (killed_ || stage_ >= kStageEnded) {
        finish();
        return;
    }
    EnvelopeSegment segment;
    if (s.logDecay && segments_.next(segment)) {
        out_->slope = segment.increment;
        out_->counter = segment.length;
    } else if (stage_ == kStageHold && s.holdMode) {
        out_->slope = 0.0f;
        out_->counter = kNoEnd;
    } else if (stage_ >= kStageDecay) {
        finish();
    } else {
        enterStage(s, stage_ + 1);
    }
}

void AhdEnvelope::noteOff(const AhdSettings& s) {
    if (!out_) return;
    if (ended_) {
        out_->counter = kNoEnd;
        return;
    }
    if (!s.holdMode || killed_) return;
    enterStage(s, kStageDecay);
}

void AhdEnvelope::finish() {
    if (!out_) return;
    stage_ = kStageEnded;
    out_->level = 0.0f;
    out_->slope = 0.0f;
    out_->counter = kNoEnd;
    ended_ = true;
    segments_.clear();
}

void AhdEnvelope::kill() {
    if (!out_ || ended_) return;
    killed_ = true;
    killOutputs(*out_, controlRate_);
}

} // namespace dsp
