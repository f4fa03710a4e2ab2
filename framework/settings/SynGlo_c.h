#pragma once
// The plug-in-wide settings saved with the host's project: the one-row set
// 'SYG0'. The plug-in base and the instrument read and write its columns by
// index; the bank chunk saves it. Threads: as any part (Part_c.h).
#include "framework/model/Part_c.h"

#include <string>

class SynGlo_c : public Part_c {
public:
    enum Column {
        kVersion = 0, kEditIns, kUndoRedo, kGloTune, kCcAssignActive, kPresetMarker, kCpuLoad,
        kSrFactor, kVelCurve, kAutomatik1, kKeyboard, kStereoOuts, kMonoOuts, kQvInsMpd,
        kKnobMode, kUnnamedSwitch, kGenerationRange, kEcsSavePath, kEcsLoadPath, kVersionText,
        kSystemErrorCode, kSynthEdited, kChoke, kSampleDisplay, kKitNameDisplay, kEditPage,
        kProgram, kBank, kMasterVol, kMultiSave, kMultiLoad, kPitchBendUp, kPitchBendDown,
        kMidiCcMode,
        kColumnCount
    };

    // outputs: stereo pairs + mono outputs.
    explicit SynGlo_c(int outputs);

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    void defineSharedParameters(ParaSet_c*& sharedSet) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("SYG0"); }

    // "link" then "0" to "24", each padded to 4 bytes: the pitch-bend-down
    // options of this set and of the instrument settings.
    static std::string pitchBendDownOptions();

private:
    int outputs_;
};
