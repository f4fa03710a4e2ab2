// System settings: kept in the registry value "ZendrixSysGlo" as the hex
// text of the set chunk, read by every instance of the process.
#include "framework/platform/Registry.h"
#include "framework/settings/RegistrySet.h"
#include "framework/settings/SysGlo_c.h"
#include "os/Registry.h"
#include "tests/unit/support/OsScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

// The default row, byte for byte: the stored form every build reads and
// writes (type 'SYPS', 100 bytes, header 0, then the 11 columns; option
// columns store their padded entry text).
const char kDefaultRowHex[] =
    "53505953" "64000000" "00000000"         // type, length, header
    "C8000000"                               // Version 2.00
    "0C000000" "204C696E65617220" "00000000" // " Linear "
    "00000000"                               // NoteDisplayType
    "01000000"                               // Pad Velocity
    "08000000" "4571506F77000000"            // "EqPow"
    "01000000"                               // Jump To Save Dir
    "0C000000" "5265642020202020" "00000000" // "Red     "
    "04000000" "00000000"                    // Default Preset Path
    "00000000"                               // Former MCFACT stuff
    "04000000" "00000000"                    // Data Path
    "04000000" "00000000";                   // Version string to display

class SystemSettings : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KELVANTI_REGISTRY_DIR", scratch.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KELVANTI_REGISTRY_DIR"); }

    // A plug-in instance's system settings, attached as open does.
    struct Instance {
        Instance() { settings.defineSharedParameters(shared); }
        ParaSet_c* shared = nullptr;
        SysGlo_c settings{"Zendrix"};
    };

    std::string stored() const {
        std::string text;
        return os::registryRead("ZendrixSysGlo", text) ? text : std::string("<none>");
    }

    OsScratchFolder scratch;
};

} // namespace

TEST_F(SystemSettings, DefaultsUntilTheFirstChangeWritesTheExactRow) {
    Instance a;
    EXPECT_FALSE(a.settings.isLoaded());
    EXPECT_EQ(a.settings.registryName(), "ZendrixSysGlo");
    EXPECT_EQ(stored(), "<none>");
    EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kKnobMovement), 1);
    EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPanMode), 1);

    // Writing the default again stores the default row, pinned byte for byte.
    a.settings.setValue(0, SysGlo_c::kFontColor, 0);
    EXPECT_EQ(stored(), kDefaultRowHex);

    a.settings.setValue(0, SysGlo_c::kFontColor, 2);
    Instance b; // a second instance in the same process
    EXPECT_TRUE(b.settings.isLoaded());
    char text[16];
    b.settings.getValueText(0, SysGlo_c::kFontColor, text, sizeof text);
    EXPECT_STREQ(text, "White   ");
}

TEST_F(SystemSettings, StoredValuesAreReadCarefully) {
    // A row written by a build of any width: the pinned bytes with "White".
    std::string row = kDefaultRowHex;
    row.replace(row.find("5265642020202020"), 16, "5768697465202020");
    ASSERT_TRUE(os::registryWrite("ZendrixSysGlo", row));
    {
        Instance a;
        EXPECT_TRUE(a.settings.isLoaded());
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kFontColor), 2);
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPadVelocity), 1);
    }

    // Shorter than the 11 columns: only the first five are stored.
    const std::string shortRow = "53505953" "28000000" "00000000" "C8000000"
                                 "0C000000" "43697263756C6172" "00000000" // "Circular"
                                 "01000000" "00000000";                   // NoteDisplayType 1, Pad Velocity 0
    ASSERT_TRUE(os::registryWrite("ZendrixSysGlo", shortRow));
    {
        Instance a;
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kKnobMovement), 0);
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kNoteDisplayType), 1);
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPadVelocity), 0);
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPanMode), 1);      // default
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kJumpToSaveDir), 1); // default
    }

    // Another set's blob, a header cut short, or garbage is refused whole.
    for (const char* foreign : {"45435332" "10000000" "00000000" "01000000", "535059", "zz"}) {
        ASSERT_TRUE(os::registryWrite("ZendrixSysGlo", foreign));
        Instance a;
        EXPECT_FALSE(a.settings.isLoaded()) << foreign;
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kVersion), 200) << foreign;
        EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPadVelocity), 1) << foreign;
    }
}

TEST_F(SystemSettings, ALateLoadKeepsTheChangeBeingMade) {
    Instance a; // opened before anything was stored
    ASSERT_FALSE(a.settings.isLoaded());
    {
        Instance b;
        b.settings.setValue(0, SysGlo_c::kFontColor, 1); // another instance stores
    }
    a.settings.setValue(0, SysGlo_c::kPadVelocity, 0);
    EXPECT_TRUE(a.settings.isLoaded());
    EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kPadVelocity), 0); // the change survives the load
    EXPECT_EQ(a.settings.getValue(0, SysGlo_c::kFontColor), 1);   // the other instance's value arrives

    Instance c;
    EXPECT_EQ(c.settings.getValue(0, SysGlo_c::kPadVelocity), 0);
    EXPECT_EQ(c.settings.getValue(0, SysGlo_c::kFontColor), 1);

    // A text column too.
    Instance d;
    ::unsetenv("KELVANTI_REGISTRY_DIR");
    OsScratchFolder other;
    ::setenv("KELVANTI_REGISTRY_DIR", other.path().c_str(), 1);
    Instance e;
    {
        Instance f;
        f.settings.setValue(0, SysGlo_c::kFontColor, 2);
    }
    e.settings.setText(0, SysGlo_c::kDataPath, "/home/u/Kelvanti");
    std::string path;
    e.settings.getTextString(0, SysGlo_c::kDataPath, path);
    EXPECT_EQ(path, "/home/u/Kelvanti");
    EXPECT_EQ(e.settings.getValue(0, SysGlo_c::kFontColor), 2);
}
