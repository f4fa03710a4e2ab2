#pragma once
// Division that never traps or yields inf/NaN from a zero divisor: a zero
// divisor (of either sign) answers a large positive constant instead.

namespace dsp {

inline float safeDivide(float a, float b) { return b == 0.0f ? 1e9f : a / b; }
inline double safeDivide(double a, double b) { return b == 0.0 ? 999999999.9 : a / b; }

} // namespace dsp
