#include "engine/instrument/ZendrixGlo_c.h"

void ZendrixGlo_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kPrgName)->defineText("PrgName", false, false, "");
    s.columnDefinition(kMainVolume)->defineLevelDb("Main Vol.", -24, 9, 0, true);
    s.columnDefinition(kPresetSavePath)->defineText("Preset Save Path", true, false, "");
    s.columnDefinition(kPresetLoadPath)->defineText("Preset Load Path", true, false, "");
    s.columnDefinition(kOscBalance)->defineNumber("Osc Bal", "", 0.0f, 0, 100, 2, 50);
    s.columnDefinition(kVelAttack)->defineNumber("Vel->Attack", "%", 0.0f, 0, 100, 2, 20);
    s.columnDefinition(kExactness)->defineNumber("Exactness", "%", 0.0f, 90, 100, 2, 100);
    s.columnDefinition(kExactnessOn)->defineSwitch("Exactness On/Off", 1);
    s.columnDefinition(kWaveform)->defineNumber("Waveform", "", 0.0f, 0, 2, 0, 0);
    s.copyRowZeroToAll();
}
