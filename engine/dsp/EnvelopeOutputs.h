#pragma once
// The three variables through which an envelope drives its voice: the voice
// adds slope to level once per control step and counts counter down; when it
// falls below 1 the envelope's next stage is due. Owned by the voice, written
// by the envelope; audio thread only.
#include <cstdint>

namespace dsp {

// Counter value of a stage without an end of its own.
constexpr int32_t kNoEnd = 0x7ffffbff;

struct EnvelopeOutputs {
    float level = 0.0f;
    float slope = 0.0f;
    int32_t counter = kNoEnd;
};

// Control steps for a duration: computed in double, truncated toward zero,
// clamped to 0..kNoEnd (NaN gives 0).
inline int32_t controlSteps(double rate, double seconds) {
    const double steps = rate * seconds;
    if (!(steps > 0.0)) return 0;
    if (steps >= static_cast<double>(kNoEnd)) return kNoEnd;
    return static_cast<int32_t>(steps);
}

} // namespace dsp
