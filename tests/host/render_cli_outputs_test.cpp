// What kelvanti-render leaves on disk: the kind of file it was told to write
// stays that kind, a failed or interrupted run writes nothing, and a WAV file
// past the format's limit is refused before the render starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/WavReader.h"

extern char** environ;

namespace {

using render_run::runRender;
using render_run::ScratchFolder;
namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string writeNotes(const ScratchFolder& folder) {
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end();
    const std::string path = folder.file("notes.mid");
    EXPECT_TRUE(render_run::writeFile(path, smf_bytes::file(0, 96, {body.bytes})));
    return path;
}

bool hasTemporary(const ScratchFolder& folder) {
    for (const std::string& name : folder.names())
        if (name.find(".tmp-") != std::string::npos) return true;
    return false;
}

TEST(RenderCliOutputs, RegularFilesKeepTheirModeAndLinksTheirTargets) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const std::string wav = folder.file("private.wav"), fxp = folder.file("private.fxp");
    for (const std::string& path : {wav, fxp}) {
        ASSERT_TRUE(render_run::writeFile(path, {'o', 'l', 'd'}));
        ::chmod(path.c_str(), 0600);
    }
    auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--out", wav});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = runRender({"--save-fxp", fxp});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const std::string& path : {wav, fxp}) {
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << path;
        EXPECT_GT(info.st_size, 3) << path;   // and it was written
    }

    // A link to a file in another folder: the target gets the new content, the link stays.
    fs::create_directories(folder.file("elsewhere"));
    const std::string target = folder.file("elsewhere/take.wav");
    ASSERT_TRUE(render_run::writeFile(target, {'o', 'l', 'd'}));
    fs::create_symlink("elsewhere/take.wav", folder.file("link.wav"));
    fs::create_symlink("elsewhere/new.fxp", folder.file("dangling.fxp"));
    result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--out", folder.file("link.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = runRender({"--save-fxp", folder.file("dangling.fxp")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(folder.file("link.wav")));
    EXPECT_TRUE(fs::is_symlink(folder.file("dangling.fxp")));
    kelvanti_host::WavAudio audio;
    std::string error;
    EXPECT_TRUE(kelvanti_host::readWav(target, audio, error)) << error;
    EXPECT_GT(fs::file_size(folder.file("elsewhere/new.fxp")), 60u);
    EXPECT_FALSE(hasTemporary(folder));
}

TEST(RenderCliOutputs, OneFileNamedForTwoOutputsIsRefusedBeforeAnythingIsWritten) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const std::string x = folder.file("x"), soft = folder.file("soft"), hard = folder.file("hard");
    const std::string fresh = folder.file("new.fxp"), dangling = folder.file("dangling");
    ASSERT_TRUE(render_run::writeFile(x, old));
    fs::create_symlink("x", soft);
    fs::create_hard_link(x, hard);
    fs::create_symlink("new.fxp", dangling);   // a link to a name that does not exist yet
    struct Case {
        std::vector<std::string> outputs;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"--out", x, "--save-fxp", x}, "--out " + x + " and --save-fxp " + x},
        {{"--save-fxp", x, "--out", soft}, "--out " + soft + " and --save-fxp " + x},
        {{"--out", hard, "--save-bank", x}, "--out " + hard + " and --save-bank " + x},
        {{"--save-fxp", x, "--save-bank", x}, "--save-bank " + x + " and --save-fxp " + x},
        {{"--save-fxp", fresh, "--save-bank", dangling}, "--save-bank " + dangling + " and --save-fxp " + fresh},
        {{"--out", "-", "--save-fxp", "-"}, "--out - and --save-fxp -"},
        {{"--out", "-", "--save-fxp", "/dev/stdout"}, "--out - and --save-fxp /dev/stdout"},
        {{"--out", "/proc/self/fd/1", "--save-bank", "-"}, "--out /proc/self/fd/1 and --save-bank -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN};
        if (c.outputs[0] == "--out" || c.outputs[2] == "--out") args.insert(args.end(), {"--midi", midi});
        args.insert(args.end(), c.outputs.begin(), c.outputs.end());
        const auto result = runRender(args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected + " are the same file"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());   // standard output got neither
        EXPECT_EQ(bytesOf(x), old);
        EXPECT_EQ(folder.names().size(), 5u);   // nothing new, no temporary file
    }
    // The positive control: each output a file of its own, the link's new target among them.
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--out", x, "--save-fxp", dangling,
                                   "--save-bank", folder.file("kit.bank")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(bytesOf(x), old);
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(folder.file("kit.bank")));
}

