#pragma once
// The per-instrument settings saved with the host's project: the set 'SYG1',
// one row per instrument. Threads: as any part (Part_c.h).
#include "framework/model/Part_c.h"

#include <string>

class SynGloIns_c : public Part_c {
public:
    enum Column {
        kVersion = 0, kProgram, kUnused, kUnusedOutput, kMute, kSolo, kNotesOn, kChoke, kChannel,
        kUnnamedNumber, kEdited, kLegato, kPitchBendUp, kUnusedText, kPresetLoadPath,
        kPresetSavePath, kGlobalDisplay, kTrigger, kBank, kNoteLo, kNoteHi, kVeloLo, kVeloHi,
        kNoteFade, kVeloFade, kPitchBendDown, kReceiveModWheel, kReceivePitchwheel,
        kReceiveAftertouch, kReceiveSustain, kMasterVol, kOutputSelection,
        kColumnCount
    };

    SynGloIns_c(int programs, int stereoPairs, int monoOutputs);

    // One row per instrument.
    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    void defineSharedParameters(ParaSet_c*& sharedSet) override; // one row
    SetTypeId getTypeId() const override { return makeSetTypeId("SYG1"); }

    // "S01".."Snn" for the stereo pairs, then "M01".."Mnn" for the mono outputs.
    const std::string& outputNames() const { return outputNames_; }

private:
    void buildOutputNames();
    void defineColumns();

    int programs_;
    int stereoPairs_;
    int monoOutputs_;
    std::string outputNames_;
};
