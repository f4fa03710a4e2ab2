#include "engine/instrument/ColouredNoise.h"

#include "engine/instrument/NoiseTable.h"

#include <cmath>

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

void ColouredNoise::render(float* out, int n, const float* amplitude) {
    if (!out || n <= 0) return;
    const float keep = 1.0f - a_;
    int r = 0;
    for (int i = 0; i < n; ++i) {
        if (clock_.atStepStart()) {
            const float g = gain_ * amplitude[r++];
            stepAmplitude_ = std::isfinite(g) ? g : 0.0f;
            position_ = random_.next() % 64;
        }
        clock_.advance(1);
        y_ = table_[position_] * a_ + y_ * keep;
        ++position_; // at most 63 + 7 within a step, inside the table
        out[i] += y_ * stepAmplitude_;
    }
}

} // namespace dsp
