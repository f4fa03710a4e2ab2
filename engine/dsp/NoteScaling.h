#pragma once
// The per-note key and velocity factors and the scalings built on them, as
// every part applies them at note on. Pure functions: any thread.
#include "engine/dsp/SafeDivision.h"
#include <cmath>

// (key - reference key) / 96.
inline float keyFactorOf(int key, int referenceKey) {
    return static_cast<float>(key - referenceKey) * 0.010416667f;
}

// About 2^(velocity / 31.75 - 2): 0.25 at 0, 1 at 63.5, 4 at 127.
inline float velocityFactorOf(double velocity) {
    const double y = velocity * 0.031496 - 2.0;
    const double x = 1.0 + y * (0.173804692740267 + y * (0.0155045803798573 + y * 0.000837907344980747));
    const double x2 = x * x;
    return static_cast<float>(x2 * x2);
}

// value × 2^(keyFactor × amount × 8).
inline float scaleByKey(float value, float keyFactor, float amount) {
    return static_cast<float>(value * std::exp2(static_cast<double>(keyFactor * amount * 8.0f)));
}

// amount > 0: value × (amount × (vf - 1) + 1); else value / (1 - amount × (vf - 1))
// through the safe division; the result clamped to 0..1e9 (NaN gives 0).
inline float scaleByVelocity(float value, float velocityFactor, float amount) {
    float r;
    if (amount > 0.0f)
        r = value * (amount * (velocityFactor - 1.0f) + 1.0f);
    else
        r = safeDivide(value, 1.0f - amount * (velocityFactor - 1.0f));
    if (!(r >= 0.0f))
        r = 0.0f;
    return r > 1e9f ? 1e9f : r;
}
