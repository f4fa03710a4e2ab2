// Programs of the plug-in: the preset folder listed at start, host and MIDI
// program changes with their hold-offs, banks, program names, the settings
// columns that take effect through the dispatcher, and the stored preset paths.
#include "engine/instrument/Zendrix_c.h"
#include "framework/platform/Registry.h"
#include "framework/synth/FxpFormat.h"
#include "framework/synth/HoldData_c.h"
#include "os/Clock.h"
#include "os/FileSystem.h"
#include "support/OsScratchFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsynth::Block;
using testsynth::Events;
using testsynth::FakeHost;

class Plugin : public Zendrix_c {
public:
    Plugin() : Zendrix_c(&FakeHost::callback) {}
    ~Plugin() override { close(); }
    // As a host starts it: the first idle call drains the program change
    // that open posts, so it cannot land in the middle of a test.
    void startProcessing() {
        setSampleRate(44100.0f);
        setBlockSize(64);
        resume();
        fxIdle();
    }
    std::string presetLoadPath() { return getPresetLoadPathText(0); }
    int32_t instrumentValue(int column) { return instrumentSettings().getValue(0, column); }
};

// A host that calls effIdle itself: the plug-in runs no timer of its own, so
// commands are drained exactly where a test calls fxIdle.
struct IdleHost : FakeHost {
    IdleHost() { canDo["supplyIdle"] = 1; }
};

std::string programFileName(int i) {
    return i == 5 ? "Prog 05 has a much longer name" : "Prog 0" + std::to_string(i);
}

// A data folder with the banks "Diverse" (eight presets), "Drums" (two) and
// "Empty" (none), written by the plug-in itself with host parameter 0 set to
// a value of its own in each; and a registry of the test's own.
class ProgramBank : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
        ::setenv("KELVANTI_DATA_DIR", writerData.path().c_str(), 1);
        diverse = data / "Kelvanti Banks/Diverse";
        std::filesystem::create_directories(diverse);
        std::filesystem::create_directories(data / "Kelvanti Banks/Drums");
        std::filesystem::create_directories(data / "Kelvanti Banks/Empty");
        // The writer runs no idle timer, and its own start-up program change
        // is drained before it writes: a program change drained between a
        // parameter write and a save would load a preset in between.
        IdleHost host;
        Plugin writer;
        writer.open();
        writer.fxIdle();
        for (int i = 0; i < 8; ++i) {
            writer.setParameter(0, static_cast<float>(i + 1) / 10.0f);
            timbre.push_back(writer.getParameter(0));
            ASSERT_TRUE(writer.saveProgramFile(0, diverse + "/" + programFileName(i) + ".FXP"));
        }
        for (const char* drum : {"Kick", "Snare"}) {
            writer.setParameter(0, drum[0] == 'K' ? 0.95f : 0.05f);
            drumTimbre.push_back(writer.getParameter(0));
            ASSERT_TRUE(writer.saveProgramFile(0, data / "Kelvanti Banks/Drums/" + drum + ".FXP"));
        }
        writer.close();
        ::setenv("KELVANTI_DATA_DIR", data.path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KELVANTI_DATA_DIR"); }

    OsScratchFolder registry, writerData, data;
    std::string diverse;
    std::vector<float> timbre, drumTimbre;
};

std::string programName(Plugin& plugin, int index, bool* answered = nullptr) {
    char text[kVstMaxProgNameLen + 8] = {};
    const bool ok = plugin.getProgramNameIndexed(0, index, text);
    if (answered) *answered = ok;
    return text;
}

std::string currentProgramName(Plugin& plugin) {
    char text[kVstMaxProgNameLen + 8] = {};
    plugin.getProgramName(text);
    return text;
}

// Runs work with the clock held exactly `elapsed` ms after `since`.
void atElapsed(uint32_t since, int32_t elapsed, const std::function<void()>& work) {
    os::holdTickForTesting(since + static_cast<uint32_t>(elapsed));
    work();
    os::releaseTickForTesting();
}

