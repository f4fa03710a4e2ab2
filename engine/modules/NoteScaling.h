#pragma once
// Per-note key and velocity factors and the time scalings built on them.
// Plain functions of their arguments; callable from any thread.
#include <cmath>

namespace dsp {

// (key - reference key) / 96, in the float the modules keep.
inline float keyFactor(int key, int referenceKey = 60) {
    return static_cast<float>(key - referenceKey) * 0.010416667f;
}

// About 2^(velocity / 31.75 - 2): 0.25 at 0, 1 at 63.5, 4 at 127.
inline float velocityFactor(int velocity) {
    const double y = velocity * 0.031496 - 2.0;
    const double x = 1.0 + y * (0.173804692740267 + y * (0.0155045803798573 + y * 0.000837907344980747));
    const double x2 = x * x;
    return static_cast<float>(x2 * x2);
}

// value × 2^(keyFactor × amount × 8).
inline float applyKeyScaling(float value, float keyFactor, float amount) {
    return static_cast<float>(value * std::exp2(static_cast<double>(keyFactor * amount * 8.0f)));
}

// amount > 0: value × (amount × (vf - 1) + 1); else value / (1 - amount × (vf - 1)),
// a zero divisor answering 1e9; the result clamped to 0..1e9.
inline float applyVelocityScaling(float value, float velocityFactor, float amount) {
    float r;
    if (amount > 0.0f) {
        r = value * (amount * (velocityFactor - 1.0f) + 1.0f);
    } else {
        const float d = 1.0f - amount * (velocityFactor - 1.0f);
        r = d == 0.0f ? 1e9f : value / d;
    }
    if (!(r >= 0.0f)) r = 0.0f; // also catches NaN
    if (r > 1e9f) r = 1e9f;
    return r;
}

} // namespace dsp
