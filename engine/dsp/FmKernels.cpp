#include "engine/dsp/FmKernels.h"

namespace dsp {

namespace {

// Table position of a phase inside int range: floor without a library call
// on baseline x86, exact including the sign of zero.
struct Position {
    int index;
    float fraction;
};

inline Position positionOf(double phase) {
    int whole = static_cast<int>(phase);
    double floor = static_cast<double>(whole);
    if (floor > phase) {
        --whole;
        floor -= 1.0;
    } else if (floor == phase) {
        floor = phase;
    }
    return {whole & kWaveMask, static_cast<float>(phase - floor)};
}

inline float lerp(const float* table, const Position& p) {
    return (1.0f - p.fraction) * table[p.index] + p.fraction * table[(p.index + 1) & kWaveMask];
}

} // namespace

double fmModulatorBaseline(const float* table, const FmSegment* segments, int segmentCount, double phase,
                           double* step) {
    for (int s = 0; s < segmentCount; ++s) {
        const FmSegment& g = segments[s];
        if (g.stepStarts) phase = wrapPhase(phase);
        for (int i = g.start; i < g.start + g.count; ++i) {
            const float m = lerp(table, positionOf(phase)) * g.index;
            step[i] = g.incrementB * (1.0f + m);
            phase += g.incrementA;
        }
    }
    return phase;
}

double fmCarrierBaseline(const float* b, const float* c, float balance, const FmSegment* segments,
                         int segmentCount, double phase, const double* step, float* out) {
    const float rest = 1.0f - balance;
    for (int s = 0; s < segmentCount; ++s) {
        const FmSegment& g = segments[s];
        if (g.stepStarts) phase = wrapPhase(phase);
        for (int i = g.start; i < g.start + g.count; ++i) {
            const Position p = positionOf(phase);
            const float v = lerp(b, p) * balance + rest * lerp(c, p);
            out[i] += v * g.gain;
            phase += step[i];
        }
    }
    return phase;
}

void fmStretchBaseline(const FmTables& t, const FmSegment* segments, int segmentCount, FmPhases& phases,
                       double* step, float* out) {
    phases.a = fmModulatorBaseline(t.a, segments, segmentCount, phases.a, step);
    phases.b = fmCarrierBaseline(t.b, t.c, t.balance, segments, segmentCount, phases.b, step, out);
}

} // namespace dsp