TEST_F(ProgramBank, HostProgramChangesSelectListedPresetsAtTheNextDrain) {
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    // The first resume lists the default bank and loads its first preset.
    EXPECT_EQ(plugin.getProgram(), 0);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    EXPECT_EQ(currentProgramName(plugin), "Prog 00");
    EXPECT_EQ(plugin.presetLoadPath(), diverse + "/Prog 00.FXP");

    // Names: sorted file names without extension, cut for the host's
    // 24-byte buffer; "empty" past the last file; nothing past 127.
    EXPECT_EQ(programName(plugin, 5), std::string("Prog 05 has a much longer name").substr(0, 23));
    EXPECT_EQ(programName(plugin, 7), "Prog 07");
    EXPECT_EQ(programName(plugin, 8), "empty");
    bool answered = true;
    programName(plugin, 128, &answered);
    EXPECT_FALSE(answered);

    plugin.setProgram(2);
    EXPECT_EQ(plugin.getProgram(), 0); // not before the drain
    plugin.fxIdle();
    EXPECT_EQ(plugin.getProgram(), 2);
    EXPECT_EQ(currentProgramName(plugin), "Prog 02");
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[2]);
    EXPECT_EQ(plugin.presetLoadPath(), diverse + "/Prog 02.FXP");
    EXPECT_EQ(plugin.instrumentValue(SynGloIns_c::kProgram), 2);

    // Past the files and past the program count: nothing changes.
    for (const int beyond : {8, 20, 200}) {
        plugin.setProgram(beyond);
        plugin.fxIdle();
        EXPECT_EQ(plugin.getProgram(), 2) << beyond;
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[2]) << beyond;
    }

    // MIDI program change: applied after the block, at the drain; one past
    // the files is ignored.
    Block block(64);
    Events events;
    events.add(0, 0xC0, 4, 0);
    plugin.processEvents(events.list());
    plugin.processReplacing(nullptr, block.pointers, 64);
    EXPECT_EQ(plugin.getProgram(), 2);
    plugin.fxIdle();
    EXPECT_EQ(plugin.getProgram(), 4);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[4]);
    Events beyond;
    beyond.add(0, 0xC0, 9, 0);
    plugin.processEvents(beyond.list());
    plugin.processReplacing(nullptr, block.pointers, 64);
    plugin.fxIdle();
    EXPECT_EQ(plugin.getProgram(), 4);

    // NRPN 1025 steps the program up only for data of 64 or more.
    for (const uint8_t data : {63, 64}) {
        Events nrpn;
        nrpn.add(0, 0xB0, 99, 1025 >> 7);
        nrpn.add(0, 0xB0, 98, 1025 & 0x7F);
        nrpn.add(0, 0xB0, 6, data);
        plugin.processEvents(nrpn.list());
        plugin.processReplacing(nullptr, block.pointers, 64);
        plugin.fxIdle();
        EXPECT_EQ(plugin.getProgram(), data < 64 ? 4 : 5) << int(data);
    }

    // The editor's arrows step the program; the left one stops at 0.
    EXPECT_TRUE(plugin.handleCommand(kCmdEditorKeyPress, 0, 13, 0));
    EXPECT_EQ(plugin.getProgram(), 6);
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(plugin.handleCommand(kCmdEditorKeyPress, 0, 256 + 11, 0));
    EXPECT_EQ(plugin.getProgram(), 0);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    EXPECT_FALSE(plugin.handleCommand(kCmdEditorKeyPress, 'a', 0, 0));
    EXPECT_FALSE(plugin.handleCommand(kCmdEditorKeyRelease, 0, 11, 0));
    EXPECT_FALSE(plugin.handleCommand(200, 0, 0, 0));
}

VstIntPtr dispatch(Plugin& plugin, VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
    return plugin.dispatcher(opcode, 0, value, ptr, 0.0f);
}

std::string hostProgramName(Plugin& plugin) {
    char text[kVstMaxProgNameLen + 8] = {};
    dispatch(plugin, effGetProgramName, 0, text);
    return text;
}

