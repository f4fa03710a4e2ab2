// Path texts: splitting paths written on Linux and on Windows, bounded joins.
#include "os/PathText.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

using namespace pathtext;

namespace {
std::string folder(const char* p) {
    char out[kPathBufferSize];
    EXPECT_TRUE(getFolder(p, out, sizeof out));
    return out;
}
std::string fileName(const char* p) {
    char out[kPathBufferSize];
    EXPECT_TRUE(getFileName(p, out, sizeof out));
    return out;
}
} // namespace

TEST(ModelPathText, SplitsLinuxAndWindowsPaths) {
    EXPECT_EQ(folder("C:\\x.txt"), "C:\\");
    EXPECT_EQ(folder("C:\\a\\x.txt"), "C:\\a");
    EXPECT_EQ(folder("x.txt"), "x.txt");
    EXPECT_EQ(folder("/x.txt"), "/");
    EXPECT_EQ(folder("/home/u/Kick.FXP"), "/home/u");
    EXPECT_EQ(folder("C:x.txt"), "C:");
    EXPECT_EQ(fileName("C:\\Presets\\Drums\\Kick.FXP"), "Kick.FXP");
    EXPECT_EQ(fileName("/home/u/a:b.fxp"), "a:b.fxp"); // ':' is ordinary here
    EXPECT_EQ(fileName("C:x.txt"), "x.txt");
    EXPECT_EQ(fileName("plain"), "plain");
    EXPECT_EQ(fileName("dir/"), "");

    char out[kPathBufferSize];
    ASSERT_TRUE(getExtension("/a/b.c/Kick.FXP", out, sizeof out));
    EXPECT_STREQ(out, "FXP");
    ASSERT_TRUE(getExtension("/a/noext", out, sizeof out));
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(nameWithoutExtension("C:\\Banks\\Pad.v2.fxb", out, sizeof out));
    EXPECT_STREQ(out, "Pad.v2");
    std::strcpy(out, "a.b/c");
    stripExtension(out, sizeof out); // cuts at the last '.', even in a folder
    EXPECT_STREQ(out, "a");

    EXPECT_TRUE(isAbsolutePath("/usr"));
    EXPECT_TRUE(isAbsolutePath("C:\\x"));
    EXPECT_TRUE(isAbsolutePath("d:/x"));
    EXPECT_FALSE(isAbsolutePath("C:x"));
    EXPECT_FALSE(isAbsolutePath("rel/x"));
    EXPECT_FALSE(isAbsolutePath(""));

    // Results that do not fit are refused and the output is left alone.
    char small[4] = "old";
    EXPECT_FALSE(getFileName("/a/long-name", small, sizeof small));
    EXPECT_STREQ(small, "old");
    EXPECT_TRUE(getFileName("/a/abc", small, sizeof small));
    EXPECT_STREQ(small, "abc");
}

TEST(ModelPathText, JoinsAreBoundedAndNeverCut) {
    char name[kPathBufferSize] = "Kick.FXP";
    EXPECT_TRUE(joinPath("/data/presets", name, sizeof name));
    EXPECT_STREQ(name, "/data/presets/Kick.FXP");
    std::strcpy(name, "x");
    EXPECT_TRUE(joinPath("C:\\", name, sizeof name));
    EXPECT_STREQ(name, "C:\\x");
    std::strcpy(name, "x");
    EXPECT_TRUE(joinPath("", name, sizeof name));
    EXPECT_STREQ(name, "x");
    name[0] = 0;
    EXPECT_FALSE(joinPath("/data", name, sizeof name)); // empty name

    const std::string folder300(300, 'f');
    std::string twenty(20, 'n');
    std::strcpy(name, twenty.c_str());
    EXPECT_FALSE(joinPath(folder300, name, sizeof name));
    EXPECT_EQ(std::string(name), twenty);
    // 317 bytes of folder and name are accepted; 318 are not.
    const std::string folder297(297, 'f');
    std::strcpy(name, twenty.c_str());
    EXPECT_TRUE(joinPath(folder297, name, sizeof name));
    EXPECT_EQ(std::strlen(name), 318u);
    char folder[kPathBufferSize];
    std::strcpy(folder, std::string(298, 'g').c_str());
    EXPECT_FALSE(appendPath(folder, sizeof folder, twenty));
    EXPECT_EQ(std::strlen(folder), 298u);

    std::strcpy(folder, "/data/");
    EXPECT_TRUE(appendPath(folder, sizeof folder, "Banks"));
    EXPECT_STREQ(folder, "/data/Banks");
    // The caller's capacity bounds the result too.
    char tight[8] = "/d";
    EXPECT_FALSE(appendPath(tight, sizeof tight, "toolong"));
    EXPECT_STREQ(tight, "/d");
    EXPECT_TRUE(appendPath(tight, sizeof tight, "abcd"));
    EXPECT_STREQ(tight, "/d/abcd");
}
