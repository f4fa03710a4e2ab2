// The AVX2 build of the voice lanes (see ToneLanes.h): four voices' phases
// in one vector of doubles, their table values and noise in one vector of
// floats. Only these functions are compiled for AVX2, through the target
// attribute, and they are called only once the CPU has been found to support
// it. No FMA: a fused multiply-add rounds once where a voice alone rounds twice.
#include "engine/dsp/ToneLanes.h"

#if defined(__x86_64__) || defined(__i386__)

#include "engine/dsp/WaveBank.h"

#include <cstring>
#include <immintrin.h>

#define KELVANTI_AVX2 __attribute__((target("avx2")))

namespace dsp {

namespace {

constexpr int kStep = ControlClock::kSamplesPerStep;

// Whole table lengths off each phase, exactly as wrapPhase: its quick
// cases give what its general form gives, which needs no branch here.
KELVANTI_AVX2 inline __m256d wrapPhases(__m256d p) {
    const __m256d length = _mm256_set1_pd(kWaveLength);
    const __m256d turns = _mm256_floor_pd(_mm256_mul_pd(p, _mm256_set1_pd(1.0 / kWaveLength)));
    const __m256d wrapped = _mm256_sub_pd(p, _mm256_mul_pd(turns, length));
    const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), p);
    const __m256d finite = _mm256_cmp_pd(magnitude, _mm256_set1_pd(__builtin_inf()), _CMP_LT_OQ);
    return _mm256_and_pd(wrapped, finite); // a non-finite phase restarts at 0
}

// Table index (masked) and fraction of four phases, as the voice's own
// floor, int conversion and float conversion give them.
struct Positions {
    __m128i at;
    __m128 frac;
};

KELVANTI_AVX2 inline Positions positionsOf(__m256d p) {
    const __m256d whole = _mm256_floor_pd(p);
    const __m128i j = _mm_and_si128(_mm256_cvttpd_epi32(whole), _mm_set1_epi32(kWaveMask));
    return {j, _mm256_cvtpd_ps(_mm256_sub_pd(p, whole))};
}

// Two samples' values of the four lanes share one vector in "pair order":
// [k.0, k.1, k+1.0, k+1.1 | k.2, k.3, k+1.2, k+1.3] (sample.lane), the order
// in which a horizontal add leaves the interpolations below.

// The interpolation weights of four positions next to the samples they
// weigh: [1 - t0, t0, 1 - t1, t1 | 1 - t2, t2, 1 - t3, t3].
KELVANTI_AVX2 inline __m256 weightsOf(const Positions& p) {
    const __m128 u = _mm_sub_ps(_mm_set1_ps(1.0f), p.frac);
    return _mm256_set_m128(_mm_unpackhi_ps(u, p.frac), _mm_unpacklo_ps(u, p.frac));
}

// table[j] and table[j + 1] of each lane's own wrapped table, multiplied by
// their weights: one 8-byte load brings each lane's sample and neighbour.
// (Plain loads rather than a gather instruction: no slower here, and the
// emulator that runs the 32-bit build gets gathers wrong.)
KELVANTI_AVX2 inline __m256 weighedPairs(const float* bank, __m128i table, const Positions& p, __m256 weights) {
    alignas(16) int at[kToneLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), _mm_add_epi32(table, p.at));
    double pair[kToneLanes];
    for (int l = 0; l < kToneLanes; ++l) std::memcpy(&pair[l], bank + at[l], sizeof(double));
    const __m256d pairs = _mm256_set_m128d(_mm_set_pd(pair[3], pair[2]), _mm_set_pd(pair[1], pair[0]));
    return _mm256_mul_ps(_mm256_castpd_ps(pairs), weights);
}

// (1 - t) × table[j] + t × table[j + 1] of samples k and k + 1, in pair
// order: the horizontal add sums each weighed pair.
KELVANTI_AVX2 inline __m256 lerpPair(__m256 weighedK, __m256 weighedNext) {
    return _mm256_hadd_ps(weighedK, weighedNext);
}

// A value per lane repeated into pair order.
KELVANTI_AVX2 inline __m256 inPairOrder(__m128 v) {
    return _mm256_permutevar_ps(_mm256_set_m128(v, v), _mm256_setr_epi32(0, 1, 0, 1, 2, 3, 2, 3));
}

// Pair order to [k.0 .. k.3 | k+1.0 .. k+1.3].
KELVANTI_AVX2 inline __m256 sampleMajor(__m256 pair) {
    return _mm256_permutevar8x32_ps(pair, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
}

// The eight samples of a step in pair order (pairs[i]: samples 2i, 2i + 1)
// stored lane by lane: eight consecutive floats to each lane's place.
KELVANTI_AVX2 inline void storePairs(const __m256 (&pairs)[kStep / 2], float* const (&to)[kToneLanes]) {
    const __m256 even0 = _mm256_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(2, 0, 2, 0)); // lanes 0 | 2, samples 0-3
    const __m256 odd0 = _mm256_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(3, 1, 3, 1));  // lanes 1 | 3
    const __m256 even1 = _mm256_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(2, 0, 2, 0)); // samples 4-7
    const __m256 odd1 = _mm256_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(3, 1, 3, 1));
    _mm256_storeu_ps(to[0], _mm256_permute2f128_ps(even0, even1, 0x20));
    _mm256_storeu_ps(to[1], _mm256_permute2f128_ps(odd0, odd1, 0x20));
    _mm256_storeu_ps(to[2], _mm256_permute2f128_ps(even0, even1, 0x31));
    _mm256_storeu_ps(to[3], _mm256_permute2f128_ps(odd0, odd1, 0x31));
}