int loadErrors(const ScriptedDialogs& dialogs) {
    int n = 0;
    for (const os::DialogRequest& r : dialogs.asked) n += r.caption == "Load Error";
    return n;
}

// Three presets that load and a fourth that does not; a bank "Broken" whose
// only preset does not load either. Selecting one of them keeps the program
// that was current: number, name, sound, path and the menus' values, and the
// user sees one error box.
TEST_F(ProgramBank, APresetThatDoesNotLoadNeverBecomesTheProgram) {
    std::vector<uint8_t> good;
    ASSERT_TRUE(os::readFile(diverse + "/Prog 00.FXP", good, 1 << 20));
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    };
    const Case cases[] = {
        {"cut short", [](std::vector<uint8_t>& b) { b.resize(40); }},
        {"another plug-in's", [](std::vector<uint8_t>& b) { std::copy_n("XXXX", 4, b.begin() + 16); }},
        {"a block no module takes", [](std::vector<uint8_t>& b) { std::copy_n("QQQQ", 4, b.begin() + 60); }},
    };
    for (const Case& c : cases) {
        OsScratchFolder own;
        const std::string bank = own / "Kelvanti Banks/Diverse";
        std::filesystem::create_directories(bank);
        std::filesystem::create_directories(own / "Kelvanti Banks/Broken");
        for (int i = 0; i < 3; ++i)
            std::filesystem::copy_file(diverse + "/" + programFileName(i) + ".FXP", bank + "/" + programFileName(i) + ".FXP");
        std::vector<uint8_t> broken = good;
        c.spoil(broken);
        ASSERT_TRUE(os::writeFileAtomic(bank + "/Prog 03.FXP", broken.data(), broken.size()));
        ASSERT_TRUE(os::writeFileAtomic(own / "Kelvanti Banks/Broken/Only.FXP", broken.data(), broken.size()));
        ::setenv("KELVANTI_DATA_DIR", own.path().c_str(), 1);

        IdleHost host;
        ScriptedDialogs dialogs;
        Plugin plugin;
        plugin.startProcessing();
        dispatch(plugin, effSetProgram, 2);
        dispatch(plugin, effIdle);
        ASSERT_EQ(dispatch(plugin, effGetProgram), 2) << c.what;
        ASSERT_FLOAT_EQ(plugin.getParameter(0), timbre[2]) << c.what;
        ASSERT_EQ(loadErrors(dialogs), 0) << c.what;

        dispatch(plugin, effSetProgram, 3);
        dispatch(plugin, effIdle);
        EXPECT_EQ(dispatch(plugin, effGetProgram), 2) << c.what;
        EXPECT_EQ(hostProgramName(plugin), "Prog 02") << c.what;
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[2]) << c.what;
        EXPECT_EQ(plugin.instrumentValue(SynGloIns_c::kProgram), 2) << c.what;
        EXPECT_EQ(plugin.presetLoadPath(), bank + "/Prog 02.FXP") << c.what;
        EXPECT_EQ(loadErrors(dialogs), 1) << c.what;

        // The bank: its list, its number and the program stay as they were.
        const int32_t diverseIndex = plugin.instrumentValue(SynGloIns_c::kBank);
        ASSERT_STREQ(plugin.partBankList(0).getName(0), "Broken");
        plugin.selectPartBank(0, 0);
        EXPECT_EQ(plugin.instrumentValue(SynGloIns_c::kBank), diverseIndex) << c.what;
        EXPECT_EQ(dispatch(plugin, effGetProgram), 2) << c.what;
        EXPECT_EQ(hostProgramName(plugin), "Prog 02") << c.what;
        EXPECT_EQ(programName(plugin, 1), "Prog 01") << c.what;
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[2]) << c.what;
        EXPECT_EQ(loadErrors(dialogs), 2) << c.what;
    }
}

