// What kelvanti-render says and plays: a chunk the plug-in refuses is an
// error line with its words escaped, values that cannot be meant are
// refused, the command line wins over the demo, clipping is reported, and
// the tail is counted exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/WavReader.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;
using render_run::summaryPeak;

kelvanti_host::WavAudio readOutput(const std::string& path) {
    kelvanti_host::WavAudio audio;
    std::string error;
    EXPECT_TRUE(kelvanti_host::readWav(path, audio, error)) << error;
    return audio;
}

class Seeded : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KELVANTI_RANDOM_SEED", "11", 1); }
    void TearDown() override { ::unsetenv("KELVANTI_RANDOM_SEED"); }
};

TEST_F(Seeded, ARefusedChunkIsOneEscapedLineEveryTime) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string good = folder.file("good.fxp");
    auto result = runRender({"--save-fxp", good});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The same preset with its first block's tag made of terminal control bytes.
    std::ifstream in(good, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 64u);
    bytes[60] = 0x1b;
    bytes[61] = '[';
    bytes[62] = '2';
    bytes[63] = 'J';
    ASSERT_TRUE(render_run::writeFile(folder.file("broken.fxp"), bytes));

    std::string first;
    for (int run = 0; run < 3; ++run) {   // the plug-in's words come every time, not when a timer fires
        result = runRender({"--fxp", folder.file("broken.fxp"), "--out", folder.file("out.wav")});
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("broken.fxp: the plug-in refused the program chunk"), std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << "raw control byte on the terminal";
        EXPECT_NE(result.err.find("\\x1b"), std::string::npos) << result.err;   // shown, escaped
        if (run == 0) first = result.err;
        EXPECT_EQ(result.err, first);
    }
    EXPECT_EQ(folder.names().size(), 2u);   // no WAV
    // A bank the plug-in cannot read: refused too.
    ASSERT_TRUE(render_run::writeFile(folder.file("broken.bank"), {'n', 'o', 't', ' ', 'a', ' ', 'b', 'a', 'n', 'k'}));
    result = runRender({"--bank", folder.file("broken.bank"), "--out", folder.file("out.wav")});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
    EXPECT_NE(result.err.find("the plug-in refused the bank chunk"), std::string::npos) << result.err;
    // The positive control: the good preset loads.
    result = runRender({"--fxp", good, "--out", folder.file("out.wav")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST_F(Seeded, ValuesThatCannotBeMeantAreRefusedWithTheRange) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string out = folder.file("out.wav");
    struct Case {
        const char* setting;
        int exitCode;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{
             {"Main Volume=inf", 1, "--set Main Volume: no display value matches 'inf'; its display runs from -oo to "},
             {"Main Volume=+oo", 1, "no display value matches '+oo'"},
             {"Main Volume=nan", 2, "'nan' is not a number"},
             {"Main Volume=-6dB", 1, "--set Main Volume: 'dB' is not its unit; its display runs from -oo to "},
             {"Main Volume=-6 Hz", 1, "'Hz' is not its unit"},
         }) {
        SCOPED_TRACE(c.setting);
        const auto result = runRender({"--set", c.setting, "--out", out});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_TRUE(folder.names().empty());
    }
    // A unit that is the parameter's label is taken, with the same result as without it.
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 127}).event(10, {0x80, 60, 0}).end();
    ASSERT_TRUE(render_run::writeFile(folder.file("n.mid"), smf_bytes::file(0, 96, {body.bytes})));
    const std::string a = folder.file("a.wav"), b = folder.file("b.wav");
    auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("n.mid"), "--set", "Level=50 %", "--out", a});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("n.mid"), "--set", "Level=50", "--out", b});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto withUnit = readOutput(a), without = readOutput(b);
    ASSERT_EQ(withUnit.samples, without.samples);
    EXPECT_NEAR(withUnit.sample(0, 0), 0.5f, 0.01f);
}

