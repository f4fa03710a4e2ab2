#pragma once
// The instrument-global settings every voice reads ('SYG2'): volume, the
// oscillator/noise balance, the exactness randomisation and the waveform set.
// Column 0 has no definition and reads as 0.
#include "framework/model/Part_c.h"

class ZendrixGlo_c : public Part_c {
public:
    enum Column {
        kPrgName = 1, kMainVolume, kPresetSavePath, kPresetLoadPath, kOscBalance, kVelAttack, kExactness,
        kExactnessOn, kWaveform, kColumns
    };

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("SYG2"); }
};
