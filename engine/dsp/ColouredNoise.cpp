#include "engine/dsp/ColouredNoise.h"

#include "engine/dsp/NoiseTable.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp {

ColouredNoise::ColouredNoise() : table_(sharedNoiseTable()) {}

float ColouredNoise::coefficientFor(float frequency, float inverseRate, float colour) {
    const float a = 2.0f * frequency * inverseRate * colour;
    if (!(a >= 0.001f)) return std::isnan(a) ? 1.0f : 0.001f;
    return a > 1.0f ? 1.0f : a;
}

float ColouredNoise::gainFor(float levelGain, float coefficient) {
    const float g = static_cast<float>(levelGain * std::pow(static_cast<double>(coefficient), -0.5));
    return std::isfinite(g) ? g : 0.0f;
}

bool ColouredNoise::noteOn(float frequency, float sampleRate, float inverseRate, float colour,
                           float levelGain, bool reused) {
    if (!(sampleRate > 1.0f)) return false;
    a_ = coefficientFor(frequency, inverseRate, colour);
    gain_ = gainFor(levelGain, a_);
    if (!reused) y_ = 0.0f;
    clock_.reset();
    return true;
}

void ColouredNoise::planSteps(const float* amplitude, int steps, int stride, int* start, float* level) {
    if (steps <= 0) return;
    // Locals: the stores through start and level could alias the members.
    os::Random15 random = random_;
    const float gain = gain_;
    for (int s = 0; s < steps; ++s) {
        const float g = gain * amplitude[s];
        level[s * stride] = std::isfinite(g) ? g : 0.0f;
        start[s * stride] = static_cast<int>(static_cast<unsigned>(random.next()) % 64u);
    }
    random_ = random;
    stepAmplitude_ = level[(steps - 1) * stride];
    position_ = start[(steps - 1) * stride];
}

void ColouredNoise::finishSteps(int steps, float state) {
    if (steps <= 0) return;
    position_ += ControlClock::kSamplesPerStep;
    y_ = state;
    clock_.advance(steps * ControlClock::kSamplesPerStep);
}

void ColouredNoise::render(float* out, int n, const float* amplitude) {
    if (!out || n <= 0) return;
    const float a = a_;
    const float keep = 1.0f - a;
    const float* table = table_;
    float y = y_;
    int r = 0;
    int i = 0;
    while (i < n) {
        if (clock_.atStepStart()) {
            const float g = gain_ * amplitude[r++];
            stepAmplitude_ = std::isfinite(g) ? g : 0.0f;
            position_ = random_.next() % 64;
        }
        const int rest = ControlClock::kSamplesPerStep - clock_.phase();
        const int count = rest < n - i ? rest : n - i;
        clock_.advance(count);
        // At most 63 + 7 within a step: inside the table.
        const float* x = table + position_;
        const float level = stepAmplitude_;
#if defined(__SSE2__)
        if (count == ControlClock::kSamplesPerStep) {
            // A whole step: the filter's serial sums, then the output four
            // samples at a time from registers (a vector load of values just
            // stored one by one would stall).
            const float y0 = x[0] * a + y * keep, y1 = x[1] * a + y0 * keep;
            const float y2 = x[2] * a + y1 * keep, y3 = x[3] * a + y2 * keep;
            const float y4 = x[4] * a + y3 * keep, y5 = x[5] * a + y4 * keep;
            const float y6 = x[6] * a + y5 * keep, y7 = x[7] * a + y6 * keep;
            y = y7;
            const __m128 gain = _mm_set1_ps(level);
            float* o = out + i;
            _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_mul_ps(_mm_set_ps(y3, y2, y1, y0), gain)));
            _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_mul_ps(_mm_set_ps(y7, y6, y5, y4), gain)));
        } else
#endif
        {
            for (int k = 0; k < count; ++k) {
                y = x[k] * a + y * keep;
                out[i + k] += y * level;
            }
        }
        position_ += count;
        i += count;
    }
    y_ = y;
}

} // namespace dsp
