// kelvanti-render as a user runs it: --info on the plug-in, and one clear
// line with a non-zero exit for everything that is not a plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"

namespace {

using render_run::lineCount;
using render_run::runRender;

TEST(RenderCli, InfoPrintsTheIdentity) {
    const auto result = runRender({"--info", KELVANTI_PLUGIN_PATH});
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const char* line : {"Effect name:    Kelvanti\n", "Vendor:         Harvell\n", "Product:        Kelvanti\n",
                             "Vendor version: 1100\n", "Unique id:      HRVK (0x4852564B)\n",
                             "VST version:    2400\n", "Category:       synth\n", "Inputs:         0\n",
                             "Outputs:        2\n", "Flags:          0x131 (hasEditor canReplacing programChunks isSynth)\n",
                             "Programs:       128", "Parameters:     26\n"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << result.out;
    }
    EXPECT_NE(result.out.find("\n   25  "), std::string::npos);   // one line per parameter, the last 25
    EXPECT_EQ(result.out.find("\n   26  "), std::string::npos);
    // The table keeps its columns after long labels ("Saved or Loaded Presets"):
    // every row's value starts where the first row's does.
    std::size_t valueColumn = 0;
    for (std::size_t row = result.out.find("\n    0  "); row != std::string::npos; row = result.out.find("\n  ", row + 1)) {
        const std::size_t end = result.out.find('\n', row + 1);
        const std::size_t column = result.out.rfind(' ', end) - row;
        if (valueColumn == 0) valueColumn = column;
        EXPECT_EQ(column, valueColumn) << result.out.substr(row + 1, end - row - 1);
    }
    EXPECT_GT(valueColumn, 0u);
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST(RenderCli, ErrorsGiveOneLineAndFail) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{"--info", "/nonexistent/Kelvanti.so"}, "no such file"},
        {{"--info", KELVANTI_SOURCE_DIR "/README.md"}, "cannot load plug-in"},
        {{"--info", KELVANTI_SOURCE_DIR}, "not a regular file"},
        {{"--info", KELVANTI_FAKE_NO_ENTRY}, "has no VSTPluginMain or main"},
        {{"--info", KELVANTI_FAKE_NO_EFFECT}, "gave no effect"},
        {{"--info", KELVANTI_FAKE_BAD_MAGIC}, "wrong magic"},
    };
    for (const Case& c : cases) {
        const auto result = runRender(c.args);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1) << c.args.back() << ": " << result.err;   // an exit, not a signal
        EXPECT_EQ(lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

TEST(RenderCli, UsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--info"}, {"--bogus"}, {"--info", "a.so", "--help"}, {"--info", "a.so", "b.so"},
             {"a.so", "b.so"}, {"--midi", "x.mid", "--info", "a.so"}, {"--out"}}) {
        const auto result = runRender(args);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
    const auto help = runRender({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--info PLUGIN", "--midi FILE", "--float", "--set NAME=VALUE", "--save-fxp FILE"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

} // namespace