// A file its owner may not write is left as it is, as cp leaves it. Root may
// write any file (and cp as root replaces it), so as root the runs are an
// ordinary user's (setpriv, part of util-linux).
TEST(RenderCliOutputs, AReadOnlyFileIsRefusedAsCpRefusesIt) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    std::vector<std::string> prefix;
    if (root) {
        prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        ASSERT_EQ(::chown(folder.file("").c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chmod(midi.c_str(), 0644), 0);
    }
    if (root && runRender({KELVANTI_IMPULSE_PLUGIN, "--save-fxp", folder.file("probe.fxp")}, prefix).exitCode != 0)
        GTEST_SKIP() << "the renderer cannot run as uid 65534 here (setpriv missing, or the build or temporary "
                        "folder closed to other users); the other tests ran";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const char* option : {"--out", "--save-fxp", "--save-bank"}) {
        SCOPED_TRACE(option);
        const std::string path = folder.file(std::string("take") + option);
        ASSERT_TRUE(render_run::writeFile(path, old));
        if (root) {
            ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, option, path};
        if (std::string(option) == "--out") args.insert(args.end(), {"--midi", midi});
        auto result = runRender(args, prefix);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("cannot write " + path + ": Permission denied"), std::string::npos) << result.err;
        EXPECT_EQ(bytesOf(path), old);
        EXPECT_FALSE(hasTemporary(folder));
        // The positive control: the owner makes it writable again, and it is replaced.
        ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
        result = runRender(args, prefix);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(bytesOf(path), old);
    }
}

// Reads a FIFO until its writer closes it (at most 60 s).
std::vector<uint8_t> drainFifo(const std::string& path) {
    std::vector<uint8_t> got;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool writerSeen = false;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        uint8_t buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got.insert(got.end(), buffer, buffer + n);
            writerSeen = true;
        } else if (n == 0 && writerSeen) {
            break;   // the writer closed
        } else if (n == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));   // no writer yet
        }
    }
    ::close(fd);
    return got;
}

