#include "framework/settings/SynGlo_c.h"

#include <cstdio>

SynGlo_c::SynGlo_c(int outputs) : outputs_(outputs < 0 ? 0 : outputs) {}

std::string SynGlo_c::pitchBendDownOptions() {
    std::string text = "link";
    for (int i = 0; i <= 24; ++i) {
        char entry[8];
        std::snprintf(entry, sizeof entry, "%-4d", i);
        text += entry;
    }
    return text;
}

void SynGlo_c::defineParameters(ParaSet_c*& sharedSet, int /*rows*/) { defineSharedParameters(sharedSet); }

void SynGlo_c::defineSharedParameters(ParaSet_c*& sharedSet) {
    if (!adoptSet(sharedSet, 1, kColumnCount))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kEditIns)->defineNumber("Edit Ins", "", 0.0f, 0, 64, 0, 0);
    s.columnDefinition(kUndoRedo)->defineSwitch("Undo/Redo", 0);
    s.columnDefinition(kGloTune)->defineNumber("Glo Tune", "", 0.0f, 4153, 4662, 1, 4400);
    s.columnDefinition(kCcAssignActive)->defineSwitch("CCAssignActive", 0);
    s.columnDefinition(kPresetMarker)->defineSwitch("Saved or Loaded Presets", 0);
    s.columnDefinition(kCpuLoad)->defineNumber("CPU Load", "%", 0.0f, 0, 1000, 1, 0);
    s.columnDefinition(kSrFactor)->defineNumber("SRFactor", "", 0.0f, 10, 100, 2, 100);
    s.columnDefinition(kVelCurve)->defineNumber("VelCurve", "", 0.0f, 0, 9, 0, 5);
    s.columnDefinition(kAutomatik1)->defineSwitch("Automatik 1", 0);
    s.columnDefinition(kKeyboard)->defineNumber("keyboard", "", 0.0f, 0, 1000000, 0, 0);
    s.columnDefinition(kStereoOuts)->defineNumber("Stereo Outs", "", 0.0f, 0, outputs_, 0, 1);
    s.columnDefinition(kMonoOuts)->defineNumber("Mono Outs", "", 0.0f, 0, outputs_, 0, 0);
    s.columnDefinition(kQvInsMpd)->defineOptions("QV Ins MPD", "", 0, 2, 5, 0, "Pan  LevelTune ");
    s.columnDefinition(kKnobMode)->defineOptions("", "", 0, 2, 8, 0, "Circular Linear KitVers5");
    s.columnDefinition(kUnnamedSwitch)->defineSwitch("", 0);
    s.columnDefinition(kGenerationRange)->defineNumber("Generation Range", "%", 4.0f, 0, 100, 2, 5);
    s.columnDefinition(kEcsSavePath)->defineText("ECS Save Path", false, false, "");
    s.columnDefinition(kEcsLoadPath)->defineText("ECS Load Path", false, false, "");
    s.columnDefinition(kVersionText)->defineText("Version string to display", false, false, "");
    s.columnDefinition(kSystemErrorCode)->defineNumber("System Error Code", "", 0.0f, 0, 65535, 0, 0);
    s.columnDefinition(kSynthEdited)->defineSwitch("SynthEdited", 0);
    s.columnDefinition(kChoke)->defineSwitch("Choke", 1);
    s.columnDefinition(kSampleDisplay)->defineOptions("Sample Display", "", 0, 1, 4, 0, "Off Norm");
    s.columnDefinition(kKitNameDisplay)->defineText("Kit Name Display", true, true, "");
    s.columnDefinition(kEditPage)->defineNumber("Edit Page", "", 0.0f, 0, 99, 0, 0);
    s.columnDefinition(kProgram)->defineNumber("Program", "", 0.0f, 0, 127, 0, 0);
    s.columnDefinition(kBank)->defineNumber("Bank", "", 0.0f, 0, 127, 0, 0);
    s.columnDefinition(kMasterVol)->defineLevelDb("Master Vol", -24, 6, 0, true);
    s.columnDefinition(kMultiSave)->defineText("Multi Save", false, false, "");
    s.columnDefinition(kMultiLoad)->defineText("Multi Load", false, false, "");
    s.columnDefinition(kPitchBendUp)->defineNumber("Pitch Bend Up Amount", "semitones", 0.0f, 0, 24, 0, 2);
    s.columnDefinition(kPitchBendDown)
        ->defineOptions("Pitch Bend Down Amount", "semitones", -1, 24, 4, -1, pitchBendDownOptions().c_str());
    s.columnDefinition(kMidiCcMode)->defineOptions("MIDI CC Mode", "", 0, 1, 12, 1, "receive onlyreceive+send");
    s.copyRowZeroToAll();
}