TEST_F(ProgramBank, HostProgramChangesWaitAfterSetChunkAndAfterOpenInFruity) {
    {
        IdleHost host;
        Plugin plugin;
        plugin.startProcessing();
        void* data = nullptr;
        const VstInt32 size = plugin.getChunk(&data, false);
        ASSERT_GT(size, 0);
        const std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        ASSERT_EQ(plugin.setChunk(const_cast<uint8_t*>(bank.data()), size, false), size);
        const uint32_t loaded = plugin.lastSetChunkMs();

        // 999 ms after the chunk the host is only asked to update its display.
        const int displays = host.displayUpdates;
        atElapsed(loaded, 999, [&] { plugin.hostProgramChange(3); });
        EXPECT_EQ(plugin.getProgram(), 0);
        EXPECT_GT(host.displayUpdates, displays);
        atElapsed(loaded, 1000, [&] { plugin.hostProgramChange(3); });
        EXPECT_EQ(plugin.getProgram(), 3);
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[3]);
    }
    {
        // Without any setChunk the window never applies, wherever the
        // 32-bit clock stands (here more than 2^31 ms from 0).
        IdleHost host;
        Plugin plugin;
        plugin.startProcessing();
        os::setTickOffsetForTesting(0x80000010u - os::tickMs());
        plugin.hostProgramChange(1);
        os::setTickOffsetForTesting(0);
        EXPECT_EQ(plugin.getProgram(), 1);
    }
    for (const bool fruity : {true, false}) {
        IdleHost host;
        if (fruity) host.product = "Fruity Wrapper";
        Plugin plugin;
        plugin.startProcessing();
        plugin.hostProgramChange(2); // right after open
        EXPECT_EQ(plugin.getProgram(), fruity ? 0 : 2) << fruity;
    }
}

TEST_F(ProgramBank, BankSelectionListsTheFolderAndLoadsItsFirstPreset) {
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    FileList_c& banks = plugin.partBankList(0);
    ASSERT_EQ(banks.count(), 3);
    EXPECT_STREQ(banks.getName(1), "Drums");

    plugin.selectPartBank(0, 1);
    EXPECT_EQ(plugin.instrumentValue(SynGloIns_c::kBank), 1);
    EXPECT_EQ(plugin.getProgram(), 0);
    EXPECT_EQ(plugin.currentBankIndex(), 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), drumTimbre[0]);
    EXPECT_EQ(programName(plugin, 1), "Snare");
    plugin.setProgram(1);
    plugin.fxIdle();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), drumTimbre[1]);

    // A folder without presets: "Program" 0, the loaded preset stays.
    const std::string before = plugin.presetLoadPath();
    plugin.selectPartBank(0, 2);
    EXPECT_EQ(plugin.instrumentValue(SynGloIns_c::kProgram), 0);
    EXPECT_EQ(plugin.presetLoadPath(), before);
    EXPECT_EQ(plugin.currentBankIndex(), 2);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), drumTimbre[1]);

    // Out of range, or a part that is not the current one: nothing.
    plugin.selectPartBank(0, 127);
    plugin.selectPartBank(0, 3);
    plugin.selectPartBank(1, 0);
    EXPECT_EQ(plugin.currentBankIndex(), 2);

    // Writing the part's "Bank" on the parameter road selects at the drain.
    plugin.instrumentSettings().setValue(0, SynGloIns_c::kBank, 0);
    plugin.onParameterChanged(0, &plugin.instrumentSettings(), SynGloIns_c::kBank);
    plugin.fxIdle();
    EXPECT_EQ(plugin.currentBankIndex(), 0);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
}

