// The AVX2 build of the oscillator's table loops (see FmKernels.h). Only
// these functions are compiled for AVX2, through the target attribute, and
// they are called only once the CPU has been found to support it. No FMA:
// a fused multiply-add rounds once where the baseline rounds twice.
#include "engine/dsp/FmKernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include "engine/dsp/WaveBank.h"

#include <cstring>
#include <immintrin.h>

#define KELVANTI_AVX2 __attribute__((target("avx2")))

namespace dsp {

namespace {

constexpr int kLanes = 8;

// Table positions and fractions of eight phases (p0 the first four), as
// the baseline's floor, int conversion and float conversion give them.
struct Positions {
    alignas(32) int at[kLanes]; // j
    __m256 frac;                // t
};

// The phases come in registers: a vector load of phases just stored one by
// one would wait for the stores to drain.
KELVANTI_AVX2 inline void positionsOf(__m256d p0, __m256d p1, Positions& p) {
    const __m256d f0 = _mm256_floor_pd(p0);
    const __m256d f1 = _mm256_floor_pd(p1);
    const __m256i whole = _mm256_set_m128i(_mm256_cvttpd_epi32(f1), _mm256_cvttpd_epi32(f0));
    _mm256_store_si256(reinterpret_cast<__m256i*>(p.at), _mm256_and_si256(whole, _mm256_set1_epi32(kWaveMask)));
    p.frac = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_sub_pd(p1, f1)), _mm256_cvtpd_ps(_mm256_sub_pd(p0, f0)));
}

// table[j] and table[j + 1] of two lanes, from a wrapped table: one load each.
// (memcpy, as the pairs need not be 8-byte aligned; it compiles to the loads.)
KELVANTI_AVX2 inline __m128 twoPairs(const float* wrapped, int j0, int j1) {
    double first, second;
    std::memcpy(&first, wrapped + j0, sizeof first);
    std::memcpy(&second, wrapped + j1, sizeof second);
    return _mm_castpd_ps(_mm_set_pd(second, first));
}

// (1 - t) × table[j] + t × table[j + 1], rounded step by step. Pairs come
// from the wrapped table (gathers are slow on some processors).
KELVANTI_AVX2 inline __m256 lerp(const float* wrapped, const Positions& p) {
    const int* j = p.at;
    const __m256 low = _mm256_set_m128(twoPairs(wrapped, j[4], j[5]), twoPairs(wrapped, j[0], j[1]));
    const __m256 high = _mm256_set_m128(twoPairs(wrapped, j[6], j[7]), twoPairs(wrapped, j[2], j[3]));
    const __m256 x0 = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
    const __m256 x1 = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
    const __m256 w0 = _mm256_sub_ps(_mm256_set1_ps(1.0f), p.frac);
    return _mm256_add_ps(_mm256_mul_ps(w0, x0), _mm256_mul_ps(p.frac, x1));
}

} // namespace

namespace {

// One full step of the modulator pass; answers the phase after it.
KELVANTI_AVX2 inline double modulatorStep(const float* table, const FmSegment& g, double phase, double* step) {
    if (g.stepStarts) phase = wrapPhase(phase);
    const double inc = g.incrementA;
    const double a0 = phase, a1 = a0 + inc, a2 = a1 + inc, a3 = a2 + inc;
    const double a4 = a3 + inc, a5 = a4 + inc, a6 = a5 + inc, a7 = a6 + inc;
    Positions p;
    positionsOf(_mm256_set_pd(a3, a2, a1, a0), _mm256_set_pd(a7, a6, a5, a4), p);
    const __m256 m = _mm256_mul_ps(lerp(table, p), _mm256_set1_ps(g.index));
    const __m256 bend = _mm256_add_ps(_mm256_set1_ps(1.0f), m);
    const __m256d increment = _mm256_set1_pd(g.incrementB);
    double* d = step + g.start;
    _mm256_storeu_pd(d, _mm256_mul_pd(increment, _mm256_cvtps_pd(_mm256_castps256_ps128(bend))));
    _mm256_storeu_pd(d + 4, _mm256_mul_pd(increment, _mm256_cvtps_pd(_mm256_extractf128_ps(bend, 1))));
    return a7 + inc;
}

// One full step of the carrier pass; answers the phase after it.
KELVANTI_AVX2 inline double carrierStep(const float* b, const float* c, __m256 weightB, __m256 weightC,
                                        const FmSegment& g, double phase, const double* step, float* out) {
    if (g.stepStarts) phase = wrapPhase(phase);
    const double* d = step + g.start;
    const double b0 = phase, b1 = b0 + d[0], b2 = b1 + d[1], b3 = b2 + d[2];
    const double b4 = b3 + d[3], b5 = b4 + d[4], b6 = b5 + d[5], b7 = b6 + d[6];
    Positions p;
    positionsOf(_mm256_set_pd(b3, b2, b1, b0), _mm256_set_pd(b7, b6, b5, b4), p);
    const __m256 v = _mm256_add_ps(_mm256_mul_ps(lerp(b, p), weightB), _mm256_mul_ps(weightC, lerp(c, p)));
    float* o = out + g.start;
    _mm256_storeu_ps(o, _mm256_add_ps(_mm256_loadu_ps(o), _mm256_mul_ps(v, _mm256_set1_ps(g.gain))));
    return b7 + d[7];
}

} // namespace

