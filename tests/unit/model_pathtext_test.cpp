// Path texts: splitting paths written on Linux and on Windows, and joins.
#include "os/PathText.h"
#include <gtest/gtest.h>
#include <string>

using namespace pathtext;

TEST(ModelPathText, SplitsLinuxAndWindowsPaths) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\x.txt", "C:\\", "x.txt"},
        {"C:\\a\\x.txt", "C:\\a", "x.txt"},
        {"x.txt", "x.txt", "x.txt"},
        {"/x.txt", "/", "x.txt"},
        {"/home/u/Kick.FXP", "/home/u", "Kick.FXP"},
        {"C:x.txt", "C:", "x.txt"},
        {"C:\\Presets\\Drums\\Kick.FXP", "C:\\Presets\\Drums", "Kick.FXP"},
        {"/home/u/a:b.fxp", "/home/u", "a:b.fxp"},   // ':' is ordinary here
        {"dir/", "dir", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(fileNameOf(c.path), c.name) << c.path;
    }
    EXPECT_EQ(extensionOf("/a/b.c/Kick.FXP"), "FXP");
    EXPECT_EQ(extensionOf("/a/noext"), "");
    EXPECT_EQ(withoutExtension(fileNameOf("C:\\Banks\\Pad.v2.fxb")), "Pad.v2");
    EXPECT_EQ(withoutExtension("a.b/c"), "a");   // the last '.', even in a folder

    EXPECT_TRUE(isAbsolutePath("/usr"));
    EXPECT_TRUE(isAbsolutePath("C:\\x"));
    EXPECT_TRUE(isAbsolutePath("d:/x"));
    EXPECT_FALSE(isAbsolutePath("C:x"));
    EXPECT_FALSE(isAbsolutePath("rel/x"));
    EXPECT_FALSE(isAbsolutePath(""));
}

TEST(ModelPathText, JoinsPutOneSeparatorBetweenAndTakeAnyLength) {
    EXPECT_EQ(joined("/data/presets", "Kick.FXP"), "/data/presets/Kick.FXP");
    EXPECT_EQ(joined("/data/", "Banks"), "/data/Banks");
    EXPECT_EQ(joined("C:\\", "x"), "C:\\x");
    EXPECT_EQ(joined("C:", "x"), "C:x");
    EXPECT_EQ(joined("", "x"), "x");
    EXPECT_EQ(joined("/data", ""), "/data");
    const std::string longFolder(600, 'f');
    EXPECT_EQ(joined(longFolder, "n").size(), 602u);
}
