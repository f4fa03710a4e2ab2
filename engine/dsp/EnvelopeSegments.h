#pragma once
// Curved envelope stages approximated by up to 32 linear segments, and the
// fast fade of a killed modulator. Audio thread only.
#include "engine/dsp/EnvelopeOutputs.h"

#include <cstdint>

namespace dsp {

struct EnvelopeSegment {
    float endLevel = 0.0f;
    float increment = 0.0f; // per control step
    int32_t length = 0;     // control steps
};

class EnvelopeSegments {
public:
    static constexpr int kMaxSegments = 32;

    // Splits the move from `level` to `target` over `steps` control steps into
    // segments of about 12.5 ms following the curve (exponent 1 / curve; a
    // curve above 1 bends the other way). Returns false and builds nothing
    // when the control rate gives less than one step per 12.5 ms; else the
    // first segment's increment and length are in `first`.
    bool build(float controlRate, float level, float target, int32_t steps, float curve,
               EnvelopeSegment& first);
    // The following segment, or false after the last.
    bool next(EnvelopeSegment& segment);
    void clear() { count_ = 0; position_ = 0; }

    int count() const { return count_; }
    const EnvelopeSegment& segment(int i) const { return segments_[i]; }

private:
    EnvelopeSegment segments_[kMaxSegments];
    int count_ = 0;
    int position_ = 0;
};

// time × about 2^(-4 × clamp(modulation / 2, -1, 1)); never negative.
float scaleTimeByModulation(float time, float modulation);

// Fades the level to 0 in 5 ms of control steps (at least one step).
void killOutputs(EnvelopeOutputs& out, float controlRate);

} // namespace dsp