TEST_F(Seeded, TheCommandLineWinsOverTheDemoAndClippingIsReported) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    // The demo sets Main Volume itself; -oo given here must still silence it
    // (the plug-in's output floor of 1e-7 is all that is left).
    auto result = runRender({"--set", "Main Volume=-oo", "--out", folder.file("silent.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_LT(summaryPeak(result.out), -120.0) << result.out;
    result = runRender({"--out", folder.file("demo.wav")});   // the positive control
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_GT(summaryPeak(result.out), -20.0) << result.out;
    EXPECT_EQ(result.out.find("CLIPPED"), std::string::npos) << result.out;

    // At full volume the demo passes full scale: the float file keeps it, the summary of the PCM file says so.
    result = runRender({"--set", "Main Volume=1n", "--float", "--out", folder.file("loud-float.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("CLIPPED"), std::string::npos) << result.out;
    const auto loud = readOutput(folder.file("loud-float.wav"));
    float peak = 0.0f;
    std::size_t over = 0;
    for (const float s : loud.samples) {
        peak = std::max(peak, std::fabs(s));
        over += std::fabs(s) > 1.0f ? 1 : 0;
    }
    ASSERT_GT(peak, 1.0f);
    result = runRender({"--set", "Main Volume=1n", "--out", folder.file("loud.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    char expected[128];
    std::snprintf(expected, sizeof expected, "; CLIPPED: %zu samples above full scale, peak %.1f dB over\n", over,
                  20.0 * std::log10(peak));
    EXPECT_NE(result.out.find(expected), std::string::npos) << result.out << " wanted " << expected;
}

TEST(RenderCliValues, AValueOffItsDisplaySaysWhichWasUsed) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    struct Case {
        const char* setting;
        const char* note;   // "" when the display reads the value asked for
    };
    for (const Case& c : std::vector<Case>{
             {"Main Volume=-40", "--set Main Volume: '-40' lies between two values its display shows, -oo and -24; "
                                 "using -24\n"},
             {"Main Volume=12", "--set Main Volume: '12' is past what its display shows; using the nearest, 9.0;"},
             {"Base Attack=0.2", "--set Base Attack: '0.2' is past what its display shows; using the nearest, 0.100;"},
             {"Main Volume=-24.04", "'-24.04' lies between two values its display shows, -oo and -24; using -24\n"},
             {"Main Volume=-1.5", "'-1.5' lies between two values its display shows, -1.6 and -1.4; using -1.6\n"},
             {"Pitch Depth=12.5", "'12.5' lies between two values its display shows, 12 and 13; using 12\n"},
             {"Waveform=1.5", "'1.5' lies between two values its display shows, 1 and 2; using 1\n"},
             {"Velocity Curve=5.5", "'5.5' lies between two values its display shows, 5 and 6; using 5\n"},
             {"Noise Colour=10.003", "'10.003' lies between two values its display shows, 10.00 and 10.01; "
                                     "using 10.00\n"},
             // Exact ties, counted in the display's own decimals, go to the lower value.
             {"Noise Mix=0.755", "'0.755' lies between two values its display shows, 0.75 and 0.76; using 0.75\n"},
             {"Noise Mix=0.745", "'0.745' lies between two values its display shows, 0.74 and 0.75; using 0.74\n"},
             {"Main Volume=-7.3", "'-7.3' lies between two values its display shows, -7.4 and -7.2; using -7.4\n"},
             {"Noise Colour=10.005", "'10.005' lies between two values its display shows, 10.00 and 10.01; "
                                     "using 10.00\n"},
             {"Noise Mix=0.75500000000000000001", "0.75 and 0.76; using 0.76\n"},   // no tie: past the middle
             {"Noise Colour=10.01", ""},   // what the display shows, at its own decimals or fewer
             {"Pitch Depth=12", ""},
             {"Main Volume=-6", ""},
             {"Main Volume=-oo", ""},
             {"Noise Mix=0.5", ""},
         }) {
        SCOPED_TRACE(c.setting);
        const auto result = runRender({"--set", c.setting, "--save-fxp", folder.file("p.fxp")});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        if (*c.note == '\0') {
            EXPECT_TRUE(result.err.empty()) << result.err;
            continue;
        }
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.note), std::string::npos) << result.err;
    }
}

// Each value --help gives as an example of --set is taken, as asked, by
// the plug-in beside the program (its Main Volume shows every kind).
TEST(RenderCliValues, TheHelpsExamplesAreTaken) {
    const std::string help = runRender({"--help"}).out;
    const std::size_t start = help.find("  --set NAME=VALUE");
    const std::size_t end = help.find("\n  --", start + 1);
    ASSERT_NE(end, std::string::npos) << help;
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    int examples = 0;
    for (std::size_t open = help.find('"', start); open < end; open = help.find('"', open + 1)) {
        const std::size_t close = help.find('"', open + 1);
        const std::string example = help.substr(open + 1, close - open - 1);
        const auto result = runRender({"--set", "Main Volume=" + example, "--save-fxp", folder.file("p.fxp")});
        EXPECT_EQ(result.exitCode, 0) << example << ": " << result.err;
        EXPECT_TRUE(result.err.empty()) << example << ": " << result.err;
        open = close;
        ++examples;
    }
    EXPECT_GE(examples, 4) << help;
}

TEST(RenderCliLength, TheTailCountsFromTheLastEvent) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    // 96 ticks per beat at 120 bpm: the note-off at tick 192 is at 1 s.
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(192, {0x80, 60, 0}).end();
    ASSERT_TRUE(render_run::writeFile(folder.file("n.mid"), smf_bytes::file(0, 96, {body.bytes})));
    for (const auto& [tail, frames] : std::vector<std::pair<const char*, std::size_t>>{
             {"4", 48000 + 192000}, {"0.5", 48000 + 24000}, {"0", 48001}}) {
        SCOPED_TRACE(tail);
        const std::string out = folder.file(std::string("t") + tail + ".wav");
        const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("n.mid"), "--rate", "48000",
                                       "--tail", tail, "--out", out});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(readOutput(out).frames(), frames);
    }
}

} // namespace
