// Program changes in a MIDI file land through the renderer's idle calls, in
// render time: each note has its program's sound, and the render is the same
// on every run and at every block size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;

constexpr int kRate = 44100;
constexpr int kNotes = 6;
constexpr double kBeatSeconds = 0.5;      // 120 bpm, the MIDI default
constexpr double kNoteAfterChange = 0.25;  // far more than a block of 512 frames

// On each beat a program change (0 and 1 in turn), half a beat later a note.
smf_bytes::Bytes alternatingPrograms() {
    smf_bytes::Body body;
    for (int i = 0; i < kNotes; ++i) {
        body.event(i == 0 ? 0 : 180, {0xC0, static_cast<uint8_t>(i % 2)});
        body.event(240, {0x90, 60, 110});
        body.event(60, {0x80, 60, 0});
    }
    return smf_bytes::file(0, 480, {body.end(480).bytes});
}

float peakBetween(const std::vector<float>& samples, double from, double to) {
    float peak = 0.0f;
    for (std::size_t i = static_cast<std::size_t>(from * kRate); i < samples.size() && i < to * kRate; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

class ProgramIdle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.ok());
        const std::string bank = folder_.file("data/Kelvanti Banks/Diverse");
        std::filesystem::create_directories(bank);
        std::filesystem::create_directories(folder_.file("registry"));
        ::setenv("KELVANTI_DATA_DIR", folder_.file("data").c_str(), 1);
        ::setenv("KELVANTI_REGISTRY_DIR", folder_.file("registry").c_str(), 1);
        ::setenv("KELVANTI_RANDOM_SEED", "7", 1);
        // Two programs of short notes, 20 dB apart: program 0 ("A") quiet, 1 ("B") loud.
        for (const auto& [name, volume] : {std::pair<const char*, const char*>{"A", "-20"}, {"B", "0"}}) {
            std::vector<std::string> args = {"--set", std::string("Main Volume=") + volume};
            for (const char* decay : {"Timbre Decay", "Base Decay", "Noise Decay", "Pitch Decay"})
                args.insert(args.end(), {"--set", std::string(decay) + "=0.05"});
            args.insert(args.end(), {"--save-fxp", bank + "/" + name + ".FXP"});
            const auto result = runRender(args);
            ASSERT_EQ(result.exitCode, 0) << result.err;
        }
        ASSERT_TRUE(render_run::writeFile(folder_.file("programs.mid"), alternatingPrograms()));
    }
    void TearDown() override {
        ::unsetenv("KELVANTI_DATA_DIR");
        ::unsetenv("KELVANTI_RANDOM_SEED");
    }

    std::vector<float> render(const std::string& block, const std::string& name) {
        std::string failure;
        const std::string out = folder_.file(name);
        auto left = render_run::renderLeftChannel(
            {"--midi", folder_.file("programs.mid"), "--out", out, "--float", "--block", block, "--tail", "0.5"}, out,
            failure);
        EXPECT_TRUE(failure.empty()) << failure;
        return left;
    }

    ScratchFolder folder_;
};

// The instrument's own sound depends on the block size (its noise and
// control steps follow the blocks), so renders are compared at one block
// size at a time; the programs must be right at each.
TEST_F(ProgramIdle, EachNoteHasItsProgramAtEveryBlockSizeAndEveryRun) {
    for (const char* block : {"1", "64", "512"}) {
        SCOPED_TRACE(std::string("block ") + block);
        const std::vector<float> first = render(block, std::string("first-") + block + ".wav");
        ASSERT_FALSE(first.empty());
        // Each note's own stretch: loud under program 1, 20 dB down under program 0.
        std::vector<float> peaks;
        for (int i = 0; i < kNotes; ++i) {
            const double on = i * kBeatSeconds + kNoteAfterChange;
            peaks.push_back(peakBetween(first, on, on + 0.2));
        }
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            SCOPED_TRACE("note " + std::to_string(i));
            ASSERT_GT(peaks[i], 1e-4f);   // every note sounds
            if (i % 2 == 1) {
                EXPECT_GT(peaks[i], 5.0f * peaks[i - 1]);
            } else if (i > 0) {
                EXPECT_LT(5.0f * peaks[i], peaks[i - 1]);
            }
        }
        for (int run = 0; run < 2; ++run) {
            const std::vector<float> again = render(block, "again-" + std::to_string(run) + ".wav");
            ASSERT_EQ(again.size(), first.size());
            std::size_t differing = 0;
            for (std::size_t i = 0; i < again.size(); ++i) differing += again[i] != first[i] ? 1 : 0;
            EXPECT_EQ(differing, 0u) << "run " << run;
        }
    }
}

} // namespace
