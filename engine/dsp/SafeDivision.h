#pragma once
// Division that never traps or yields infinity: a zero denominator gives a
// large positive stand-in, whatever the sign of the numerator.

inline float safeDivide(float a, float b) { return b == 0.0f ? 1e9f : a / b; }
inline double safeDivide(double a, double b) { return b == 0.0 ? 999999999.9 : a / b; }
