#include "framework/platform/RandomUnit.h"
#include "framework/platform/Registry.h"
#include "framework/platform/RegistryHex.h"
#include "os/FileSystem.h"
#include "os/Registry.h"
#include "tests/unit/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string fileContent(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void putFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::set<std::string> filesUnder(const fs::path& root) {
    std::set<std::string> names;
    if (fs::exists(root))
        for (const auto& entry : fs::recursive_directory_iterator(root))
            names.insert(fs::relative(entry.path(), root).string());
    return names;
}

class PlatformRegistry : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KELVANTI_REGISTRY_DIR", scratch.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KELVANTI_REGISTRY_DIR"); }

    fs::path user() const { return fs::path(scratch.path()) / "user"; }
    fs::path machine() const { return fs::path(scratch.path()) / "machine"; }

    ScratchFolder scratch;
};

} // namespace

TEST_F(PlatformRegistry, HexValuesRoundTripAndReadLeniently) {
    const uint8_t blob[] = {0x01, 0xAB, 0xFF};
    ASSERT_TRUE(writeRegistryHex("ZendrixSysGlo", blob, sizeof blob));
    EXPECT_EQ(fileContent(user() / "ZendrixSysGlo"), "01ABFF");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readRegistryHex("ZendrixSysGlo", bytes));
    EXPECT_EQ(bytes, std::vector<uint8_t>(blob, blob + sizeof blob));

    const struct {
        const char* text;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"0a", {0x00}},          // lower-case digits count 0
        {"0A", {0x0A}},
        {"ab12", {0x00, 0x12}},
        {"ABC", {0xAB}},         // an odd last digit is ignored
        {"G1 Z", {0x01, 0x00}},  // any other character counts 0
        {"", {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(writeRegistryString("Hex", c.text));
        bytes.assign(5, 0x55);
        ASSERT_TRUE(readRegistryHex("Hex", bytes)) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
    EXPECT_FALSE(readRegistryHex("NeverWritten", bytes));
}

TEST_F(PlatformRegistry, LongBlobsAreReadWholeOrRefusedNeverCut) {
    std::vector<uint8_t> blob(kRegistryHexMaxBytes);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(writeRegistryHex("Big", blob.data(), blob.size()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readRegistryHex("Big", bytes));
    EXPECT_EQ(bytes, blob);

    blob.push_back(1);
    EXPECT_FALSE(writeRegistryHex("Big", blob.data(), blob.size()));
    ASSERT_TRUE(readRegistryHex("Big", bytes));  // the old value stays
    EXPECT_EQ(bytes.size(), kRegistryHexMaxBytes);

    // A stored value over the read buffer (written by hand or by another
    // program) is unreadable, not a truncated blob.
    putFile(user() / "Huge", std::string(kRegistryHexReadBuffer, 'A'));
    EXPECT_FALSE(readRegistryHex("Huge", bytes));

    char small[6];
    ASSERT_TRUE(writeRegistryString("Text", "hello"));
    ASSERT_TRUE(readRegistryString("Text", small, sizeof small));
    EXPECT_STREQ(small, "hello");
    ASSERT_TRUE(writeRegistryString("Text", "hello!"));
    EXPECT_FALSE(readRegistryString("Text", small, sizeof small));
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(readRegistryString("Text", nullptr, 10));
}

TEST_F(PlatformRegistry, MachineValuesAreReadAndNeverWritten) {
    putFile(machine() / "ZendrixECS2", "0102");
    const std::set<std::string> machineBefore = filesUnder(machine());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readRegistryHex("ZendrixECS2", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x01, 0x02}));
    EXPECT_TRUE(filesUnder(user()).empty());  // reading copies nothing

    ASSERT_TRUE(writeRegistryHex("ZendrixECS2", bytes.data(), 1));
    EXPECT_EQ(fileContent(machine() / "ZendrixECS2"), "0102");
    EXPECT_EQ(filesUnder(machine()), machineBefore);
    ASSERT_TRUE(readRegistryHex("ZendrixECS2", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x01}));  // the user's value wins

    // Foreign content for the user falls back to the machine value.
    putFile(machine() / "Folder", "AA");
    putFile(user() / "Folder" / "inside", "x");  // a folder where a value should be
    putFile(machine() / "Binary", "BB");
    putFile(user() / "Binary", std::string("CC\0DD", 5));
    ASSERT_TRUE(readRegistryHex("Folder", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA}));
    ASSERT_TRUE(readRegistryHex("Binary", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xBB}));
}

