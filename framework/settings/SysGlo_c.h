#pragma once
// The system settings 'SYPS': the user's preferences for this machine
// (knob movement, note display, pad velocity, pan law, folders, the editor's
// font colour, the version text), kept in the registry value
// <engine name>"SysGlo". Not part of the bank chunk.
#include "framework/settings/SysGloBase_c.h"

class SysGlo_c : public SysGloBase_c {
public:
    enum Column {
        kVersion = 0, kKnobMovement, kNoteDisplayType, kPadVelocity, kPanMode, kJumpToSaveDir,
        kFontColor, kDefaultPresetPath, kFormerMcfact, kDataPath, kVersionText,
        kColumnCount
    };

    explicit SysGlo_c(std::string_view engineName);

    SetTypeId getTypeId() const override { return makeSetTypeId("SYPS"); }
    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    // Creates or attaches the one-row set, then loads it when not loaded yet.
    void defineSharedParameters(ParaSet_c*& sharedSet) override;

protected:
    // The version text is the running plug-in's, set at every open: not a
    // setting of the user's, so setting it writes nothing.
    bool isStoredColumn(int column) const override { return column != kVersionText; }
};