TEST_F(ProgramBank, NamesAskedBeforeOpenOpenFirstAndLoadTheDefaultPreset) {
    IdleHost host;
    Plugin plugin;
    EXPECT_FALSE(plugin.isOpened());
    EXPECT_EQ(programName(plugin, 3), "Prog 03");
    EXPECT_TRUE(plugin.isOpened());
    EXPECT_TRUE(plugin.isInitialised());
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    // Renaming names the part's program in the instrument's globals; the
    // listed names are the files' and stay.
    char renamed[] = "My Kit";
    plugin.setProgramName(renamed);
    char stored[64] = {};
    plugin.globals().getText(0, ZendrixGlo_c::kPrgName, stored, sizeof stored);
    EXPECT_STREQ(stored, "My Kit");
    EXPECT_EQ(currentProgramName(plugin), "Prog 00");
    // A later resume does not list or load again.
    plugin.setParameter(0, 0.5f);
    plugin.startProcessing();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), 0.5f);
}

TEST_F(ProgramBank, PresetPathsRebaseAndTheStoredDefaultWins) {
    IdleHost host;
    {
        Plugin plugin;
        plugin.startProcessing();
        EXPECT_EQ(plugin.bankRootFolder(), data / "Kelvanti Banks");
        std::string stored = "E:\\Other\\Banks\\Drums\\x.FXP";
        plugin.rebasePresetPath(stored);
        EXPECT_EQ(stored, data / "Kelvanti Banks/Drums/x.FXP");
        std::string empty;
        plugin.rebasePresetPath(empty);
        EXPECT_EQ(empty, "");

        plugin.setPresetLoadPathText(0, "fault");
        EXPECT_EQ(plugin.presetLoadPath(), "");
        plugin.setPresetLoadPathText(0, "faults");
        EXPECT_EQ(plugin.presetLoadPath(), "faults");
        plugin.setPresetLoadPathText(1, "elsewhere");
        EXPECT_EQ(plugin.getPresetLoadPathText(1), "");

        plugin.setDefaultPresetPath(diverse + "/Prog 06.FXP");
    }
    // The stored default preset is loaded at the next start (keep).
    Plugin next;
    next.startProcessing();
    EXPECT_FLOAT_EQ(next.getParameter(0), timbre[6]);
    EXPECT_EQ(next.getProgram(), 6);
}

std::string storedDefaultPreset(Plugin& plugin) {
    std::string text;
    plugin.systemSettings().getTextString(0, SysGlo_c::kDefaultPresetPath, text);
    return text;
}

// A stored default preset that no longer loads (the data folder moved, the
// file broke) counts as none stored: the folder's first preset loads and
// becomes the default, and the menus show what sounds.
TEST_F(ProgramBank, AStoredDefaultThatDoesNotLoadFallsBackToTheFirstPreset) {
    IdleHost host;
    const std::string brokenFile = data / "broken.FXP";
    ASSERT_TRUE(os::writeFileAtomic(brokenFile, "CcnK", 4));
    for (const std::string& stale : {std::string("/moved/Kelvanti Banks/Diverse/Prog 06.FXP"), brokenFile}) {
        {
            Plugin previous;
            previous.startProcessing();
            previous.setDefaultPresetPath(stale);
        }
        Plugin plugin;
        plugin.startProcessing();
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]) << stale;
        EXPECT_EQ(plugin.getProgram(), 0) << stale;
        EXPECT_EQ(currentProgramName(plugin), "Prog 00") << stale;
        EXPECT_EQ(plugin.presetLoadPath(), diverse + "/Prog 00.FXP") << stale;
        EXPECT_EQ(storedDefaultPreset(plugin), diverse + "/Prog 00.FXP") << stale;
        EXPECT_EQ(plugin.bankRootFolder(), data / "Kelvanti Banks") << stale;
        ASSERT_EQ(plugin.partBankList(0).count(), 3) << stale;
        EXPECT_STREQ(plugin.partBankList(0).getName(plugin.instrumentValue(SynGloIns_c::kBank)), "Diverse") << stale;
    }
    // A program the host set before the first resume stands; the bank
    // folders are still found from a default that is there.
    std::vector<uint8_t> file;
    ASSERT_TRUE(os::readFile(diverse + "/Prog 04.FXP", file, 1 << 20));
    fxp::ProgramFile program;
    ASSERT_EQ(fxp::decodeProgramFile(file.data(), file.size(), "HRVK", program), fxp::DecodeResult::Ok);
    {
        Plugin previous;
        previous.startProcessing();
        previous.setDefaultPresetPath("/moved/Kelvanti Banks/Diverse/Prog 06.FXP");
    }
    Plugin plugin;
    plugin.open();
    ASSERT_GT(plugin.setChunk(program.chunk.data(), static_cast<VstInt32>(program.chunk.size()), true), 0);
    plugin.startProcessing();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[4]);
    EXPECT_EQ(plugin.bankRootFolder(), data / "Kelvanti Banks");
}