TEST_F(PlatformRegistry, ValueNamesStayInsideTheStore) {
    const std::string names[] = {"a/b", "a%2Fb", "..", ".", ".hidden", "../escape", "Tab\tName",
                                 "Zendrix_MOD_Osc 1", "caf\xc3\xa9"};
    for (const std::string& name : names)
        ASSERT_TRUE(writeRegistryString(name, "value of " + name)) << name;
    for (const std::string& name : names) {
        char buffer[64];
        ASSERT_TRUE(readRegistryString(name, buffer, sizeof buffer)) << name;
        EXPECT_EQ(std::string(buffer), "value of " + name);
    }
    // One plain file per value, all directly in the user folder, none hidden.
    const std::set<std::string> files = filesUnder(scratch.path());
    EXPECT_EQ(files.size(), std::size(names) + 1);  // + the folder "user"
    for (const std::string& file : files) {
        if (file == "user")
            continue;
        EXPECT_EQ(file.rfind("user/", 0), 0u) << file;
        EXPECT_EQ(file.find('/', 5), std::string::npos) << file;
        EXPECT_NE(file[5], '.') << file;
    }
    EXPECT_FALSE(writeRegistryString("", "x"));
    EXPECT_FALSE(writeRegistryString("Nul", std::string("a\0b", 3)));
}

TEST(PlatformRegistryRoots, FollowTheEnvironment) {
    ::unsetenv("KELVANTI_REGISTRY_DIR");
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome != nullptr ? savedHome : "";
    ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(os::registryUserDir(), "/somewhere/config/Harvell");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // invalid: ignored
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(os::registryUserDir(), "/home/tester/.config/Harvell");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(os::registryUserDir(), "/home/tester/.config/Harvell");
    EXPECT_EQ(os::registryMachineDir(), "/etc/xdg/Harvell");
    ::setenv("KELVANTI_REGISTRY_DIR", "/tmp/redirected", 1);
    EXPECT_EQ(os::registryUserDir(), "/tmp/redirected/user");
    EXPECT_EQ(os::registryMachineDir(), "/tmp/redirected/machine");
    ::unsetenv("KELVANTI_REGISTRY_DIR");
    ::setenv("HOME", home.c_str(), 1);
}

namespace {

constexpr int kWritesPerWriter = 1000;

struct Writer {
    std::string content;
};

int writeRepeatedly(void* context) {
    const Writer& writer = *static_cast<const Writer*>(context);
    for (int i = 0; i < kWritesPerWriter; ++i)
        if (!writeRegistryString("Contended", writer.content))
            return 1;
    return 0;
}

} // namespace

TEST_F(PlatformRegistry, ConcurrentWritersLeaveOneWholeValue) {
    // Distinct lengths and letters: any mixture or cut is visible.
    Writer child{std::string(3000, 'C')};
    Writer first{std::string(5000, 'A')};
    Writer second{std::string(700, 'B')};
    // The child process is started before any thread of this process.
    ForkedChild childProcess(&writeRepeatedly, &child);
    std::atomic<bool> writing{true};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        char buffer[8192];
        while (writing) {
            if (!readRegistryString("Contended", buffer, sizeof buffer))
                continue;
            ++reads;
            const std::string value(buffer);
            if (value != child.content && value != first.content && value != second.content)
                ++torn;
        }
    });
    std::thread a([&] { EXPECT_EQ(writeRepeatedly(&first), 0); });
    std::thread b([&] { EXPECT_EQ(writeRepeatedly(&second), 0); });
    a.join();
    b.join();
    EXPECT_EQ(childProcess.wait(), 0);
    writing = false;
    reader.join();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(torn, 0);
    const std::string last = fileContent(user() / "Contended");
    EXPECT_TRUE(last == child.content || last == first.content || last == second.content);
    EXPECT_EQ(filesUnder(user()), std::set<std::string>{"Contended"});  // no temporary file left
}

TEST_F(PlatformRegistry, AtomicWriteReplacesOrLeavesNothingBehind) {
    const std::string target = (fs::path(scratch.path()) / "file.bin").string();
    ASSERT_TRUE(os::writeFileAtomic(target, "first", 5));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(os::writeFileAtomic(target, "second!", 7));
    EXPECT_EQ(fileContent(target), "second!");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(os::writeFileAtomic(target, nullptr, 0));
    EXPECT_EQ(fileContent(target), "");

    EXPECT_FALSE(os::writeFileAtomic((fs::path(scratch.path()) / "missing" / "x").string(), "x", 1));
    EXPECT_FALSE(os::writeFileAtomic(scratch.path() + "/", "x", 1));
    // The target is a folder: the rename fails and the temporary file goes.
    fs::create_directory(fs::path(scratch.path()) / "folder");
    EXPECT_FALSE(os::writeFileAtomic((fs::path(scratch.path()) / "folder").string(), "x", 1));
    EXPECT_EQ(filesUnder(scratch.path()), (std::set<std::string>{"file.bin", "folder"}));
}

TEST(PlatformRandomUnit, CoversZeroToOneInclusive) {
    os::Random15 generator(12345);
    float lowest = 2.0f;
    float highest = -1.0f;
    for (int i = 0; i < 1000000; ++i) {
        const float value = randomUnit(generator);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, 0.0f);
    EXPECT_EQ(highest, 1.0f);
    // Each instance has its own sequence.
    os::Random15 one(7);
    os::Random15 other(7);
    randomUnit(one);
    EXPECT_NE(randomUnit(one), randomUnit(other));
}
