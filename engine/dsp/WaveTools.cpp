#include "engine/dsp/WaveTools.h"

#include "engine/dsp/SafeDivision.h"

#include <cmath>

namespace dsp {

namespace {

void extremes(const float* values, int n, float& largest, float& smallest) {
    for (int i = 0; i < n; ++i) {
        if (values[i] > largest) largest = values[i];
        if (values[i] < smallest) smallest = values[i];
    }
}

float gainFromExtremes(float largest, float smallest) {
    const float up = largest > 0.0f ? 1.0f / largest : 1000.0f;
    const float down = smallest < 0.0f ? -1.0f / smallest : 1000.0f;
    return up < down ? up : down;
}

void scale(float* values, int n, float gain) {
    for (int i = 0; i < n; ++i) values[i] *= gain;
}

} // namespace

void removeDc(float* values, int n, double sum) {
    if (!values || n <= 40) return;
    const double f = n < 128 ? 0.25 : n < 256 ? 0.2 : n < 1024 ? 0.1 : 0.05;
    int a = static_cast<int>(f * n + 0.5);
    if (a < 1) a = 1;
    const double offset = sum / (n - a);
    const double gain = safeDivide(1.0, 1.0 + std::fabs(offset));
    const double d = safeDivide(1.0, static_cast<double>(a - 1));
    for (int i = 0; i < a; ++i)
        values[i] = static_cast<float>(gain * (values[i] - offset * d * i));
    for (int i = a; i < n - a; ++i)
        values[i] = static_cast<float>(gain * (values[i] - offset));
    for (int i = n - a; i < n; ++i)
        values[i] = static_cast<float>(gain * (values[i] - offset * (1.0 - d * (i - (n - a)))));
}

void sumAndRemoveDc(float* values, int n) {
    if (!values) return;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += values[i];
    removeDc(values, n, sum);
}

void integrate(float* values, int n) {
    if (!values) return;
    for (int i = 1; i < n; ++i) values[i] += values[i - 1];
}

void differentiate(float* values, int n) {
    if (!values || n < 2) return;
    float previous = values[0];
    for (int i = 1; i < n; ++i) {
        const float original = values[i];
        values[i] = original - previous;
        previous = original;
    }
}

float peakGain(const float* values, int n) {
    float largest = 0.0f, smallest = 0.0f;
    if (values) extremes(values, n, largest, smallest);
    return gainFromExtremes(largest, smallest);
}

void normalise(float* values, int n) {
    if (!values) return;
    float largest = 0.0f, smallest = 0.0f;
    extremes(values, n, largest, smallest);
    if (largest > 1.0f || smallest < -1.0f) scale(values, n, gainFromExtremes(largest, smallest));
}

void normaliseStereo(float* left, float* right, int n) {
    if (!left || !right) return;
    float largest = 0.0f, smallest = 0.0f;
    extremes(left, n, largest, smallest);
    extremes(right, n, largest, smallest);
    const float gain = gainFromExtremes(largest, smallest);
    scale(left, n, gain);
    scale(right, n, gain);
}

void normaliseIfNeeded(float* values, int n) {
    if (!values) return;
    const float gain = peakGain(values, n);
    if (gain > 1.01f || gain < 0.99f) scale(values, n, gain);
}

int trimSilence(float* values, int n, float levelDb) {
    if (!values) return 0;
    const float threshold = static_cast<float>(std::pow(10.0, levelDb * 0.05));
    int first = 0;
    while (first < n && !(std::fabs(values[first]) > threshold)) ++first;
    if (first == 0 || first >= n) return 0;
    for (int i = first; i < n; ++i) values[i - first] = values[i];
    return first;
}

} // namespace dsp
