#include "engine/dsp/WaveBank.h"

#include "engine/dsp/WaveTools.h"

#include <cmath>

namespace dsp {

namespace {

float* table(float* bank, int j) { return bank + j * kWaveLength; }

// Pulse: +1 for the first `width` of the 2-unit cycle, else `low`.
float pulse(float position, float width, float low) { return position < width ? 1.0f : low; }

struct CleanBank {
    float samples[kWaveCount * kWaveLength];
    float wrapped[kWaveCount * kWrappedStride];
    CleanBank() {
        buildRawWaves(samples);
        for (int j = 0; j < kWaveCount; ++j) sumAndRemoveDc(table(samples, j), kWaveLength);
        for (int j = 0; j < kWaveCount; ++j) {
            const float* from = table(samples, j);
            float* to = wrapped + j * kWrappedStride;
            for (int i = 0; i < kWaveLength; ++i) to[i] = from[i];
            for (int i = kWaveLength; i < kWrappedStride; ++i) to[i] = from[i - kWaveLength];
        }
    }
};

const CleanBank& cleanBank() {
    static const CleanBank bank; // built once, thread-safely, on first use
    return bank;
}

} // namespace

void buildRawWaves(float* bank) {
    const double w = 6.283185307179586 / 1024;
    for (int i = 0; i < kWaveLength; ++i) {
        const double x = i / 511.5;
        const double s = std::sin(i * w);
        const double s2 = std::sin(2 * i * w);
        // The cycle position of the square and pulses is compared after rounding to float.
        const float cycle = static_cast<float>(std::fmod(x, 2.0));

        table(bank, kWaveSine)[i] = static_cast<float>(s);

        const float r = static_cast<float>(std::fmod(i / 255.75, 4.0));
        const float d = 2.0f - r;
        table(bank, kWaveTriangle)[i] = d > 1.0f ? 2.0f - d : d < -1.0f ? -2.0f - d : d;

        const float saw = static_cast<float>(std::fmod(1000.0 - x, 2.0)) - 1.0f;
        table(bank, kWaveSaw)[i] = saw;

        table(bank, kWaveSquare)[i] = cycle < 1.0f ? 1.0f : -1.0f;
        table(bank, kWavePulse50)[i] = pulse(cycle, 0.5f, static_cast<float>(-1.0 / 3.0));
        table(bank, kWavePulse25)[i] = pulse(cycle, 0.25f, static_cast<float>(-1.0 / 7.0));
        table(bank, kWavePulse12)[i] = pulse(cycle, 0.125f, static_cast<float>(-1.0 / 15.0));
        table(bank, kWavePulse06)[i] = pulse(cycle, 0.0625f, static_cast<float>(-1.0 / 31.0));

        const double s5 = std::pow(std::fabs(s), 5.0);
        table(bank, kWaveDefSine)[i] = static_cast<float>(s < 0.0 ? -s5 : s5);

        table(bank, kWaveShSine)[i] = i <= 511 ? static_cast<float>(s2) : 0.0f;

        const float magnitude = static_cast<float>(std::fabs(s2));
        table(bank, kWaveHilSine)[i] = i <= 511 ? static_cast<float>(1.5 * magnitude - 0.5) : -0.5f;

        table(bank, kWaveStairs)[i] = static_cast<float>(std::trunc(saw * 7.0) / 7.0);
    }
}

const float* waveBank() { return cleanBank().samples; }

const float* wrappedWaveTable(const float* table) {
    const CleanBank& bank = cleanBank();
    for (int j = 0; j < kWaveCount; ++j)
        if (table == bank.samples + j * kWaveLength) return bank.wrapped + j * kWrappedStride;
    return nullptr;
}

const float* wrappedWaveBank() { return cleanBank().wrapped; }

const float* waveTable(int index) {
    if (index < 0) index = 0;
    if (index >= kWaveCount) index = kWaveCount - 1;
    return waveBank() + index * kWaveLength;
}

WaveSelection wavesForWaveform(int waveform) {
    static const WaveSelection choices[3] = {
        {kWaveSine, kWaveDefSine, kWaveShSine},
        {kWaveSine, kWaveSine, kWaveTriangle},
        {kWaveSaw, kWaveHilSine, kWaveSquare},
    };
    if (waveform < 0) waveform = 0;
    if (waveform > 2) waveform = 2;
    return choices[waveform];
}

} // namespace dsp
