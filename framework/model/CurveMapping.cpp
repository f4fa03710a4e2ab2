#include "framework/model/CurveMapping.h"
#include <cmath>

namespace {
bool isCurved(float curve) { return curve > 0.01f || curve < -0.01f; }
} // namespace

float curvedPosition(double t, float curve) {
    if (!isCurved(curve))
        return static_cast<float>(t);
    const double c = curve;
    return static_cast<float>(std::log(1.0 + t * (std::exp(c) - 1.0)) / c);
}

double linearFraction(double x, float curve) {
    if (!isCurved(curve))
        return x;
    const double c = curve;
    return (std::exp(x * c) - 1.0) / (std::exp(c) - 1.0);
}

float normalizedPosition(const ParamDesc& desc, int32_t v) {
    double t = 0.0;
    if (desc.max > desc.min)
        t = (static_cast<double>(v) - desc.min) / (static_cast<double>(desc.max) - desc.min);
    return curvedPosition(t, desc.curve);
}
