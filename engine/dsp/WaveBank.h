#pragma once
// The twelve built-in single-cycle waves of 1024 floats each, shared by every
// oscillator of the process. Built and DC-cleaned on first use (thread-safe);
// read-only afterwards, so any thread may read them; never freed.

namespace dsp {

constexpr int kWaveLength = 1024;
constexpr int kWaveMask = kWaveLength - 1;
constexpr int kWaveCount = 12;

enum WaveIndex {
    kWaveSine = 0,
    kWaveTriangle = 1,
    kWaveSaw = 2,
    kWaveSquare = 3,
    kWavePulse50 = 4,
    kWavePulse25 = 5,
    kWavePulse12 = 6,
    kWavePulse06 = 7,
    kWaveDefSine = 8,
    kWaveShSine = 9,
    kWaveHilSine = 10,
    kWaveStairs = 11,
};

// Fills kWaveCount × kWaveLength samples, table j at j × kWaveLength, as
// drawn, before cleaning.
void buildRawWaves(float* bank);

// The cleaned process-wide bank (kWaveCount × kWaveLength samples).
const float* waveBank();

// Start of table `index`, clamped to 0..11 (stored selections may be out of range).
const float* waveTable(int index);

// Each bank table again, followed by its first samples: an interpolation
// reads a sample and its neighbour with one load, even at the table's end.
// Built with the bank.
constexpr int kWrappedStride = kWaveLength + 8;
// The wrapped copy of a table of the bank, or null for any other pointer.
const float* wrappedWaveTable(const float* table);
// The first of the wrapped copies (kWaveCount of them, kWrappedStride apart).
const float* wrappedWaveBank();

// Table choice of the oscillator's sources A, B, C for the instrument's
// "Waveform" setting (clamped to 0..2).
struct WaveSelection {
    int a, b, c;
};
WaveSelection wavesForWaveform(int waveform);

} // namespace dsp
