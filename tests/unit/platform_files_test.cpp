// Files, paths and file lists: lines of text, sorted listings, case-
// insensitive lookups, path limits and the names menus show.
#include "framework/platform/Disk_c.h"
#include "framework/platform/FileList_c.h"
#include "os/PathText.h"
#include "tests/unit/support/OsScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(PlatformFiles, LinesAreReadWithoutLineEnds) {
    OsScratchFolder scratch;
    const std::string path = scratch.write("lines.txt", "first\r\nsecond\n\nlast" + std::string(400, 'x'));
    Disk_c disk;
    char line[pathtext::kPathBufferSize];
    EXPECT_EQ(disk.readLine(line, sizeof line), -1); // nothing open
    ASSERT_TRUE(disk.openText(path));
    EXPECT_EQ(disk.readLine(line, sizeof line), 5);
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(disk.readLine(line, sizeof line), 6);
    EXPECT_STREQ(line, "second");
    EXPECT_EQ(disk.readLine(line, sizeof line), 0);
    EXPECT_EQ(disk.readLine(line, sizeof line), 319); // cut to the buffer, never beyond
    EXPECT_EQ(disk.readLine(line, sizeof line), -2);  // the rest of a long line is skipped
    disk.close();

    EXPECT_FALSE(disk.openText(""));
    EXPECT_FALSE(disk.openText("/" + std::string(318, 'a'))); // over 318 bytes: refused
    EXPECT_FALSE(disk.openText(scratch / "missing.txt"));
}

TEST(PlatformFiles, PathsResolveWithoutRegardToCaseAndWriteWhole) {
    OsScratchFolder scratch;
    scratch.write("Kelvanti Banks/Diverse/kick.fxp", "KICK");
    Disk_c disk;
    ASSERT_TRUE(disk.openRead(scratch / "kelvanti banks/Diverse/Kick.FXP"));
    char bytes[8] = {};
    EXPECT_EQ(disk.read(bytes, sizeof bytes), 4u);
    EXPECT_STREQ(bytes, "KICK");

    // Writes go to the exact path, whole or not at all.
    ASSERT_TRUE(disk.openWrite(scratch / "Out.MOD"));
    ASSERT_TRUE(disk.write("abc", 3));
    EXPECT_FALSE(std::filesystem::exists(scratch / "Out.MOD")); // nothing until close
    EXPECT_TRUE(disk.close());
    EXPECT_EQ(std::filesystem::file_size(scratch / "Out.MOD"), 3u);
    ASSERT_TRUE(disk.openWrite(scratch / "no folder/Out.MOD"));
    disk.write("abc", 3);
    EXPECT_FALSE(disk.close());

    // Paths stored by a Windows build keep their folders and names.
    const FilePath windows("C:\\Kelvanti Banks\\Diverse\\Kick.FXP");
    EXPECT_EQ(windows.text, "C:/Kelvanti Banks/Diverse/Kick.FXP");
    EXPECT_TRUE(windows.absolute);
    EXPECT_EQ(FilePath("a/b:c|d").text, "a/b:cd"); // ':' belongs to Linux names
    EXPECT_FALSE(FilePath("a/b").absolute);
    EXPECT_TRUE(FilePath("/home/u").absolute);
}

TEST(PlatformFiles, ListingsAreSortedAndFiltered) {
    OsScratchFolder scratch;
    for (const char* name : {"b.fxp", "A.FXP", "c.txt", "a.fxp", "kit.KQ4", "kit0.kq3"})
        scratch.write(name, "x");
    for (const char* folder : {"Pads", "z patterns arp", ".hidden", "drums"})
        std::filesystem::create_directories(scratch / folder);
    const ExtensionList fxp{"fxp"};

    std::string name;
    ASSERT_TRUE(Disk_c::listFiles(scratch.path(), name, 0, false, &fxp));
    EXPECT_EQ(name, "A.FXP"); // case-insensitive order, ties by byte
    ASSERT_TRUE(Disk_c::listFiles(scratch.path(), name, 2, false, &fxp));
    EXPECT_EQ(name, "b.fxp");
    EXPECT_FALSE(Disk_c::listFiles(scratch.path(), name, 3, false, &fxp));

    char kit[pathtext::kPathBufferSize];
    ASSERT_TRUE(Disk_c::findKitFile(scratch.path(), kit, sizeof kit));
    EXPECT_EQ(std::string(kit), scratch / "kit.KQ4");

    FileList_c banks;
    banks.setup(320, "empty", nullptr, false);
    EXPECT_STREQ(banks.getName(0), ""); // an empty list
    banks.rescan(scratch.path(), true);
    std::string shown;
    for (int i = 0; i < banks.count(); ++i)
        shown += std::string(banks.getName(i)) + ";";
    // Folders and files, never "z patterns arp" or hidden folders.
    EXPECT_EQ(shown, "A.FXP;a.fxp;b.fxp;c.txt;drums;kit.KQ4;kit0.kq3;Pads;");
    EXPECT_STREQ(banks.getName(banks.count()), "empty"); // the placeholder past the last entry
    EXPECT_EQ(banks.getName(FileList_c::kCapacity), nullptr);

    FileList_c programs;
    programs.setup(320, "empty", &fxp, false);
    programs.rescan(scratch.path(), false);
    ASSERT_EQ(programs.count(), 3);
    EXPECT_STREQ(programs.getName(0), "A");
    EXPECT_STREQ(programs.getName(1), "a");
    // The entry's real file name makes the path, not a rebuilt "name.fxp".
    EXPECT_EQ(std::string(programs.getFullPath(0)), scratch / "A.FXP");
    EXPECT_EQ(std::string(programs.getFullPath(1)), scratch / "a.fxp");
    EXPECT_EQ(programs.selectPath((scratch / "b.fxp").c_str(), false), 2);
    EXPECT_EQ(programs.selectPath((scratch / "B.FXP").c_str(), false), 2);
    EXPECT_EQ(programs.selectPath((scratch / "unknown.fxp").c_str(), false), -3);
    EXPECT_EQ(programs.selectPath("", false), -4);
    EXPECT_EQ(programs.selectPath(nullptr, false), -1);
    EXPECT_EQ(banks.selectPath((scratch / "Pads/x.fxp").c_str(), true), 7);
}
