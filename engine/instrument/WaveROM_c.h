#pragma once
// Selector of one of the twelve shared wave tables per instrument row
// ('TM00'). The plug-in owns three, the oscillator's sources A, B and C.
// Selection runs on the parameter road; getTable on the audio thread reads
// a pointer written there (tables are process-wide and never freed).
#include "engine/modules/WaveBase_c.h"
#include <atomic>

class WaveROM_c : public WaveBase_c {
public:
    enum Column { kVersion = 0, kWave1 = 1, kUnused2, kUnused3, kUnused4, kUnused5, kColumns };

    // Builds the shared bank on first use in the process.
    WaveROM_c();

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("TM00"); }
    // Any change of the row (whatever the column) re-selects its table.
    void parameterChanged(int row, int column) override;

    // Table `wave` (clamped to 0..11: stored values may be out of range).
    void selectWave(int row, int wave);
    // The row's table, or null before the row was selected.
    const float* getTable(int row) const;

private:
    std::atomic<const float*> tables_[kMaxRows] = {};
};
