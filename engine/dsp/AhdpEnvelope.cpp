#include "engine/dsp/AhdpEnvelope.h"

namespace dsp {

void AhdpEnvelope::noteOn(const AhdpSettings& s, const NoteFactors& note, bool reused, bool legato) {
    if (!out_) return;
    takeScalings(s.pitchScale, s.velocityScale, note);
    if (!reused) out_->level = 1.0f;
    if (legato) return;
    ended_ = false;
    killed_ = false;
    enterStage(s, kStageAttack);
}

void AhdpEnvelope::enterStage(const AhdpSettings& s, int stage) {
    if (!out_) return;
    // Zero-length stages are skipped iteratively; the ended stage always has steps.
    for (;;) {
        stage_ = stage;
        target_ = stage < kStageDecay ? s.depth / 48.0f : 0.0f;
        int32_t steps;
        if (stage >= kStageEnded) {
            steps = kNoEnd;
        } else {
            const float seconds = stageSeconds(stage, s.attack, s.hold, s.decay, s.velocityAttack);
            steps = controlRate_ > 0.0f ? controlSteps(controlRate_, seconds) : 0;
        }
        if (steps < 1) {
            out_->level = target_;
            ++stage;
            continue;
        }
        out_->slope = (target_ - out_->level) / static_cast<float>(steps);
        out_->counter = steps;
        return;
    }
}

void AhdpEnvelope::nextStage(const AhdpSettings& s) {
    if (!out_) return;
    if (killed_) {
        finish();
    } else if (stage_ == kStageHold && s.holdMode) {
        out_->slope = 0.0f;
        out_->counter = kNoEnd;
    } else if (stage_ < kStageDecay) {
        enterStage(s, stage_ + 1);
    } else {
        finish();
    }
}

void AhdpEnvelope::noteOff(const AhdpSettings& s) {
    if (!out_ || holdStillWhenEnded()) return;
    if (s.holdMode && !killed_) enterStage(s, kStageDecay);
}

void AhdpEnvelope::finish() {
    if (out_) finishOutputs();
}

} // namespace dsp
