#pragma once
// A part that carries the in-place tools for float sample arrays (see
// dsp WaveTools); the wave-table module derives from it. No state; every
// tool ignores a null array.
#include "engine/dsp/WaveTools.h"
#include "framework/model/Part_c.h"

class WaveBase_c : public Part_c {
public:
    static void removeDc(float* values, int n, double sum) { dsp::removeDc(values, n, sum); }
    static void sumAndRemoveDc(float* values, int n) { dsp::sumAndRemoveDc(values, n); }
    static void integrate(float* values, int n) { dsp::integrate(values, n); }
    static void differentiate(float* values, int n) { dsp::differentiate(values, n); }
    static void normalise(float* values, int n) { dsp::normalise(values, n); }
    static void normaliseStereo(float* left, float* right, int n) { dsp::normaliseStereo(left, right, n); }
    static void normaliseIfNeeded(float* values, int n) { dsp::normaliseIfNeeded(values, n); }
    static int trimSilence(float* values, int n, float levelDb) { return dsp::trimSilence(values, n, levelDb); }
};