// A 4 × 4 transpose of each 128-bit half of four rows, in place: rows of
// [sample k of lanes 0..3 | sample k + 4] become [lane l: samples 0..3 | 4..7],
// and back.
KELVANTI_AVX2 inline void transpose4x4Halves(__m256& r0, __m256& r1, __m256& r2, __m256& r3) {
    const __m256 t0 = _mm256_unpacklo_ps(r0, r1);
    const __m256 t1 = _mm256_unpackhi_ps(r0, r1);
    const __m256 t2 = _mm256_unpacklo_ps(r2, r3);
    const __m256 t3 = _mm256_unpackhi_ps(r2, r3);
    r0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    r1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    r2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    r3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
}

// The eight samples of a step (v[k]: sample k of the four lanes) stored lane
// by lane: eight consecutive floats to each lane's place.
KELVANTI_AVX2 inline void storeLanes(const __m128 (&v)[kStep], float* const (&to)[kToneLanes]) {
    __m256 r0 = _mm256_set_m128(v[4], v[0]);
    __m256 r1 = _mm256_set_m128(v[5], v[1]);
    __m256 r2 = _mm256_set_m128(v[6], v[2]);
    __m256 r3 = _mm256_set_m128(v[7], v[3]);
    transpose4x4Halves(r0, r1, r2, r3);
    _mm256_storeu_ps(to[0], r0);
    _mm256_storeu_ps(to[1], r1);
    _mm256_storeu_ps(to[2], r2);
    _mm256_storeu_ps(to[3], r3);
}

// Eight consecutive noise values of each lane, sample-major: x[k] holds
// sample k of the four lanes.
KELVANTI_AVX2 inline void loadNoise(const float* table, const int* start, __m128 (&x)[kStep]) {
    __m256 r0 = _mm256_loadu_ps(table + start[0]);
    __m256 r1 = _mm256_loadu_ps(table + start[1]);
    __m256 r2 = _mm256_loadu_ps(table + start[2]);
    __m256 r3 = _mm256_loadu_ps(table + start[3]);
    transpose4x4Halves(r0, r1, r2, r3);
    x[0] = _mm256_castps256_ps128(r0);
    x[1] = _mm256_castps256_ps128(r1);
    x[2] = _mm256_castps256_ps128(r2);
    x[3] = _mm256_castps256_ps128(r3);
    x[4] = _mm256_extractf128_ps(r0, 1);
    x[5] = _mm256_extractf128_ps(r1, 1);
    x[6] = _mm256_extractf128_ps(r2, 1);
    x[7] = _mm256_extractf128_ps(r3, 1);
}

} // namespace

KELVANTI_AVX2 void addInOrderAvx2(float* out, const float* const* sources, int count, int n) {
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256 a = _mm256_loadu_ps(out + i), b = _mm256_loadu_ps(out + i + 8);
        __m256 c = _mm256_loadu_ps(out + i + 16), d = _mm256_loadu_ps(out + i + 24);
        for (int s = 0; s < count; ++s) {
            const float* x = sources[s] + i;
            a = _mm256_add_ps(a, _mm256_loadu_ps(x));
            b = _mm256_add_ps(b, _mm256_loadu_ps(x + 8));
            c = _mm256_add_ps(c, _mm256_loadu_ps(x + 16));
            d = _mm256_add_ps(d, _mm256_loadu_ps(x + 24));
        }
        _mm256_storeu_ps(out + i, a);
        _mm256_storeu_ps(out + i + 8, b);
        _mm256_storeu_ps(out + i + 16, c);
        _mm256_storeu_ps(out + i + 24, d);
    }
    for (; i + 8 <= n; i += 8) {
        __m256 a = _mm256_loadu_ps(out + i);
        for (int s = 0; s < count; ++s) a = _mm256_add_ps(a, _mm256_loadu_ps(sources[s] + i));
        _mm256_storeu_ps(out + i, a);
    }
    for (; i < n; ++i) {
        float sum = out[i];
        for (int s = 0; s < count; ++s) sum += sources[s][i];
        out[i] = sum;
    }
}

