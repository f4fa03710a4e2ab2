#include "engine/instrument/WaveROM_c.h"

#include "engine/dsp/WaveBank.h"

namespace {
const char kWaveNames[] = " Sine TriangSawtooSquarePuls50Puls25Puls12Puls06DefSinShSin HilSinStairs";
const char kMultiples[] = "1/41/2 1  2  3  4  5  6  7  8 ";
} // namespace

WaveROM_c::WaveROM_c() { dsp::waveBank(); }

void WaveROM_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 300);
    s.columnDefinition(kWave1)->defineOptions("Wave 1", "", 0, 11, 6, 0, kWaveNames);
    s.columnDefinition(kUnused2)->defineOptions("Unused", "", 0, 9, 3, 2, kMultiples);
    s.columnDefinition(kUnused3)->defineOptions("Unused", "", 0, 11, 6, 0, kWaveNames);
    s.columnDefinition(kUnused4)->defineOptions("Unused", "", 0, 9, 3, 2, kMultiples);
    s.columnDefinition(kUnused5)->defineNumber("Unused", "", 0.0f, 0, 100, 0, 50);
    s.copyRowZeroToAll();
}

void WaveROM_c::parameterChanged(int row, int /*column*/) {
    if (getRowParameters(row, 0))
        selectWave(row, getValue(row, kWave1));
}

void WaveROM_c::selectWave(int row, int wave) {
    if (row >= 0 && row < kMaxRows)
        tables_[row].store(dsp::waveTable(wave), std::memory_order_release);
}

const float* WaveROM_c::getTable(int row) const {
    return row >= 0 && row < kMaxRows ? tables_[row].load(std::memory_order_acquire) : nullptr;
}
