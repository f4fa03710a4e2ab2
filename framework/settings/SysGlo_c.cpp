#include "framework/settings/SysGlo_c.h"

SysGlo_c::SysGlo_c(std::string_view engineName) : SysGloBase_c(engineName, "SysGlo") {}

void SysGlo_c::defineParameters(ParaSet_c*& sharedSet, int /*rows*/) { defineSharedParameters(sharedSet); }

void SysGlo_c::defineSharedParameters(ParaSet_c*& sharedSet) {
    if (adoptSet(sharedSet, 1, kColumnCount)) {
        ParaSet_c& s = *set();
        s.setHeaderValue(0);
        s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
        s.columnDefinition(kKnobMovement)->defineOptions("Cir/Lin Knob Movement", "", 0, 1, 8, 1, "Circular Linear ");
        s.columnDefinition(kNoteDisplayType)->defineSwitch("NoteDisplayType", 0);
        s.columnDefinition(kPadVelocity)->defineSwitch("Pad Velocity", 1);
        s.columnDefinition(kPanMode)->defineOptions("PanMode", "", 0, 1, 5, 1, "EqVolEqPow");
        s.columnDefinition(kJumpToSaveDir)->defineSwitch("Jump To Save Dir", 1);
        s.columnDefinition(kFontColor)->defineOptions("Font Color", "", 0, 2, 8, 0, "Red     LightRedWhite   ");
        s.columnDefinition(kDefaultPresetPath)->defineText("Default Preset Path", true, true, "");
        s.columnDefinition(kFormerMcfact)->defineNumber("Former MCFACT stuff", "", 0.0f, 0, 9, 0, 0);
        s.columnDefinition(kDataPath)->defineText("Data Path", true, true, "");
        s.columnDefinition(kVersionText)->defineText("Version string to display", false, false, "");
        s.copyRowZeroToAll();
    }
    if (!isLoaded())
        load();
}
