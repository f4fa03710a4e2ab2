// The render written to standard output, named "-" or /dev/stdout, whatever
// standard output is (a pipe, a socket): the stream holds the whole WAV file
// and nothing else, the summary goes to standard error, and no file appears
// in the folder the tool runs in.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/WavReader.h"
#include "tools/host/lib/WavWriter.h"

namespace {

using render_run::ScratchFolder;
using vsthost::StandardOutputKind;

// notes.mid in the folder: one note of half a second.
bool writeOneNote(const ScratchFolder& folder) {
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end();
    return render_run::writeFile(folder.file("notes.mid"), smf_bytes::file(0, 96, {body.bytes}));
}

// kelvanti-render run from inside folder, its standard output of the given
// kind or, with a redirection ("1< log.txt"), what the shell makes of it.
vsthost::ProcessResult renderIn(const ScratchFolder& folder, const std::vector<std::string>& args,
                                StandardOutputKind kind, const std::string& redirection = "") {
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\" " + redirection, folder.file("")};
    for (const std::string& part : vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER)) argv.push_back(part);
    argv.push_back(KELVANTI_RENDER_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    vsthost::ProcessResult result = vsthost::runProcess(argv, kind);
    result.err = render_run::withoutProgress(result.err);
    return result;
}

TEST(RenderCliStreams, StandardOutputCarriesTheWholeFileAndNothingElse) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(writeOneNote(folder));
    struct Case {
        const char* name;
        StandardOutputKind kind;
        const char* summaryStart;
    };
    const std::vector<Case> cases = {
        {"-", StandardOutputKind::Pipe, "standard output: 1.00 s, peak "},
        {"-", StandardOutputKind::Socket, "standard output: 1.00 s, peak "},
        {"/dev/stdout", StandardOutputKind::Pipe, "/dev/stdout: 1.00 s, peak "},
        {"/dev/stdout", StandardOutputKind::Socket, "/dev/stdout: 1.00 s, peak "},
    };
    constexpr std::size_t kFrames = 24000 + 24000;   // the note-off at 0.5 s, then half a second
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.kind == StandardOutputKind::Socket ? " on a socket" : " on a pipe"));
        const auto result = renderIn(folder,
                                     {KELVANTI_IMPULSE_PLUGIN, "--midi", "notes.mid", "--out", c.name, "--float",
                                      "--rate", "48000", "--tail", "0.5"},
                                     c.kind);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out.size(), kelvanti_host::wavFileBytes(kFrames, kelvanti_host::WavSampleFormat::Float32));
        kelvanti_host::WavAudio audio;
        std::string error;
        ASSERT_TRUE(kelvanti_host::parseWav(reinterpret_cast<const uint8_t*>(result.out.data()), result.out.size(),
                                            audio, error))
            << error;
        EXPECT_EQ(audio.frames(), kFrames);
        EXPECT_EQ(audio.sample(0, 0), 100.0f / 127.0f);
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_EQ(result.err.rfind(c.summaryStart, 0), 0u) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"notes.mid"});   // no file named "-", no temporary file
    }
}

// Standard output on a file, and any descriptor named, is written through
// the descriptor as the shell opened it: after >> the log gains the output;
// open only for reading, it is an error that leaves the file as it was.
TEST(RenderCliStreams, StandardOutputOnAFileIsWrittenThroughItsDescriptor) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(writeOneNote(folder));
    struct Case {
        const char* option;
        const char* name;
        const char* redirection;
        const char* expected;   // how what the log gains starts, or the error line
    };
    for (const Case& c : std::vector<Case>{
             {"--out", "/dev/stdout", ">>", "RIFF"},
             {"--out", "/proc/self/fd/1", ">>", "RIFF"},
             {"--out", "-", ">>", "RIFF"},
             {"--out", "log.txt", ">>", "RIFF"},   // the file standard output goes to, by its name
             {"--save-fxp", "/dev/stdout", ">>", "CcnK"},
             {"--out", "/dev/stdout", "1<",
              "cannot write /dev/stdout: it is standard output, which is not open for writing"},
             {"--out", "-", "1<", "cannot write to standard output: it is not open for writing"},
             {"--out", "/dev/stderr", "2>>", "RIFF"},
             {"--out", "/dev/fd/3", "3>>", "RIFF"},
             {"--save-fxp", "/proc/self/fd/3", "3>>", "CcnK"},
             {"--out", "/dev/fd/3", "3<", "cannot write /dev/fd/3: descriptor 3 is not open for writing"},
         }) {
        SCOPED_TRACE(std::string(c.option) + " " + c.name + " " + c.redirection);
        ASSERT_TRUE(render_run::writeFile(folder.file("log.txt"), {'l', 'o', 'g', '\n'}));
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, c.option, c.name};
        if (std::string(c.option) == "--out") args.insert(args.end(), {"--midi", "notes.mid"});
        const auto result = renderIn(folder, args, StandardOutputKind::Pipe, c.redirection + std::string(" log.txt"));
        std::ifstream in(folder.file("log.txt"), std::ios::binary);
        const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const bool refused = std::string(c.redirection).back() == '<';
        EXPECT_EQ(result.exitCode, refused ? 1 : 0) << result.err;
        EXPECT_EQ(log.substr(0, 4), "log\n");   // never replaced
        EXPECT_EQ(log.size() > 4, !refused);    // and gained nothing when refused
        EXPECT_NE((refused ? result.err : log.substr(4, 4)).find(c.expected), std::string::npos) << result.err;
        EXPECT_EQ(folder.names().size(), 2u);   // no temporary file left, no file named "-"
    }
}

// Started with standard output closed, a run that names it is refused
// before anything is written: no file of its own takes descriptor 1 and
// passes for it.
TEST(RenderCliStreams, AClosedStandardOutputIsRefusedBeforeAnythingIsWritten) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(writeOneNote(folder));
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const std::vector<std::vector<std::string>> cases = {
        {"--midi", "notes.mid", "--out", "take.wav", "--save-fxp", "-"},
        {"--save-bank", "kit.bank", "--save-fxp", "-"},
        {"--midi", "notes.mid", "--out", "/dev/stdout", "--save-bank", "kit.bank"},
    };
    for (const std::vector<std::string>& outputs : cases) {
        SCOPED_TRACE(outputs[outputs.size() - 3] + " " + outputs[outputs.size() - 1]);
        for (const char* name : {"take.wav", "kit.bank"}) ASSERT_TRUE(render_run::writeFile(folder.file(name), old));
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN};
        args.insert(args.end(), outputs.begin(), outputs.end());
        auto result = renderIn(folder, args, StandardOutputKind::Pipe, ">&-");
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("not open for writing"), std::string::npos) << result.err;
        for (const char* name : {"take.wav", "kit.bank"}) {
            std::vector<uint8_t> bytes;
            std::ifstream in(folder.file(name), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            EXPECT_EQ(bytes, old) << name;
        }
        EXPECT_EQ(folder.names().size(), 3u);   // no temporary file left
        // The positive control: with standard output open the same run succeeds.
        result = renderIn(folder, args, StandardOutputKind::Pipe);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_GT(result.out.size(), 4u);
    }
}

} // namespace