TEST(RenderCliOutputs, FifosAndDevicesAreWrittenInPlace) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const std::string fifo = folder.file("stream.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> streamed;
    std::thread reader([&] { streamed = drainFifo(fifo); });
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--out", fifo, "--float", "--rate",
                                   "48000", "--tail", "0.5"});
    reader.join();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    // The stream is a whole WAV file whose header tells its true length.
    kelvanti_host::WavAudio audio;
    std::string error;
    ASSERT_TRUE(kelvanti_host::parseWav(streamed.data(), streamed.size(), audio, error)) << error;
    EXPECT_EQ(audio.frames(), 24000u + 24000u);   // the note-off at 0.5 s, then half a second
    EXPECT_EQ(audio.sample(0, 0), 100.0f / 127.0f);
    EXPECT_FALSE(hasTemporary(folder));

    // A device node of our own that discards what it gets, like /dev/null.
    const std::string device = folder.file("null");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here (" << std::strerror(errno) << "); the FIFO case ran";
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--out", device},
          std::vector<std::string>{"--save-fxp", device}, std::vector<std::string>{"--save-bank", device}}) {
        const auto written = runRender(args);
        EXPECT_EQ(written.exitCode, 0) << written.err;
        ASSERT_EQ(::lstat(device.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << args.back();
        EXPECT_EQ(info.st_rdev, makedev(1, 3));
    }
    EXPECT_FALSE(hasTemporary(folder));
}

TEST(RenderCliOutputs, AFailedRunWritesNothing) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string good = writeNotes(folder);
    ASSERT_TRUE(render_run::writeFile(folder.file("bad.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}));
    const std::vector<uint8_t> old = {'k', 'e', 'e', 'p'};
    for (const char* name : {"keep.fxp", "keep.bank", "keep.wav"}) ASSERT_TRUE(render_run::writeFile(folder.file(name), old));
    const std::string fxp = folder.file("keep.fxp"), bank = folder.file("keep.bank"), wav = folder.file("keep.wav");
    ASSERT_TRUE(render_run::writeFile(folder.file("broken.fxp"), {'C', 'c', 'n', 'K'}));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{"--midi", folder.file("bad.mid"), "--save-fxp", fxp, "--save-bank", bank, "--out", wav}, 1, "bad.mid: "},
        {{"--fxp", folder.file("broken.fxp"), "--save-fxp", fxp, "--out", wav}, 1, "broken.fxp: "},
        {{"--midi", good, "--set", "Nothing=1", "--save-fxp", fxp, "--out", wav}, 1, "no parameter named"},
        {{"--midi", good, "--save-fxp", folder.file("no/folder/x.fxp"), "--out", wav}, 1, "cannot create"},
        {{"--midi", good, "--out", folder.file("."), "--save-fxp", fxp}, 1, "it is a folder"},
        {{"--midi", "", "--save-fxp", fxp}, 2, "--midi: an empty path"},
        {{"--out", "", "--midi", good}, 2, "--out: an empty path"},
        {{"--save-fxp", ""}, 2, "--save-fxp: an empty path"},
        {{"--fxp", ""}, 2, "--fxp: an empty path"},
        {{""}, 2, "an empty plug-in path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto result = runRender(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        for (const std::string& path : {fxp, bank, wav}) EXPECT_EQ(bytesOf(path), old) << path;
        EXPECT_EQ(folder.names().size(), 6u);   // nothing new, no temporary file
    }
    // The positive control: the same outputs with good inputs are written.
    const auto result = runRender({"--midi", good, "--save-fxp", fxp, "--save-bank", bank, "--out", wav});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const std::string& path : {fxp, bank, wav}) EXPECT_NE(bytesOf(path), old) << path;
}

// kelvanti-render run after a shell prefix ("ulimit -f 1", or mounts made in
// a mount namespace of its own, which vanish with it).
vsthost::ProcessResult renderAfter(const std::string& setup, bool mounts, const std::vector<std::string>& args) {
    std::vector<std::string> argv;
    if (mounts) argv = {"unshare", "--mount", "--propagation", "private"};
    argv.insert(argv.end(), {"/bin/sh", "-c", setup + " && exec \"$@\"", "sh"});
    for (const std::string& part : vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER)) argv.push_back(part);
    argv.push_back(KELVANTI_RENDER_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    vsthost::ProcessResult result = vsthost::runProcess(argv);
    result.err = render_run::withoutProgress(result.err);
    return result;
}

// Whether this machine lets the tests mount (root, or CAP_SYS_ADMIN, and unshare).
bool canMount(const ScratchFolder& folder) {
    fs::create_directories(folder.file("probe"));
    const auto probe = vsthost::runProcess({"unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                                            "mount -t tmpfs -o size=64k tmpfs \"$0\"", folder.file("probe")});
    fs::remove(folder.file("probe"));
    return probe.exitCode == 0;
}

// An output that fails after the others were made (a full disk, /dev/full,
// the file size limit) leaves every named file as it was: all temporary
// files are completed before a stream is written or anything is renamed.
TEST(RenderCliOutputs, AnOutputThatFailsLateReplacesNothing) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const std::string wav = folder.file("keep.wav"), fxp = folder.file("keep.fxp"), full = folder.file("full");
    fs::create_directories(full);
    const std::string fill = "mount -t tmpfs -o size=64k tmpfs '" + full + "' && { cat /dev/zero >'" + full +
                             "/filler' 2>/dev/null; true; }";
    const bool mounting = canMount(folder);
    struct Case {
        std::vector<std::string> outputs;
        std::string setup;   // "": run as it is
        bool mounts;
        std::string expected;
        std::string roomy;   // the last output for the positive control ("": as it is, without setup)
    };
    const std::vector<Case> cases = {
        {{"--out", wav, "--save-bank", "/dev/full"}, "", false, "cannot write /dev/full: No space left", "/dev/null"},
        {{"--save-fxp", fxp, "--save-bank", "/dev/full"}, "", false, "cannot write /dev/full: No space", "/dev/null"},
        {{"--out", wav, "--save-fxp", fxp}, "ulimit -f 1", false, "keep.wav: File too large", ""},
        {{"--out", wav, "--save-fxp", full + "/new.fxp"}, fill, true, "new.fxp: No space left on device",
         folder.file("room")},
        {{"--out", wav, "--save-fxp", fxp, "--save-bank", full + "/new.bank"}, fill, true, "new.bank: No space left",
         folder.file("room")},
    };
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        if (c.mounts && !mounting) continue;   // said below
        for (const std::string& path : {wav, fxp}) ASSERT_TRUE(render_run::writeFile(path, old));
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN};
        if (c.outputs[0] == "--out") args.insert(args.end(), {"--midi", midi});
        args.insert(args.end(), c.outputs.begin(), c.outputs.end());
        auto result = c.setup.empty() ? runRender(args) : renderAfter(c.setup, c.mounts, args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        for (const std::string& path : {wav, fxp}) EXPECT_EQ(bytesOf(path), old) << path;
        EXPECT_FALSE(hasTemporary(folder));
        // The positive control: given room, the same run replaces the files it names.
        if (!c.roomy.empty()) args.back() = c.roomy;
        result = runRender(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        for (const std::string& path : {wav, fxp})
            EXPECT_EQ(bytesOf(path) != old, std::find(args.begin(), args.end(), path) != args.end()) << path;
    }
    if (!mounting) GTEST_SKIP() << "cannot mount a small tmpfs here (unshare --mount needs root or CAP_SYS_ADMIN); "
                                   "the other cases ran";
}

