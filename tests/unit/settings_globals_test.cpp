// Plug-in-wide and per-instrument settings: layout, defaults and the texts
// stored files and the editor rely on.
#include "framework/settings/SynGlo_c.h"
#include "framework/settings/SynGloIns_c.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string valueText(const Part_c& part, int row, int column) {
    char text[64];
    part.getValueText(row, column, text, sizeof text);
    std::string shown(text);
    shown.erase(shown.find_last_not_of(' ') + 1); // option entries are padded
    return shown;
}
std::string name(const Part_c& part, int column) {
    char text[64];
    part.getName(0, column, text, sizeof text);
    return text;
}
} // namespace

TEST(SettingsGlobals, PluginWideSetShowsItsDefaultsAndRanges) {
    ParaSet_c* shared = nullptr;
    SynGlo_c glo(1);
    glo.defineSharedParameters(shared);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->typeId(), makeSetTypeId("SYG0"));
    EXPECT_EQ(shared->rows(), 1);
    EXPECT_EQ(shared->columns(), 34);

    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kGloTune), "440.0");
    glo.setValue(0, SynGlo_c::kGloTune, 4000);
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kGloTune), 4153);
    glo.setValue(0, SynGlo_c::kGloTune, 5000);
    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kGloTune), "466.2");

    EXPECT_EQ(glo.getValue(0, SynGlo_c::kPitchBendDown), -1);
    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kPitchBendDown), "link");
    glo.setValue(0, SynGlo_c::kPitchBendDown, 0);
    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kPitchBendDown), "0");
    glo.setValue(0, SynGlo_c::kPitchBendDown, 24);
    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kPitchBendDown), "24");

    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kMidiCcMode), "receive+send");
    EXPECT_EQ(valueText(glo, 0, SynGlo_c::kQvInsMpd), "Pan");
    EXPECT_TRUE(glo.getBool(0, SynGlo_c::kChoke));
    EXPECT_EQ(glo.getValue(0, SynGlo_c::kStereoOuts), 1);
    EXPECT_EQ(name(glo, SynGlo_c::kPresetMarker), "Saved or Loaded Presets");
    EXPECT_EQ(name(glo, SynGlo_c::kKnobMode), "");
    EXPECT_EQ(name(glo, SynGlo_c::kMidiCcMode), "MIDI CC Mode");
}

TEST(SettingsGlobals, InstrumentSetHasOneRowPerInstrument) {
    ParaSet_c* shared = nullptr;
    SynGloIns_c ins(128, 1, 0);
    ins.defineParameters(shared, 3);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->typeId(), makeSetTypeId("SYG1"));
    EXPECT_EQ(shared->rows(), 3);
    EXPECT_EQ(shared->columns(), 32);

    EXPECT_EQ(ins.outputNames(), "S01");
    EXPECT_EQ(valueText(ins, 2, SynGloIns_c::kOutputSelection), "S01");
    EXPECT_EQ(valueText(ins, 1, SynGloIns_c::kChannel), "all");
    EXPECT_EQ(ins.getValue(1, SynGloIns_c::kTrigger), 36);
    EXPECT_EQ(ins.getValue(1, SynGloIns_c::kNoteHi), 127);
    EXPECT_EQ(ins.getValue(1, SynGloIns_c::kVeloLo), 1);
    EXPECT_EQ(valueText(ins, 0, SynGloIns_c::kPitchBendDown), "link");
    ins.setValue(0, SynGloIns_c::kProgram, 500);
    EXPECT_EQ(ins.getValue(0, SynGloIns_c::kProgram), 127);
    EXPECT_EQ(ins.getValue(1, SynGloIns_c::kProgram), 0); // rows are independent

    // The "Choke" texts, new and from older presets.
    EXPECT_EQ(ins.findOption(0, SynGloIns_c::kChoke, "prv"), 2);
    ins.setText(0, SynGloIns_c::kChoke, "nxt");
    EXPECT_EQ(ins.getValue(0, SynGloIns_c::kChoke), 3);
    ins.setText(0, SynGloIns_c::kChoke, "P");
    EXPECT_EQ(ins.getValue(0, SynGloIns_c::kChoke), 2);

    SynGloIns_c many(128, 2, 3);
    EXPECT_EQ(many.outputNames(), "S01S02M01M02M03");
}
