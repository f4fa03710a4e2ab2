// --set through the renderer: parameters by name in any case, values in
// display units (the nearest display wins) or normalised, and the demo
// pattern's parameter changes on a plug-in that lacks them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/WavReader.h"

namespace {

using namespace smf_bytes;
using render_run::runRender;
using render_run::ScratchFolder;
using render_run::writeFile;

// One note-on at sample 100 with velocity 127 (one tick per sample at 48 kHz), ending at 400.
Bytes oneNote() {
    Body body;
    body.tempo(0, 10000).event(100, {0x90, 60, 127}).event(300, {0x80, 60, 0}).end();
    return file(0, 480, {body.bytes});
}

// The impulse instrument's saved state: Level, Click Width, Drive.
std::vector<float> savedValues(const std::string& fxpPath) {
    kelvanti_host::ChunkPreset preset;
    std::string error;
    EXPECT_TRUE(kelvanti_host::readChunkPreset(fxpPath, preset, error)) << error;
    std::vector<float> values(3, -1.0f);
    if (preset.chunk.size() == 16) std::memcpy(values.data(), preset.chunk.data() + 4, 12);
    return values;
}

class RenderCliParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ASSERT_TRUE(writeFile(folder.file("note.mid"), oneNote()));
    }
    // Renders the note with the settings; returns the left channel.
    std::vector<float> renderWith(const std::vector<std::string>& settings) {
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("note.mid"), "--out",
                                         folder.file("out.wav"), "--rate", "48000", "--tail", "0", "--float"};
        for (const std::string& s : settings) args.insert(args.end(), {"--set", s});
        std::string failure;
        const std::vector<float> left = render_run::renderLeftChannel(args, folder.file("out.wav"), failure);
        EXPECT_TRUE(failure.empty()) << failure;
        return left;
    }
    std::vector<float> stateAfter(const std::vector<std::string>& settings) {
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, "--save-fxp", folder.file("state.fxp")};
        for (const std::string& s : settings) args.insert(args.end(), {"--set", s});
        const auto result = runRender(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return savedValues(folder.file("state.fxp"));
    }
    ScratchFolder folder;
};

TEST_F(RenderCliParameters, LevelByDisplayAndNormalisedValueChangesTheClick) {
    const std::vector<float> full = renderWith({});
    ASSERT_EQ(full.size(), 401u);
    EXPECT_EQ(full[100], 1.0f);
    // "Level" shows percent with one decimal: 50 is first shown on the 1/1000 grid at 0.5.
    const std::vector<float> half = renderWith({"level=50"});
    ASSERT_EQ(half.size(), 401u);
    EXPECT_FLOAT_EQ(half[100], 0.5f);
    EXPECT_FLOAT_EQ(half[400], -0.125f);
    const std::vector<float> quarter = renderWith({" LEVEL =0.25n"});
    ASSERT_EQ(quarter.size(), 401u);
    EXPECT_FLOAT_EQ(quarter[100], 0.25f);
    // The later of two settings of one parameter wins.
    EXPECT_FLOAT_EQ(renderWith({"Level=0.25n", "Level=75"}).at(100), 0.75f);
}

TEST_F(RenderCliParameters, ClickWidthInItsDisplayedSteps) {
    // Click Width shows 1..16 samples; 4 makes the click four samples long.
    const std::vector<float> wide = renderWith({"Click Width=4"});
    ASSERT_EQ(wide.size(), 401u);
    for (int i = 100; i < 104; ++i) EXPECT_EQ(wide[std::size_t(i)], 1.0f) << i;
    EXPECT_EQ(wide[104], 0.0f);
    EXPECT_EQ(wide[99], 0.0f);
    // The nearest display to 4.4 is 4; to 99, the largest (16).
    const std::vector<float> state = stateAfter({"click width=4.4", "Level=99"});
    EXPECT_EQ(1 + std::lround(state[1] * 15), 4);
    EXPECT_FLOAT_EQ(state[0], 0.99f);
    EXPECT_EQ(1 + std::lround(stateAfter({"click width=99"})[1] * 15), 16);
}

TEST_F(RenderCliParameters, DecibelDisplayWithMinusInfinity) {
    // Drive shows 20·log10(value) with two decimals, "-oo" at 0.
    const float minusSix = stateAfter({"Drive=-6"})[2];
    EXPECT_NEAR(20.0 * std::log10(minusSix), -6.0, 0.005);
    EXPECT_EQ(stateAfter({"drive=-oo"})[2], 0.0f);
    EXPECT_EQ(stateAfter({"drive=0"})[2], 1.0f);
}

TEST_F(RenderCliParameters, DemoSkipsParametersThePluginLacksWithOneWarning) {
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--out", folder.file("demo.wav"), "--tail", "0.1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
    EXPECT_NE(result.err.find("warning:"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("'Timbre Decay'"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find(folder.file("demo.wav") + ": "), std::string::npos) << result.out;
    kelvanti_host::WavAudio audio;
    std::string error;
    ASSERT_TRUE(kelvanti_host::readWav(folder.file("demo.wav"), audio, error)) << error;
    float peak = 0.0f;
    for (float s : audio.samples) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.5f);   // the demo's clicks are there
}

} // namespace
