#pragma once
// The voice's control-rate loop: advances its envelopes' outputs by a number
// of control steps, hands each step's levels to `writeStep(step)`, and calls
// `stageEnd(i)` for envelope i (in index order) whenever its counter falls
// below 1. A counter that stays below 1 after that call becomes "no end" with
// slope 0, so the loop always makes progress. writeStep reads the outputs
// and must not change them. Audio thread only.
#include "engine/dsp/EnvelopeOutputs.h"

namespace dsp {

template <int N, class WriteStep, class StageEnd>
void runControlSteps(EnvelopeOutputs (&env)[N], int steps, WriteStep&& writeStep, StageEnd&& stageEnd) {
    auto settle = [&](int i) {
        if (env[i].counter >= 1) return;
        stageEnd(i);
        if (env[i].counter < 1) {
            env[i].counter = kNoEnd;
            env[i].slope = 0.0f;
        }
    };
    for (int i = 0; i < N; ++i) settle(i);
    int r = 0;
    while (steps > 0) {
        int f = steps;
        for (int i = 0; i < N; ++i)
            if (env[i].counter < f) f = env[i].counter;
        // Levels and slopes in registers through the run (the stores of
        // writeStep could alias them otherwise); each level is still stored
        // before writeStep reads it.
        float level[N], slope[N];
        for (int i = 0; i < N; ++i) {
            level[i] = env[i].level;
            slope[i] = env[i].slope;
        }
        for (int k = 0; k < f; ++k) {
            for (int i = 0; i < N; ++i) {
                level[i] += slope[i];
                env[i].level = level[i];
            }
            writeStep(r++);
        }
        for (int i = 0; i < N; ++i) env[i].counter -= f;
        for (int i = 0; i < N; ++i) settle(i);
        steps -= f;
    }
}

} // namespace dsp
