#include "engine/dsp/EnvelopeSegments.h"

#include "engine/dsp/Pow2Poly.h"
#include "engine/dsp/SafeDivision.h"

#include <cmath>

namespace dsp {

bool EnvelopeSegments::build(float controlRate, float level, float target, int32_t steps,
                             float curve, EnvelopeSegment& first) {
    const bool inverted = curve > 1.0f;
    const double e = inverted ? 2.0 - curve : curve;
    const double exponent = safeDivide(1.0, e);
    const int32_t base = controlSteps(controlRate, 0.0125);
    if (base < 1) return false;

    const float start = level;
    int m = 1;
    if (std::fabs(start - target) > 0.02f) {
        const double ratio = static_cast<double>(steps) / base + 0.5;
        m = ratio >= kMaxSegments ? kMaxSegments : ratio < 1.0 ? 1 : static_cast<int>(ratio);
    }
    int32_t given = 0;
    float previous = start;
    for (int t = 0; t < m; ++t) {
        const double u = (t + 1) * (0.999999 / m);
        const double v = inverted ? 1.0 - std::pow(u, exponent) : std::pow(1.0 - u, exponent);
        const float w = static_cast<float>(start + (1.0 - v) * (target - start));
        const double share = static_cast<double>(steps - given) / (m - t);
        int32_t length = share >= 1.0 ? static_cast<int32_t>(share) : 1;
        EnvelopeSegment& s = segments_[t];
        s.endLevel = w;
        s.length = length;
        s.increment = (w - previous) / static_cast<float>(length);
        previous = w;
        given += length;
    }
    count_ = m;
    position_ = 0;
    first = segments_[0];
    return true;
}

bool EnvelopeSegments::next(EnvelopeSegment& segment) {
    if (position_ + 1 >= count_) {
        position_ = count_;
        segment = EnvelopeSegment{};
        return false;
    }
    ++position_;
    segment = segments_[position_];
    return true;
}

float scaleTimeByModulation(float time, float modulation) {
    float x = modulation * 0.5f;
    if (x < -1.0f) x = -1.0f;
    if (x > 1.0f) x = 1.0f;
    const float r = static_cast<float>(time * pow2Poly(-x));
    return r < 0.0f ? 0.0f : r;
}

void killOutputs(EnvelopeOutputs& out, float controlRate) {
    // 5 ms rounded to whole steps; at least one, so a kill always ends.
    const double exact = static_cast<double>(controlRate) * 0.005 + 0.5;
    const int32_t steps = exact >= 1.0 && exact < 1e6 ? static_cast<int32_t>(exact) : 1;
    out.counter = steps;
    out.slope = safeDivide(-out.level, static_cast<float>(steps));
}

} // namespace dsp
