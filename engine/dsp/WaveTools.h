#pragma once
// In-place tools for float sample arrays. Every tool ignores a null array.
// Pure functions of their arguments: callable from any thread.

namespace dsp {

// Removes the offset sum / (n - a) with an a-sample fade-in and fade-out and
// scales by 1 / (1 + |offset|); does nothing for n <= 40.
void removeDc(float* values, int n, double sum);
// Sum of all values (double), then removeDc.
void sumAndRemoveDc(float* values, int n);
// Running sum.
void integrate(float* values, int n);
// Backward difference; the first value stays.
void differentiate(float* values, int n);
// Gain that brings the peak (positive and negative separately) to 1;
// 1000 where a side has no excursion.
float peakGain(const float* values, int n);
// Scales by peakGain only when the values leave [-1, 1].
void normalise(float* values, int n);
// Scales both channels by their common peak gain, always.
void normaliseStereo(float* left, float* right, int n);
// Scales by peakGain when it is outside 0.99..1.01.
void normaliseIfNeeded(float* values, int n);
// Moves the values from the first one louder than levelDb to the front and
// returns its index; 0 when the first value is loud or none is.
int trimSilence(float* values, int n, float levelDb);

} // namespace dsp