KELVANTI_AVX2 void toneLanesAvx2(ToneLaneGroup& g, int steps) {
    if (steps > kMaxLaneSteps) steps = kMaxLaneSteps;
    const float* bank = g.bank;
    const __m128i tableA = _mm_load_si128(reinterpret_cast<const __m128i*>(g.tableA));
    const __m128i tableB = _mm_load_si128(reinterpret_cast<const __m128i*>(g.tableB));
    const __m128i tableC = _mm_load_si128(reinterpret_cast<const __m128i*>(g.tableC));
    const __m256 balance = inPairOrder(_mm_load_ps(g.balance));
    const __m256 rest = inPairOrder(_mm_load_ps(g.rest));
    const __m128 noiseA = _mm_load_ps(g.noiseA);
    const __m128 noiseKeep = _mm_load_ps(g.noiseKeep);
    const __m128i laneSteps = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.steps));
    __m256d phaseA = _mm256_load_pd(g.phaseA);
    __m256d phaseB = _mm256_load_pd(g.phaseB);
    __m128 y = _mm_load_ps(g.noiseState);
    for (int s = 0; s < steps; ++s) {
        // Lanes past their last step keep their state.
        const __m128i live = _mm_cmpgt_epi32(laneSteps, _mm_set1_epi32(s));
        float* oscTo[kToneLanes];
        float* noiseTo[kToneLanes];
        for (int l = 0; l < kToneLanes; ++l) {
            const bool on = s < g.steps[l];
            oscTo[l] = on ? g.oscOut[l] + s * kStep : g.sink;
            noiseTo[l] = on ? g.noiseOut[l] + s * kStep : g.sink;
        }

        // Two samples at a time: first the modulator over the step, giving
        // the carrier's phase steps, then the carrier. Each phase sum stays
        // sample by sample.
        const __m256d incrementA = _mm256_load_pd(g.incrementA[s]);
        const __m256d incrementB = _mm256_load_pd(g.incrementB[s]);
        const __m256 index = inPairOrder(_mm_load_ps(g.index[s]));
        __m256d a = wrapPhases(phaseA);
        __m256d step[kStep];
#pragma GCC unroll 4
        for (int k = 0; k < kStep / 2; ++k) {
            const Positions a0 = positionsOf(a);
            a = _mm256_add_pd(a, incrementA);
            const Positions a1 = positionsOf(a);
            a = _mm256_add_pd(a, incrementA);
            const __m256 m = _mm256_mul_ps(lerpPair(weighedPairs(bank, tableA, a0, weightsOf(a0)),
                                                    weighedPairs(bank, tableA, a1, weightsOf(a1))),
                                           index);
            const __m256 bend = sampleMajor(_mm256_add_ps(_mm256_set1_ps(1.0f), m));
            step[2 * k] = _mm256_mul_pd(incrementB, _mm256_cvtps_pd(_mm256_castps256_ps128(bend)));
            step[2 * k + 1] = _mm256_mul_pd(incrementB, _mm256_cvtps_pd(_mm256_extractf128_ps(bend, 1)));
        }
        const __m256 gain = inPairOrder(_mm_load_ps(g.gain[s]));
        __m256d b = wrapPhases(phaseB);
        __m256 oscPairs[kStep / 2];
#pragma GCC unroll 4
        for (int k = 0; k < kStep / 2; ++k) {
            const Positions b0 = positionsOf(b);
            b = _mm256_add_pd(b, step[2 * k]);
            const Positions b1 = positionsOf(b);
            b = _mm256_add_pd(b, step[2 * k + 1]);
            const __m256 w0 = weightsOf(b0), w1 = weightsOf(b1);
            const __m256 fromB = lerpPair(weighedPairs(bank, tableB, b0, w0), weighedPairs(bank, tableB, b1, w1));
            const __m256 fromC = lerpPair(weighedPairs(bank, tableC, b0, w0), weighedPairs(bank, tableC, b1, w1));
            const __m256 v = _mm256_add_ps(_mm256_mul_ps(fromB, balance), _mm256_mul_ps(rest, fromC));
            oscPairs[k] = _mm256_mul_ps(v, gain);
        }
        storePairs(oscPairs, oscTo);

        // Noise: the one-pole filter over each lane's run of the table.
        __m128 x[kStep];
        loadNoise(g.noiseTable, g.noiseStart[s], x);
        const __m128 level = _mm_load_ps(g.noiseLevel[s]);
        __m128 ny = y;
        __m128 out[kStep];
#pragma GCC unroll 8
        for (int k = 0; k < kStep; ++k) {
            ny = _mm_add_ps(_mm_mul_ps(x[k], noiseA), _mm_mul_ps(ny, noiseKeep));
            out[k] = _mm_mul_ps(ny, level);
        }
        storeLanes(out, noiseTo);

        const __m256d liveD = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(live));
        phaseA = _mm256_blendv_pd(phaseA, a, liveD);
        phaseB = _mm256_blendv_pd(phaseB, b, liveD);
        y = _mm_blendv_ps(y, ny, _mm_castsi128_ps(live));
    }
    _mm256_store_pd(g.phaseA, phaseA);
    _mm256_store_pd(g.phaseB, phaseB);
    _mm_store_ps(g.noiseState, y);
}

} // namespace dsp

#endif
