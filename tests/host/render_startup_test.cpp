// kelvanti-render's --set with a default preset in the bank folder: the
// plug-in loads the preset at its first resume, after the tool has applied
// its settings, and the settings must still be heard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;

class RenderStartup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        diverse = std::filesystem::path(folder.file("data")) / "Kelvanti Banks" / "Diverse";
        std::filesystem::create_directories(diverse);
        std::filesystem::create_directories(folder.file("empty"));
        std::filesystem::create_directories(folder.file("registry"));
        ::setenv("KELVANTI_REGISTRY_DIR", folder.file("registry").c_str(), 1);
        ::setenv("KELVANTI_RANDOM_SEED", "77", 1);
        smf_bytes::Body body;
        body.tempo(0, 500000).event(0, {0x90, 57, 110}).event(240, {0x80, 57, 0}).end();
        ASSERT_TRUE(render_run::writeFile(folder.file("note.mid"), smf_bytes::file(0, 480, {body.bytes})));
    }
    void TearDown() override {
        ::unsetenv("KELVANTI_DATA_DIR");
        ::unsetenv("KELVANTI_REGISTRY_DIR");
        ::unsetenv("KELVANTI_RANDOM_SEED");
    }
    // The left channel of the note, with the data folder given (empty: none).
    std::vector<float> render(const std::string& dataFolder, std::vector<std::string> settings) {
        ::setenv("KELVANTI_DATA_DIR", folder.file(dataFolder).c_str(), 1);
        std::vector<std::string> args = {KELVANTI_PLUGIN_PATH};
        for (const std::string& s : settings) args.insert(args.end(), {"--set", s});
        args.insert(args.end(), {"--midi", folder.file("note.mid"), "--out", folder.file("out.wav"), "--tail",
                                 "0.3", "--float"});
        std::string failure;
        const std::vector<float> left = render_run::renderLeftChannel(args, folder.file("out.wav"), failure);
        EXPECT_TRUE(failure.empty()) << failure;
        return left;
    }
    ScratchFolder folder;
    std::filesystem::path diverse;
};

TEST_F(RenderStartup, SettingsAreHeardOverTheDefaultPreset) {
    // The default preset: its own timbre and a short base decay, no noise.
    ::setenv("KELVANTI_DATA_DIR", folder.file("empty").c_str(), 1);
    const auto saved = runRender({KELVANTI_PLUGIN_PATH, "--set", "Timbre Range=0.9n", "--set", "Base Decay=0.2n",
                                  "--set", "Noise Mix=0n", "--save-fxp", (diverse / "Default.FXP").string()});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;

    const std::vector<float> preset = render("data", {});
    const std::vector<float> withSet = render("data", {"Base Decay=0.6n"});
    ASSERT_FALSE(preset.empty());
    // Positive control: without settings the preset is what sounds.
    EXPECT_EQ(preset, render("empty", {"Timbre Range=0.9n", "Base Decay=0.2n", "Noise Mix=0n"}));
    // With one: that setting over the preset, the preset's other values kept.
    EXPECT_NE(withSet, preset);
    EXPECT_EQ(withSet, render("empty", {"Timbre Range=0.9n", "Base Decay=0.6n", "Noise Mix=0n"}));
}

} // namespace