// An empty default bank still lists the other banks, and one of them can be chosen.
TEST_F(ProgramBank, AnEmptyDefaultBankStillListsTheOthers) {
    for (const auto& entry : std::filesystem::directory_iterator(diverse)) std::filesystem::remove(entry.path());
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    FileList_c& banks = plugin.partBankList(0);
    ASSERT_EQ(banks.count(), 3);
    EXPECT_STREQ(banks.getName(plugin.instrumentValue(SynGloIns_c::kBank)), "Diverse");
    EXPECT_EQ(programName(plugin, 0), "");
    plugin.selectPartBank(0, 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), drumTimbre[0]);
    EXPECT_EQ(currentProgramName(plugin), "Kick");
}

// A data folder named relative to the working folder is stored absolute:
// what loads at the next start does not depend on where the host runs.
TEST_F(ProgramBank, StoredPresetPathsAreAbsolute) {
    const std::string relative = std::filesystem::relative(data.path(), std::filesystem::current_path()).string();
    ASSERT_NE(relative.front(), '/');
    ::setenv("KELVANTI_DATA_DIR", relative.c_str(), 1);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    EXPECT_EQ(storedDefaultPreset(plugin), diverse + "/Prog 00.FXP");
    EXPECT_EQ(plugin.presetLoadPath(), diverse + "/Prog 00.FXP");
}

// Counts the times a folder is opened for listing (inotify reports every
// open of the watched folder itself). Read after each step: the kernel folds
// identical events that wait unread.
class FolderListings {
public:
    explicit FolderListings(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0) ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_CLOSE_NOWRITE | IN_ONLYDIR);
    }
    ~FolderListings() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    int take() {
        int opens = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                opens += (event->mask & IN_OPEN) && (event->mask & IN_ISDIR) && event->len == 0;
                p += sizeof(inotify_event) + event->len;
            }
        return opens;
    }

private:
    int fd_;
};

// A program change among hundreds of presets does not read the folder
// again while it is unchanged; a preset added to it is listed at the next
// program change.
TEST_F(ProgramBank, ProgramChangesReadThePresetFolderOnlyWhenItChanged) {
    for (int i = 0; i < 300; ++i)
        std::filesystem::copy_file(diverse + "/Prog 07.FXP", diverse + "/Zz " + std::to_string(1000 + i) + ".FXP");
    // Its last change long ago, as for a bank installed before.
    const auto settle = [&] {
        std::filesystem::last_write_time(diverse, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    };
    settle();
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    FolderListings listings(diverse);
    ASSERT_TRUE(listings.ok());
    for (const int program : {3, 1, 4}) {
        plugin.setProgram(program);
        plugin.fxIdle();
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[static_cast<size_t>(program)]);
        EXPECT_EQ(listings.take(), 0) << program;
    }
    ASSERT_TRUE(os::writeFileAtomic(diverse + "/Prog 00b.FXP", "x", 1));
    listings.take(); // the write's own
    plugin.setProgram(6);
    plugin.fxIdle();
    EXPECT_EQ(listings.take(), 1);
    EXPECT_EQ(programName(plugin, 1), "Prog 00b");
    EXPECT_EQ(plugin.getProgram(), 7); // "Prog 06", one further down now
    EXPECT_EQ(currentProgramName(plugin), "Prog 06");
    settle();
    plugin.setProgram(2);
    plugin.fxIdle();
    EXPECT_EQ(listings.take(), 1); // its stamp changed with the setting back
    plugin.setProgram(3);
    plugin.fxIdle();
    EXPECT_EQ(listings.take(), 0);
    EXPECT_EQ(currentProgramName(plugin), "Prog 02");
}

