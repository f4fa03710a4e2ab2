#include "os/FileSystem.h"
#include "support/OsScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<std::string> names(const std::vector<os::DirEntry>& entries) {
    std::vector<std::string> result;
    for (const os::DirEntry& e : entries) result.push_back(e.name);
    return result;
}

} // namespace

TEST(OsFileSystem, ListingIsSortedIgnoringCaseThenByByte) {
    OsScratchFolder folder;
    for (const char* name : {"beta", "alpha", "Zeta", "ALPHA", "Alpha", "_under", "gamma.fxp"}) folder.write(name, "x");
    std::filesystem::create_directory(folder / "Drums");
    std::filesystem::create_directory_symlink(folder / "Drums", folder / "drums link");

    std::vector<os::DirEntry> entries;
    ASSERT_TRUE(os::listDirectory(folder.path(), entries));
    EXPECT_EQ(names(entries), (std::vector<std::string>{"_under", "ALPHA", "Alpha", "alpha", "beta", "Drums",
                                                        "drums link", "gamma.fxp", "Zeta"}));
    for (const os::DirEntry& e : entries) {
        EXPECT_EQ(e.isDirectory, e.name == "Drums" || e.name == "drums link") << e.name;
    }

    entries.push_back({"stale", false});
    EXPECT_FALSE(os::listDirectory(folder / "missing", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(os::listDirectory(folder / "beta", entries)); // a file
}

TEST(OsFileSystem, ResolvesEachComponentIgnoringCase) {
    OsScratchFolder folder;
    const std::string lead = folder.write("Presets/Bank One/Lead.FXP", "fxp");
    EXPECT_EQ(os::resolveCaseInsensitive(lead), lead);
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "presets/BANK ONE/lead.fxp"), lead);
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "PRESETS//bank one/"), folder / "Presets/Bank One");
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "presets/Bank Two/lead.fxp"), "");
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "presets/bank one/lead.fxp/more"), "");
    EXPECT_EQ(os::resolveCaseInsensitive(""), "");

    // Several candidates: an exact match first, else the first in listing order.
    folder.write("Two/ab", "1");
    folder.write("Two/AB", "2");
    folder.write("Two/Ab", "3");
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "two/Ab"), folder / "Two/Ab");
    EXPECT_EQ(os::resolveCaseInsensitive(folder / "two/aB"), folder / "Two/AB");
}

TEST(OsFileSystem, ExistenceSizesAndBoundedReads) {
    OsScratchFolder folder;
    const std::string content(1000, '\x5A');
    const std::string file = folder.write("data.bin", content);
    const std::string empty = folder.write("empty", "");

    EXPECT_TRUE(os::fileExists(file));
    EXPECT_FALSE(os::fileExists(folder.path()));
    EXPECT_TRUE(os::directoryExists(folder.path()));
    EXPECT_FALSE(os::directoryExists(file));
    EXPECT_FALSE(os::fileExists(folder / "missing"));
    EXPECT_EQ(os::fileSize(file), 1000u);
    EXPECT_EQ(os::fileSize(folder / "missing"), 0u);
    EXPECT_EQ(os::fileSize(folder.path()), 0u);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(os::readFile(file, bytes, 1000));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);

    std::vector<uint8_t> untouched = {1, 2, 3};
    EXPECT_FALSE(os::readFile(file, untouched, 999));
    EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(os::readFile(folder.path(), untouched, 1 << 20));
    EXPECT_FALSE(os::readFile(folder / "missing", untouched, 1 << 20));
    EXPECT_EQ(untouched.size(), 3u);

    ASSERT_TRUE(os::readFile(empty, bytes, 0));
    EXPECT_TRUE(bytes.empty());

    // A file larger than the first read buffer comes back whole.
    const std::string big(300000, 'q');
    ASSERT_TRUE(os::readFile(folder.write("big", big), bytes, SIZE_MAX));
    EXPECT_EQ(bytes.size(), big.size());

    // Files the kernel reports as size 0 (/proc) are read to their end, within the limit.
    ASSERT_TRUE(os::readFile("/proc/self/stat", bytes, 4096));
    EXPECT_FALSE(bytes.empty());
    EXPECT_FALSE(os::readFile("/proc/self/stat", bytes, 3));
}

TEST(OsFileSystem, MakeDirectoriesCreatesEveryLevel) {
    OsScratchFolder folder;
    EXPECT_TRUE(os::makeDirectories(folder / "a/b//c/"));
    EXPECT_TRUE(os::directoryExists(folder / "a/b/c"));
    EXPECT_TRUE(os::makeDirectories(folder / "a/b/c"));
    const std::string file = folder.write("plain", "x");
    EXPECT_FALSE(os::makeDirectories(file + "/sub"));
    EXPECT_FALSE(os::makeDirectories(file));
    EXPECT_FALSE(os::makeDirectories(""));
}
