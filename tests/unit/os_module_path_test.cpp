#include "os/ModulePath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

TEST(OsModulePath, PointsAtTheBinaryHoldingTheCodeAndHonoursTheDataOverride) {
    // The core is linked statically into this test, so the module is the test program.
    const std::string path = os::modulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    EXPECT_EQ(std::filesystem::canonical(path), std::filesystem::canonical("/proc/self/exe"));
    EXPECT_EQ(os::moduleFolder(), std::filesystem::path(path).parent_path().string());

    // Without the override: the program's own folder (its real place, links resolved).
    ::unsetenv("KELVANTI_DATA_DIR");
    EXPECT_EQ(std::filesystem::canonical(os::dataFolder()), std::filesystem::canonical(os::moduleFolder()));
    ::setenv("KELVANTI_DATA_DIR", "/srv/kelvanti data//", 1);
    EXPECT_EQ(os::dataFolder(), "/srv/kelvanti data");
    EXPECT_EQ(os::environment("KELVANTI_DATA_DIR"), "/srv/kelvanti data//");
    ::setenv("KELVANTI_DATA_DIR", "", 1);
    EXPECT_EQ(std::filesystem::canonical(os::dataFolder()), std::filesystem::canonical(os::moduleFolder()));
    ::unsetenv("KELVANTI_DATA_DIR");
    EXPECT_EQ(os::environment("KELVANTI_DATA_DIR"), "");
}
