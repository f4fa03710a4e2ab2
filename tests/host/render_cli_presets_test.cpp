// Chunk state through the renderer: a preset file and a bank saved from one
// run give the same sound in the next; plug-ins without chunks, presets of
// another plug-in and damaged files are refused with one line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/FileBytes.h"
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/WavReader.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;

class RenderCliPresets : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        smf_bytes::Body body;
        body.tempo(0, 10000).event(50, {0x90, 60, 127}).event(50, {0x80, 60, 0}).end();
        ASSERT_TRUE(render_run::writeFile(folder.file("note.mid"), smf_bytes::file(0, 480, {body.bytes})));
    }
    // The left channel of the note rendered after the given state options.
    std::vector<float> render(std::vector<std::string> args) {
        args.insert(args.begin(), KELVANTI_IMPULSE_PLUGIN);
        args.insert(args.end(), {"--midi", folder.file("note.mid"), "--out", folder.file("out.wav"), "--rate",
                                 "48000", "--tail", "0", "--float"});
        std::string failure;
        const std::vector<float> left = render_run::renderLeftChannel(args, folder.file("out.wav"), failure);
        EXPECT_TRUE(failure.empty()) << failure;
        return left;
    }
    ScratchFolder folder;
};

TEST_F(RenderCliPresets, SavedPresetAndBankRestoreTheSound) {
    const auto saved = runRender({KELVANTI_IMPULSE_PLUGIN, "--set", "Level=0.5n", "--set", "Click Width=3",
                                  "--save-fxp", folder.file("p.fxp"), "--save-bank", folder.file("b.bank")});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_TRUE(saved.out.empty()) << saved.out;   // saving alone renders nothing
    EXPECT_EQ(folder.names().size(), 3u);            // note.mid and the two files, no temporary files

    // The preset file: header fields of the impulse instrument, big-endian.
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(kelvanti_host::readWholeFile(folder.file("p.fxp"), 1 << 20, bytes, error)) << error;
    ASSERT_EQ(bytes.size(), 60u + 16u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "CcnK");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FPCh");
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "ImpT");
    EXPECT_EQ(bytes[23], 3);                                       // the record's version
    EXPECT_EQ(bytes[27], 3);                                       // three parameters
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "Impulse program with a long");   // 27 of 32
    EXPECT_EQ(bytes[59], 16);                                      // the chunk's size
    EXPECT_EQ(bytes[60], 'P');
    std::vector<uint8_t> bank;
    ASSERT_TRUE(kelvanti_host::readWholeFile(folder.file("b.bank"), 1 << 20, bank, error)) << error;
    ASSERT_EQ(bank.size(), 16u);
    EXPECT_EQ(bank[0], 'B');
    EXPECT_TRUE(std::equal(bank.begin() + 4, bank.end(), bytes.begin() + 64));

    const std::vector<float> direct = render({"--set", "Level=0.5n", "--set", "Click Width=3"});
    ASSERT_EQ(direct.size(), 101u);
    EXPECT_EQ(direct[49], 0.0f);
    for (int i = 50; i < 53; ++i) EXPECT_EQ(direct[std::size_t(i)], 0.5f) << i;   // three samples wide
    EXPECT_EQ(direct[53], 0.0f);
    EXPECT_EQ(direct[100], -0.125f);
    EXPECT_EQ(render({"--fxp", folder.file("p.fxp")}), direct);
    EXPECT_EQ(render({"--bank", folder.file("b.bank")}), direct);
    // --set applies after the preset.
    EXPECT_EQ(render({"--fxp", folder.file("p.fxp"), "--set", "Level=100"}).at(52), 1.0f);
}

