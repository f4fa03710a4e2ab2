#include "engine/dsp/EnvelopeStages.h"

#include "engine/dsp/EnvelopeSegments.h"
#include "engine/dsp/NoteScaling.h"

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

void EnvelopeStages::bindOutputs(EnvelopeOutputs* out) {
    if (!out) return;
    out_ = out;
    *out_ = EnvelopeOutputs{0.0f, 0.0f, kNoEnd};
}

void EnvelopeStages::takeScalings(float pitchScalePercent, float velocityScalePercent, const NoteFactors& note) {
    keyScale_ = envelopeKeyScale(pitchScalePercent, note.key);
    velocityScale_ = envelopeVelocityScale(velocityScalePercent, note.velocity);
}

float EnvelopeStages::stageSeconds(int stage, float attack, float hold, float decay, bool velocityAttack) {
    if (stage == kStageAttack) return attack * keyScale_ / velocityScale_;
    if (stage == kStageHold) {
        if (velocityAttack) velocityScale_ = 1.0f;
        return hold * keyScale_ * velocityScale_;
    }
    return decay * keyScale_ * velocityScale_;
}

bool EnvelopeStages::holdStillWhenEnded() {
    if (ended_) out_->counter = kNoEnd;
    return ended_;
}

void EnvelopeStages::finishOutputs() {
    stage_ = kStageEnded;
    out_->level = 0.0f;
    out_->slope = 0.0f;
    out_->counter = kNoEnd;
    ended_ = true;
}

void EnvelopeStages::kill() {
    if (!out_ || ended_) return;
    killed_ = true;
    killOutputs(*out_, controlRate_);
}

} // namespace dsp