namespace {

// x where finite, else `otherwise`.
KELVANTI_AVX2 inline __m256 finiteOr(__m256 x, __m256 otherwise) {
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
    return _mm256_blendv_ps(otherwise, x, _mm256_cmp_ps(magnitude, _mm256_set1_ps(__builtin_inff()), _CMP_LT_OQ));
}

// Within ±limit (x finite).
KELVANTI_AVX2 inline __m256 clampMagnitude(__m256 x, float limit) {
    return _mm256_min_ps(_mm256_max_ps(x, _mm256_set1_ps(-limit)), _mm256_set1_ps(limit));
}

// pow2Poly of four values, rounded to float.
KELVANTI_AVX2 inline __m128 pitchFactors(__m128 x) {
    const __m256d d = _mm256_cvtps_pd(x);
    __m256d p = _mm256_mul_pd(d, _mm256_set1_pd(0.05362607007876781));
    p = _mm256_mul_pd(d, _mm256_add_pd(_mm256_set1_pd(0.2480732860777168), p));
    p = _mm256_mul_pd(d, _mm256_add_pd(_mm256_set1_pd(0.695218770961068), p));
    p = _mm256_add_pd(_mm256_set1_pd(1.0), p);
    const __m256d p2 = _mm256_mul_pd(p, p);
    return _mm256_cvtpd_ps(_mm256_mul_pd(p2, p2));
}

} // namespace

KELVANTI_AVX2 void fmPlanStepsAvx2(const FmStepRule& rule, const float* timbre, const float* amplitude,
                                   const float* pitch, int steps, int stride, float* index, float* gain,
                                   double* incrementA, double* incrementB) {
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256d noteA = _mm256_set1_pd(rule.incrementA);
    const __m256d noteB = _mm256_set1_pd(rule.incrementB);
    for (int s = 0; s < steps; s += 8) {
        const int count = steps - s < 8 ? steps - s : 8;
        __m256 t, g, x;
        if (count == 8) {
            t = _mm256_loadu_ps(timbre + s);
            g = _mm256_loadu_ps(amplitude + s);
            x = _mm256_loadu_ps(pitch + s);
        } else {
            // The last few steps through a padded copy: the arrays may end there.
            alignas(32) float t8[8] = {}, g8[8] = {}, x8[8] = {};
            for (int k = 0; k < count; ++k) {
                t8[k] = timbre[s + k];
                g8[k] = amplitude[s + k];
                x8[k] = pitch[s + k];
            }
            t = _mm256_load_ps(t8);
            g = _mm256_load_ps(g8);
            x = _mm256_load_ps(x8);
        }
        alignas(32) float i8[8], g8[8];
        alignas(32) double a8[8], b8[8];
        const __m256 i = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(rule.envIndexScale), t),
                                       _mm256_set1_ps(rule.staticIndex));
        _mm256_store_ps(i8, clampMagnitude(finiteOr(i, _mm256_setzero_ps()), rule.maxIndex));
        _mm256_store_ps(g8, finiteOr(g, _mm256_setzero_ps()));
        const __m256 f = _mm256_set_m128(pitchFactors(_mm256_extractf128_ps(x, 1)),
                                         pitchFactors(_mm256_castps256_ps128(x)));
        const __m256 p = clampMagnitude(finiteOr(f, one), rule.maxMultiplier);
        const __m256 ratio = _mm256_set1_ps(rule.tuneRatio);
        const __m256 kA = rule.pitchOnModulator ? p : ratio;
        const __m256 kB = rule.pitchOnCarrier ? p : ratio;
        _mm256_store_pd(a8, _mm256_mul_pd(noteA, _mm256_cvtps_pd(_mm256_castps256_ps128(kA))));
        _mm256_store_pd(a8 + 4, _mm256_mul_pd(noteA, _mm256_cvtps_pd(_mm256_extractf128_ps(kA, 1))));
        _mm256_store_pd(b8, _mm256_mul_pd(noteB, _mm256_cvtps_pd(_mm256_castps256_ps128(kB))));
        _mm256_store_pd(b8 + 4, _mm256_mul_pd(noteB, _mm256_cvtps_pd(_mm256_extractf128_ps(kB, 1))));
        for (int k = 0; k < count; ++k) {
            const int at = (s + k) * stride;
            index[at] = i8[k];
            gain[at] = g8[k];
            incrementA[at] = a8[k];
            incrementB[at] = b8[k];
        }
    }
}

KELVANTI_AVX2 void fmStretchAvx2(const FmTables& t, const FmSegment* segments, int segmentCount, FmPhases& phases,
                                 double* step, float* out) {
    if (!t.wrappedA || !t.wrappedB || !t.wrappedC) {
        fmStretchBaseline(t, segments, segmentCount, phases, step, out);
        return;
    }
    // The carrier runs one segment behind the modulator, so the two serial
    // phase sums interleave and the processor overlaps them.
    const __m256 weightB = _mm256_set1_ps(t.balance);
    const __m256 weightC = _mm256_set1_ps(1.0f - t.balance);
    double a = phases.a;
    double b = phases.b;
    for (int s = 0; s <= segmentCount; ++s) {
        if (s < segmentCount) {
            const FmSegment& g = segments[s];
            a = g.count == kLanes ? modulatorStep(t.wrappedA, g, a, step) : fmModulatorBaseline(t.a, &g, 1, a, step);
        }
        if (s > 0) {
            const FmSegment& g = segments[s - 1];
            b = g.count == kLanes ? carrierStep(t.wrappedB, t.wrappedC, weightB, weightC, g, b, step, out)
                                  : fmCarrierBaseline(t.b, t.c, t.balance, &g, 1, b, step, out);
        }
    }
    phases.a = a;
    phases.b = b;
}

} // namespace dsp

#endif