TEST_F(RenderCliPresets, RefusalsGiveOneLine) {
    ASSERT_EQ(runRender({KELVANTI_IMPULSE_PLUGIN, "--save-fxp", folder.file("p.fxp")}).exitCode, 0);
    kelvanti_host::ChunkPreset preset;
    std::string error;
    ASSERT_TRUE(kelvanti_host::readChunkPreset(folder.file("p.fxp"), preset, error)) << error;
    std::vector<uint8_t> bytes = kelvanti_host::chunkPresetBytes(preset);
    auto variant = [&](const std::string& name, auto change) {
        std::vector<uint8_t> copy = bytes;
        change(copy);
        EXPECT_TRUE(render_run::writeFile(folder.file(name), copy));
        return folder.file(name);
    };
    const std::string truncated = variant("short.fxp", [](auto& b) { b.resize(70); });
    const std::string lying = variant("lying.fxp", [](auto& b) { b[58] = 0x10; });   // chunk size 4096 + 16
    const std::string wrongChunk = variant("chunk.fxp", [](auto& b) { b[60] = 'X'; });
    const std::string params = variant("params.fxp", [](auto& b) { std::memcpy(&b[8], "FxCk", 4); });
    const std::string forKelvanti = variant("hrvk.fxp", [](auto& b) { std::memcpy(&b[16], "HRVK", 4); });

    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const std::string impulse = KELVANTI_IMPULSE_PLUGIN;
    const std::vector<Case> cases = {
        {{impulse, "--fxp", truncated}, "chunk size 16 exceeds the 10 bytes"},
        {{impulse, "--fxp", lying}, "chunk size 4112 exceeds"},
        {{impulse, "--fxp", wrongChunk}, "the plug-in refused the program chunk (16 bytes)"},
        {{impulse, "--fxp", params}, "only 'FPCh' presets are read"},
        {{impulse, "--fxp", forKelvanti}, "a preset for plug-in HRVK, not for ImpT"},
        {{impulse, "--fxp", folder.file("none.fxp")}, "none.fxp: No such file"},
        {{impulse, "--bank", folder.file("p.fxp")}, "p.fxp: this is a preset (FXP): use --fxp"},
        {{impulse, "--bank", params}, "params.fxp: this is a preset (FXP): use --fxp"},
        {{KELVANTI_NOT_SYNTH_PLUGIN, "--save-fxp", folder.file("k.fxp")}, "is not an instrument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto result = runRender(c.args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
    }
    EXPECT_EQ(folder.names().size(), 7u);   // nothing written by the refused runs
}

// The editor's picture takes a preset as playing does: drawn after --fxp it
// is the picture of the same settings given by --set. No preset folder and
// no stored settings: both start from the plug-in's defaults.
TEST_F(RenderCliPresets, TheEditorsPictureShowsThePreset) {
    const char* registryBefore = std::getenv("KELVANTI_REGISTRY_DIR");
    const std::string registry = registryBefore ? registryBefore : "";
    std::filesystem::create_directories(folder.file("data"));
    std::filesystem::create_directories(folder.file("registry"));
    ::setenv("KELVANTI_DATA_DIR", folder.file("data").c_str(), 1);
    ::setenv("KELVANTI_REGISTRY_DIR", folder.file("registry").c_str(), 1);
    const std::string preset = folder.file("bright.fxp");
    const std::vector<std::string> settings = {"--set", "Timbre Range=1n", "--set", "Noise Mix=0.9n"};
    std::vector<std::string> save = settings;
    save.insert(save.end(), {"--save-fxp", preset});
    ASSERT_EQ(runRender(save).exitCode, 0);
    const auto shot = [&](std::vector<std::string> args, const std::string& name) {
        args.insert(args.end(), {"--editor-shot", folder.file(name)});
        const auto result = runRender(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.err.empty()) << result.err;
        std::vector<uint8_t> png;
        std::string error;
        EXPECT_TRUE(kelvanti_host::readWholeFile(folder.file(name), 1 << 24, png, error)) << error;
        return png;
    };
    const std::vector<uint8_t> fromPreset = shot({"--fxp", preset}, "preset.png");
    ASSERT_FALSE(fromPreset.empty());
    EXPECT_EQ(fromPreset, shot(settings, "settings.png"));
    EXPECT_NE(fromPreset, shot({}, "plain.png"));   // the positive control: the preset shows
    ::unsetenv("KELVANTI_DATA_DIR");
    if (registryBefore) ::setenv("KELVANTI_REGISTRY_DIR", registry.c_str(), 1);
    else ::unsetenv("KELVANTI_REGISTRY_DIR");
}

} // namespace