// One new file named two ways through a bind mount is one file: refused
// like any other name of it.
TEST(RenderCliOutputs, ANewFileNamedThroughABindMountIsRefused) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    if (!canMount(folder)) GTEST_SKIP() << "cannot bind-mount here (unshare --mount needs root or CAP_SYS_ADMIN)";
    const std::string midi = writeNotes(folder);
    const std::string a = folder.file("a"), b = folder.file("b");
    fs::create_directories(a);
    fs::create_directories(b);
    const std::string bind = "mount --bind '" + a + "' '" + b + "'";
    struct Case {
        std::vector<std::string> outputs;
        int exitCode;
    };
    for (const Case& c : std::vector<Case>{
             {{"--out", a + "/take", "--save-fxp", b + "/take"}, 1},
             {{"--save-bank", b + "/kit", "--save-fxp", a + "/kit"}, 1},
             {{"--out", a + "/take", "--save-fxp", b + "/kit"}, 0},   // the positive control: two names
         }) {
        SCOPED_TRACE(c.outputs[1] + " " + c.outputs[3]);
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, "--midi", midi};
        args.insert(args.end(), c.outputs.begin(), c.outputs.end());
        const auto result = renderAfter(bind, true, args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(result.err.find("are the same file") != std::string::npos, c.exitCode == 1) << result.err;
        EXPECT_EQ(fs::is_empty(a), c.exitCode == 1);   // nothing written when refused
    }
}

TEST(RenderCliOutputs, WavFilesPastFourGibibytesAreRefusedBeforeTheyStart) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    // An hour of stereo at 384 kHz: 11.1 GB of 32-bit float, 8.3 GB of 24-bit PCM.
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--rate", "384000", "--float"}, std::vector<std::string>{"--rate", "384000"}}) {
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--tail", "3600", "--out",
                                         folder.file("long.wav")};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto started = std::chrono::steady_clock::now();
        const auto result = runRender(args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("past the WAV format's 4 GiB limit"), std::string::npos) << result.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));   // nothing was rendered
        EXPECT_EQ(folder.names().size(), 1u);
    }
}

// Starts kelvanti-render without waiting for it; its standard output goes
// to outputFd (-1: /dev/null).
pid_t startRender(const std::vector<std::string>& args, int outputFd = -1) {
    std::vector<std::string> all = vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER);
    all.push_back(KELVANTI_RENDER_PATH);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST(RenderCliOutputs, AnInterruptedRenderLeavesNoTemporaryFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        ScratchFolder folder;
        ASSERT_TRUE(folder.ok());
        const std::string midi = writeNotes(folder);
        ASSERT_TRUE(render_run::writeFile(folder.file("take.wav"), {'o', 'l', 'd'}));
        const pid_t pid = startRender({KELVANTI_IMPULSE_PLUGIN, "--midi", midi, "--tail", "3000", "--rate", "8000",
                                       "--block", "64", "--out", folder.file("take.wav")});
        ASSERT_GT(pid, 0);
        // Wait until the render has written into its temporary file.
        bool rendering = false;
        for (int i = 0; i < 3000 && !rendering; ++i) {
            for (const std::string& name : folder.names())
                if (name.find(".tmp-") != std::string::npos && fs::file_size(folder.file(name)) > 65536) rendering = true;
            if (!rendering) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(rendering);   // the positive control: there was a temporary file to remove
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(hasTemporary(folder));
        EXPECT_EQ(bytesOf(folder.file("take.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

// A reader of standard output that quits early ends the run (SIGPIPE), and
// the files the run was to write stay as they were, written before the
// stream or after it.
TEST(RenderCliOutputs, AReaderThatQuitsEarlyLeavesNoTemporaryFile) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string midi = writeNotes(folder);
    const std::string preset = folder.file("kit.fxp"), wav = folder.file("take.wav");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const std::vector<std::string>& outputs : {std::vector<std::string>{"--out", "-", "--save-fxp", preset},
                                                    std::vector<std::string>{"--out", wav, "--save-fxp", "-"},
                                                    std::vector<std::string>{"--save-bank", preset, "--save-fxp", "-"}}) {
        SCOPED_TRACE(outputs[1] + " " + outputs[3]);
        for (const std::string& path : {preset, wav}) ASSERT_TRUE(render_run::writeFile(path, old));
        std::vector<std::string> args = {KELVANTI_IMPULSE_PLUGIN};
        if (outputs[0] == "--out") args.insert(args.end(), {"--midi", midi});
        args.insert(args.end(), outputs.begin(), outputs.end());
        int ends[2];
        ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]);   // nothing reads standard output: the first write ends the run
        const pid_t pid = startRender(args, ends[1]);
        ::close(ends[1]);
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
        EXPECT_FALSE(hasTemporary(folder));
        for (const std::string& path : {preset, wav}) EXPECT_EQ(bytesOf(path), old) << path;
        // The positive control: read to the end, the same run replaces the file it names.
        const auto result = runRender(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(bytesOf(outputs[1] == "-" ? outputs[3] : outputs[1]), old);
    }
}

} // namespace