// A data folder deep enough that its presets' paths pass 320 bytes lists
// and loads them. A preset path longer than a saved setting holds is saved
// empty, never cut, and the user is told once.
TEST_F(ProgramBank, PresetsInADeepDataFolderLoadAndTheirPathsAreNeverCut) {
    std::string deep = data.path();
    while (deep.size() < 300) deep += "/" + std::string(40, 'd');
    std::filesystem::create_directories(deep);
    std::filesystem::copy(data / "Kelvanti Banks", deep + "/Kelvanti Banks", std::filesystem::copy_options::recursive);
    ::setenv("KELVANTI_DATA_DIR", deep.c_str(), 1);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    EXPECT_EQ(currentProgramName(plugin), "Prog 00");
    plugin.setProgram(3);
    plugin.fxIdle();
    EXPECT_EQ(plugin.getProgram(), 3);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[3]);
    const std::string path = deep + "/Kelvanti Banks/Diverse/Prog 03.FXP";
    ASSERT_EQ(plugin.presetLoadPath(), path);
    ASSERT_GT(path.size(), 320u);

    ::testing::internal::CaptureStderr();
    std::vector<uint8_t> chunk;
    for (int i = 0; i < 2; ++i) {
        void* data = nullptr;
        const VstInt32 size = plugin.getChunk(&data, true);
        ASSERT_GT(size, 0);
        chunk.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }
    const std::string notices = ::testing::internal::GetCapturedStderr();
    size_t told = 0;
    for (size_t at = notices.find(path); at != std::string::npos; at = notices.find(path, at + 1)) ++told;
    EXPECT_EQ(told, 1u) << notices;
    EXPECT_EQ(std::string(chunk.begin(), chunk.end()).find(path.substr(0, 300)), std::string::npos);

    Plugin fresh;
    fresh.startProcessing();
    ASSERT_EQ(fresh.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), true), static_cast<VstInt32>(chunk.size()));
    EXPECT_FLOAT_EQ(fresh.getParameter(0), timbre[3]);
    EXPECT_EQ(fresh.presetLoadPath(), "");
}

