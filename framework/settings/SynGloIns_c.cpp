#include "framework/settings/SynGloIns_c.h"

#include "framework/settings/SynGlo_c.h"

#include <algorithm>
#include <cstdio>

namespace {
// Texts older presets stored for the "Choke" column.
const char* const kChokeLegacyOptions[] = {"0  X  P  N  1  2  3  4  5xx6xx7xx8xx9xx", nullptr};
} // namespace

SynGloIns_c::SynGloIns_c(int programs, int stereoPairs, int monoOutputs)
    : programs_(std::max(programs, 1)), stereoPairs_(std::max(stereoPairs, 0)),
      monoOutputs_(std::max(monoOutputs, 0)) {
    buildOutputNames();
}

void SynGloIns_c::buildOutputNames() {
    outputNames_.clear();
    char entry[16];
    // Two digits per number: beyond 99 outputs an entry would not keep its width.
    for (int j = 1; j <= stereoPairs_ && j <= 99; ++j) {
        std::snprintf(entry, sizeof entry, "S%02d", j);
        outputNames_ += entry;
    }
    for (int k = 1; k <= monoOutputs_ && k <= 99; ++k) {
        std::snprintf(entry, sizeof entry, "M%02d", k);
        outputNames_ += entry;
    }
}

void SynGloIns_c::defineSharedParameters(ParaSet_c*& sharedSet) { defineParameters(sharedSet, 1); }

void SynGloIns_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, std::max(rows, 1), kColumnCount))
        return;
    defineColumns();
    set()->copyRowZeroToAll();
}

void SynGloIns_c::defineColumns() {
    ParaSet_c& s = *set();
    const int outputs = std::max(stereoPairs_ + monoOutputs_, 1);
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kProgram)->defineNumber("Program", "", 0.0f, 0, programs_ - 1, 0, 0);
    s.columnDefinition(kUnused)->defineSwitch("Unused", 1);
    s.columnDefinition(kUnusedOutput)->defineNumber("unused ", "", 0.0f, 0, outputs - 1, 0, 0);
    s.columnDefinition(kMute)->defineSwitch("Mute", 0);
    s.columnDefinition(kSolo)->defineSwitch("Solo", 0);
    s.columnDefinition(kNotesOn)->defineNumber("NotesOn", "", 0.0f, 0, 8, 0, 0);
    s.columnDefinition(kNotesOn)->markRunningState();
    s.columnDefinition(kChoke)->defineOptions("Choke", "", 0, 12, 3, 0,
                                              " - me prvnxt 1  2  3  4  5  6  7  8  9 ", kChokeLegacyOptions);
    s.columnDefinition(kChannel)->defineMidiChannel("InsChIdx", 0, 16, 16);
    s.columnDefinition(kUnnamedNumber)->defineNumber("", "", 0.0f, -99999999, 99999999, 0, 0);
    s.columnDefinition(kEdited)->defineSwitch("Edited", 0);
    s.columnDefinition(kLegato)->defineSwitch("Legato", 0);
    s.columnDefinition(kPitchBendUp)->defineNumber("Pitch Bend Up Amount", "semitones", 0.0f, 0, 24, 0, 2);
    s.columnDefinition(kUnusedText)->defineText("Unused", false, false, "");
    s.columnDefinition(kPresetLoadPath)->defineText("Preset Load Path", false, false, "");
    s.columnDefinition(kPresetSavePath)->defineText("Preset Save Path", false, false, "");
    s.columnDefinition(kGlobalDisplay)->defineText("Global Display", false, false, "");
    s.columnDefinition(kTrigger)->defineNote("Trigger", 0, 127, 0, 36);
    s.columnDefinition(kBank)->defineNumber("Bank", "", 0.0f, 0, 127, 0, 0);
    s.columnDefinition(kNoteLo)->defineNote("Note Lo", 0, 127, 0, 0);
    // The highest accepted key gets its own name, so its texts are not
    // confused with "Note Lo" when matched by name.
    s.columnDefinition(kNoteHi)->defineNote("Note Hi", 0, 127, 0, 127);
    s.columnDefinition(kVeloLo)->defineNumber("Velo Lo", "", 0.0f, 1, 127, 0, 1);
    s.columnDefinition(kVeloHi)->defineNumber("Velo Hi", "", 0.0f, 1, 127, 0, 127);
    s.columnDefinition(kNoteFade)->defineNumber("Note Fade", "", 0.0f, -24, 24, 0, 0);
    s.columnDefinition(kVeloFade)->defineNumber("Velo Fade", "", 0.0f, -127, 127, 0, 0);
    s.columnDefinition(kPitchBendDown)->defineOptions("Pitch Bend Down Amount", "semitones", -1, 24, 4, -1,
                                                      SynGlo_c::pitchBendDownOptions().c_str());
    s.columnDefinition(kReceiveModWheel)->defineSwitch("Receive Mod Wheel", 1);
    s.columnDefinition(kReceivePitchwheel)->defineSwitch("Receive Pitchwheel", 1);
    s.columnDefinition(kReceiveAftertouch)->defineSwitch("Receive Aftertouch", 1);
    s.columnDefinition(kReceiveSustain)->defineSwitch("Receive SustainPed", 1);
    s.columnDefinition(kMasterVol)->defineLevelDb("Master Vol", -24, 6, 0, true);
    s.columnDefinition(kOutputSelection)
        ->defineOptions("Output Selection", "", 0, outputs - 1, 3, 0, outputNames_.c_str());
}
