#include "engine/dsp/ToneLanes.h"

#include "engine/dsp/KernelLevel.h"
#include "engine/dsp/WaveBank.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp {

namespace {

constexpr int kStep = ControlClock::kSamplesPerStep;

// -0 is the one value whose sum with any x is x itself (also for x = -0),
// so the generators' additions into these arrays give their samples exactly.
void fillNegativeZero(float* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = -0.0f;
}

// Samples start .. start + n - 1 of voice v alone; `step` is the control
// value of the first step that begins in them.
void renderAlone(const ToneLaneVoice& v, int start, int n, int step) {
    if (n <= 0) return;
    fillNegativeZero(v.oscOut + start, n);
    fillNegativeZero(v.noiseOut + start, n);
    v.osc->render(v.oscOut + start, n, v.timbre + step, v.oscAmplitude + step, v.pitch + step);
    v.noise->render(v.noiseOut + start, n, v.noiseAmplitude + step);
}

// Samples up to the next step start (0 at a step start), at most n.
int samplesBeforeStep(const ControlClock& clock, int n) {
    const int head = (kStep - clock.phase()) % kStep;
    return head < n ? head : n;
}

bool canUseLanes(const ToneLaneVoice& v) {
    return v.osc->hasWrappedTables() && v.osc->clock().phase() == v.noise->clock().phase();
}

// Lane `l` idle from step `from` on: nothing moves, nothing is read outside the tables.
void idleSteps(ToneLaneGroup& g, int l, int from) {
    for (int s = from; s < kMaxLaneSteps; ++s) {
        g.incrementA[s][l] = 0.0;
        g.incrementB[s][l] = 0.0;
        g.index[s][l] = 0.0f;
        g.gain[s][l] = 0.0f;
        g.noiseLevel[s][l] = 0.0f;
        g.noiseStart[s][l] = 0;
    }
}

void idleLane(ToneLaneGroup& g, int l) {
    idleSteps(g, l, 0);
    g.phaseA[l] = g.phaseB[l] = 0.0;
    g.tableA[l] = g.tableB[l] = g.tableC[l] = 0;
    g.balance[l] = g.rest[l] = 0.0f;
    g.noiseA[l] = g.noiseKeep[l] = g.noiseState[l] = 0.0f;
    g.steps[l] = 0;
    g.oscOut[l] = g.noiseOut[l] = g.sink;
}

// Column `l` of the group from voice v's generators at a step start.
void fillLane(ToneLaneGroup& g, int l, const ToneLaneVoice& v, int steps, int head) {
    FmOscillator& osc = *v.osc;
    ColouredNoise& noise = *v.noise;
    osc.planSteps(v.timbre, v.oscAmplitude, v.pitch, steps, kToneLanes, &g.index[0][l], &g.gain[0][l],
                  &g.incrementA[0][l], &g.incrementB[0][l]);
    noise.planSteps(v.noiseAmplitude, steps, kToneLanes, &g.noiseStart[0][l], &g.noiseLevel[0][l]);
    idleSteps(g, l, steps);
    g.phaseA[l] = osc.phaseA();
    g.phaseB[l] = osc.phaseB();
    g.tableA[l] = static_cast<int>(osc.wrappedA() - g.bank);
    g.tableB[l] = static_cast<int>(osc.wrappedB() - g.bank);
    g.tableC[l] = static_cast<int>(osc.wrappedC() - g.bank);
    g.balance[l] = osc.balance();
    g.rest[l] = 1.0f - osc.balance();
    g.noiseA[l] = noise.coefficient();
    g.noiseKeep[l] = noise.keep();
    g.noiseState[l] = noise.state();
    g.steps[l] = steps;
    g.oscOut[l] = v.oscOut + head;
    g.noiseOut[l] = v.noiseOut + head;
}

} // namespace

void renderToneLanes(const ToneLaneVoice* voices, int count, int n, ToneLaneGroup& g, bool wide) {
    if (count <= 0 || n <= 0) return;
    if (count > kToneLanes) count = kToneLanes;
    if (n > kMaxLaneSamples) n = kMaxLaneSamples;
#if defined(__x86_64__) || defined(__i386__)
    // Which voices take a lane: those with whole steps in this slice.
    int laneVoice[kToneLanes];
    int lanes = 0;
    if (wide) {
        for (int i = 0; i < count; ++i) {
            const ToneLaneVoice& v = voices[i];
            const int head = samplesBeforeStep(v.osc->clock(), n);
            if (canUseLanes(v) && (n - head) / kStep > 0) laneVoice[lanes++] = i;
        }
    }
    // A lane group costs about as much with one voice as with four: below
    // three voices, rendering each alone is as fast.
    if (lanes < kFewestLanes) lanes = 0;
    if (lanes > 0) {
        g.bank = wrappedWaveBank();
        g.noiseTable = voices[laneVoice[0]].noise->table();
        int most = 0;
        for (int l = 0; l < lanes; ++l) {
            const ToneLaneVoice& v = voices[laneVoice[l]];
            const int head = samplesBeforeStep(v.osc->clock(), n);
            renderAlone(v, 0, head, 0);
            const int steps = (n - head) / kStep;
            fillLane(g, l, v, steps, head);
            most = steps > most ? steps : most;
        }
        for (int l = lanes; l < kToneLanes; ++l) idleLane(g, l);
        toneLanesAvx2(g, most);
        for (int l = 0; l < lanes; ++l) {
            const ToneLaneVoice& v = voices[laneVoice[l]];
            const int steps = g.steps[l];
            v.osc->setPhases(g.phaseA[l], g.phaseB[l]);
            v.osc->finishSteps(steps);
            v.noise->finishSteps(steps, g.noiseState[l]);
            // The last partial step alone: it begins at a step start.
            const int done = static_cast<int>(g.oscOut[l] - v.oscOut) + steps * kStep;
            renderAlone(v, done, n - done, steps);
        }
    }
#else
    const int lanes = 0;
    const int laneVoice[1] = {-1};
    (void)wide;
#endif
    int next = 0;
    for (int i = 0; i < count; ++i) {
        const ToneLaneVoice& v = voices[i];
        if (next < lanes && laneVoice[next] == i) {
            ++next;
            continue;
        }
        renderAlone(v, 0, n, 0);
    }
}

void addInOrder(float* out, const float* const* sources, int count, int n) {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelLevel() == KernelLevel::kAvx2) {
        addInOrderAvx2(out, sources, count, n);
        return;
    }
#endif
    int i = 0;
#if defined(__SSE2__)
    // Sixteen samples at a time; each still takes the sources one by one.
    for (; i + 16 <= n; i += 16) {
        __m128 a = _mm_loadu_ps(out + i), b = _mm_loadu_ps(out + i + 4);
        __m128 c = _mm_loadu_ps(out + i + 8), d = _mm_loadu_ps(out + i + 12);
        for (int s = 0; s < count; ++s) {
            const float* x = sources[s] + i;
            a = _mm_add_ps(a, _mm_loadu_ps(x));
            b = _mm_add_ps(b, _mm_loadu_ps(x + 4));
            c = _mm_add_ps(c, _mm_loadu_ps(x + 8));
            d = _mm_add_ps(d, _mm_loadu_ps(x + 12));
        }
        _mm_storeu_ps(out + i, a);
        _mm_storeu_ps(out + i + 4, b);
        _mm_storeu_ps(out + i + 8, c);
        _mm_storeu_ps(out + i + 12, d);
    }
#endif
    for (; i < n; ++i) {
        float sum = out[i];
        for (int s = 0; s < count; ++s) sum += sources[s][i];
        out[i] = sum;
    }
}

} // namespace dsp