TEST_F(ProgramBank, SettingsColumnsTakeEffect) {
    IdleHost host;
    ScriptedDialogs dialogs;
    Plugin plugin;
    plugin.startProcessing();
    SynGlo_c& global = plugin.globalSettings();
    SynGloIns_c& part = plugin.instrumentSettings();
    // A write on the parameter road: the handler, then the idle side's drain
    // (preset files are read and written there).
    auto changed = [&](Part_c& set, int column) {
        plugin.onParameterChanged(0, &set, column);
        if (column == SynGloIns_c::kPresetLoadPath || column == SynGloIns_c::kPresetSavePath) plugin.fxIdle();
    };

    // Concert pitch: 440.0 Hz is no offset, 466.2 Hz about one semitone.
    global.setValue(0, SynGlo_c::kGloTune, 4400);
    changed(global, SynGlo_c::kGloTune);
    EXPECT_FLOAT_EQ(plugin.tuneOffset(), 0.0f);
    EXPECT_FLOAT_EQ(plugin.tuneRatio(), 1.0f);
    global.setValue(0, SynGlo_c::kGloTune, 4662);
    changed(global, SynGlo_c::kGloTune);
    EXPECT_NEAR(plugin.tuneRatio(), 466.2f / 440.0f, 1e-5f);
    EXPECT_NEAR(plugin.tuneOffset(), std::log2(466.2 / 440.0) / 4.0, 1e-6);

    // The editor keyboard: key × 1000 + velocity.
    auto keyboardNotes = [&] {
        std::vector<std::pair<int, int>> notes;
        HoldData_c record;
        while (plugin.toAudioRing().pop(record))
            if (record.code == kCmdKeyboardNoteOn) notes.push_back({record.midi[1], record.midi[2]});
        return notes;
    };
    keyboardNotes();
    for (const int32_t value : {60100, 60999, 200000}) {
        global.setValue(0, SynGlo_c::kKeyboard, value);
        changed(global, SynGlo_c::kKeyboard);
    }
    const std::vector<std::pair<int, int>> expected{{60, 100}, {60, 127}};
    EXPECT_EQ(keyboardNotes(), expected);

    // "MIDI CC Mode" rising to "receive+send" asks for every controller value once.
    auto controllerRequests = [&] {
        int n = 0;
        HoldData_c record;
        while (plugin.toAudioRing().pop(record)) n += record.code == kCmdSendControllersToHost;
        return n;
    };
    Block block(64);
    plugin.processReplacing(nullptr, block.pointers, 64); // the ring takes code 89 after the first block
    controllerRequests();
    global.setValue(0, SynGlo_c::kMidiCcMode, 0); // from the default "receive+send"
    changed(global, SynGlo_c::kMidiCcMode);
    EXPECT_EQ(controllerRequests(), 0);
    global.setValue(0, SynGlo_c::kMidiCcMode, 1);
    changed(global, SynGlo_c::kMidiCcMode);
    EXPECT_EQ(controllerRequests(), 1);
    global.setValue(0, SynGlo_c::kMidiCcMode, 0);
    changed(global, SynGlo_c::kMidiCcMode);
    EXPECT_EQ(controllerRequests(), 0);
    global.setValue(0, SynGlo_c::kMidiCcMode, 1);
    plugin.onParameterChanged(0, nullptr, -1);
    EXPECT_EQ(controllerRequests(), 1);

    // Writing "Program" on the parameter road selects at the drain.
    part.setValue(0, SynGloIns_c::kProgram, 7);
    changed(part, SynGloIns_c::kProgram);
    plugin.fxIdle();
    EXPECT_EQ(plugin.getProgram(), 7);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[7]);

    // Preset paths: an empty load path does nothing; an unreadable one
    // shows one error box; a save path writes a preset that loads back.
    part.setText(0, SynGloIns_c::kPresetLoadPath, "");
    changed(part, SynGloIns_c::kPresetLoadPath);
    EXPECT_TRUE(dialogs.asked.empty());
    part.setText(0, SynGloIns_c::kPresetLoadPath, data / "missing.FXP");
    changed(part, SynGloIns_c::kPresetLoadPath);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].caption, "Load Error");
    EXPECT_EQ(dialogs.asked[0].text, "This preset could not be loaded!");

    plugin.setParameter(0, 0.25f);
    const float saved = plugin.getParameter(0);
    const std::string file = data / "saved.FXP";
    part.setText(0, SynGloIns_c::kPresetSavePath, file);
    changed(part, SynGloIns_c::kPresetSavePath);
    ASSERT_TRUE(std::filesystem::exists(file));
    plugin.setParameter(0, 0.75f);
    // (A preset from another folder lists that folder as the part's programs.)
    part.setText(0, SynGloIns_c::kPresetLoadPath, file);
    changed(part, SynGloIns_c::kPresetLoadPath);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), saved);
    EXPECT_EQ(dialogs.asked.size(), 1u);

    // A module file dialog first opens in the module's folder beside the
    // library; a folder the user chose since is kept.
    plugin.moduleFilePath("Osc Zen");
    char folder[320] = {};
    ASSERT_TRUE(readRegistryString("Kelvanti_MOD_Osc Zen", folder, sizeof folder));
    EXPECT_EQ(std::string(folder), data / "KelvantiMod/Osc Zen");
    ASSERT_TRUE(writeRegistryString("Kelvanti_MOD_Osc Zen", "/chosen"));
    plugin.moduleFilePath("Osc Zen");
    ASSERT_TRUE(readRegistryString("Kelvanti_MOD_Osc Zen", folder, sizeof folder));
    EXPECT_STREQ(folder, "/chosen");
}

} // namespace
