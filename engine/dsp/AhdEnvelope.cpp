#include "engine/dsp/AhdEnvelope.h"

#include "engine/dsp/SafeDivision.h"

namespace dsp {

void AhdEnvelope::noteOn(const AhdSettings& s, const NoteFactors& note, bool reused, bool legato) {
    if (!legato) segments_.clear();
    if (!out_) return;
    takeScalings(s.pitchScale, s.velocityScale, note);
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
    const float seconds = stageSeconds(stage, s.attack, s.hold, s.decay, s.velocityAttack);
    const bool endless = stage >= kStageDecay && s.decayEndless;
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
    if (!out_ || holdStillWhenEnded()) return;
    if (!s.holdMode || killed_) return;
    enterStage(s, kStageDecay);
}

void AhdEnvelope::finish() {
    if (!out_) return;
    finishOutputs();
    segments_.clear();
}

} // namespace dsp
