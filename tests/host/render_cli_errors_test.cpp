// Bad input to the renderer: one clear line on standard error, a non-zero
// exit, nothing on standard output and no WAV file left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;

struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* expected;
};

TEST(RenderCliErrors, OneLineAndNoOutputFile) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(10, {0x80, 60, 0}).end();
    ASSERT_TRUE(render_run::writeFile(folder.file("good.mid"), smf_bytes::file(0, 96, {body.bytes})));
    ASSERT_TRUE(render_run::writeFile(folder.file("bad.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}));
    const std::string impulse = KELVANTI_IMPULSE_PLUGIN;
    const std::string good = folder.file("good.mid");
    const std::vector<Case> cases = {
        {{impulse, "--midi", folder.file("missing.mid")}, 1, "missing.mid: No such file or directory"},
        {{impulse, "--midi", folder.file("bad.mid")}, 1, "bad.mid: "},
        {{KELVANTI_NOT_SYNTH_PLUGIN, "--midi", good}, 1, "is not an instrument (no isSynth flag)"},
        {{folder.file("none.so"), "--midi", good}, 1, "no such file"},
        {{impulse, "--midi", good, "--set", "Loudness=0.5n"}, 1, "no parameter named 'Loudness'"},
        {{impulse, "--midi", good, "--set", "Level=abc"}, 2, "'abc' is not a number"},
        {{impulse, "--midi", good, "--set", "Level=1.5n"}, 2, "not a number from 0 to 1"},
        {{impulse, "--midi", good, "--set", "Level=5 dB"}, 1, "'dB' is not its unit; its display runs from 0.0 to 100.0"},
        {{impulse, "--midi", good, "--set", "Level"}, 2, "'Level' is not NAME=VALUE"},
        {{impulse, "--midi", good, "--rate", "0"}, 2, "--rate: '0' is not a whole number from 8000 to 384000"},
        {{impulse, "--midi", good, "--rate", "44.1k"}, 2, "--rate: '44.1k' is not a whole number"},
        {{impulse, "--midi", good, "--block", "0"}, 2, "--block: '0' is not a whole number from 1 to 8192"},
        {{impulse, "--midi", good, "--block", "99999999999"}, 2, "--block: "},
        {{impulse, "--midi", good, "--tail", "-1"}, 2, "--tail: '-1' is not a number of seconds"},
        {{impulse, "--midi", good, "--tail", "inf"}, 2, "--tail: 'inf'"},
        {{impulse, "--midi", good, "--out", folder.file("no/such/folder/out.wav")}, 1, "cannot create"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (c.expected != std::string("cannot create")) args.insert(args.end(), {"--out", folder.file("out.wav")});
        const auto result = runRender(args);
        SCOPED_TRACE(c.expected);
        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("usage:"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_EQ(folder.names().size(), 2u);   // the two MIDI files: no WAV, no temporary file
    }
}

// Opens path for writing once a reader has it open (or when told to stop),
// writes bytes and closes it. Never blocks: a reader that never comes is no hang.
void writeWhenRead(const std::string& path, const std::vector<uint8_t>& bytes, const std::atomic<bool>& stop) {
    while (!stop.load()) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (n > 0) at += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN) break;
        }
        ::close(fd);
        return;
    }
}

TEST(RenderCliErrors, AFifoNothingWritesToIsRefusedAtOnce) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(10, {0x80, 60, 0}).end();
    const std::vector<uint8_t> midi = smf_bytes::file(0, 96, {body.bytes});
    const std::string fifo = folder.file("input");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const char* option : {"--midi", "--fxp", "--bank"}) {
        SCOPED_TRACE(option);
        // A writer that comes only when the run has waited far longer than it may:
        // without it a run that waits for one would never end.
        std::atomic<bool> done{false};
        std::thread lateWriter([&] {
            for (int i = 0; i < 300 && !done.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            writeWhenRead(fifo, {}, done);
        });
        const auto started = std::chrono::steady_clock::now();
        const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, option, fifo, "--out", folder.file("out.wav")});
        const auto took = std::chrono::steady_clock::now() - started;
        done = true;
        lateWriter.join();
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(fifo + ": a FIFO nothing writes to"), std::string::npos) << result.err;
        EXPECT_LT(took, std::chrono::seconds(10));
    }
    // The positive control: a writer that comes once the run reads is waited for.
    std::atomic<bool> done{false};
    std::thread writer([&] { writeWhenRead(fifo, midi, done); });
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", fifo, "--out", folder.file("out.wav")});
    done = true;
    writer.join();
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(RenderCliPlugin, DefaultIsTheOneBesideTheProgram) {
    // The render goes through the built Kelvanti.so beside the program, which sounds the note.
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end();
    ASSERT_TRUE(render_run::writeFile(folder.file("a.mid"), smf_bytes::file(0, 96, {body.bytes})));
    const auto result = runRender({"--midi", folder.file("a.mid"), "--out", folder.file("a.wav"), "--tail", "0.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_NE(result.out.find(folder.file("a.wav") + ": 1.00 s, peak "), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("peak -inf"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" 1 voice (notes at once)"), std::string::npos) << result.out;
}

} // namespace
