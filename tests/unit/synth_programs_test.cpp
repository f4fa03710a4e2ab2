// Programs of the plug-in: the preset folder listed at start, host and MIDI
// program changes with their hold-offs, banks, program names, the settings
// columns that take effect through the dispatcher, and the stored preset paths.
#include "engine/instrument/Zendrix_c.h"
#include "framework/platform/Registry.h"
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

// Three presets that load and a fourth that does not (cut short, or holding
// a block no module takes); a bank "Broken" whose only preset is the same.
// Choosing either keeps the program that was current (number, name, bank,
// path, sound, list) and shows one error box.
TEST_F(ProgramBank, APresetThatDoesNotLoadNeverBecomesTheProgram) {
    for (const size_t spoiled : {size_t{40}, size_t{60}}) {
        OsScratchFolder own;
        const std::string bank = own / "Kelvanti Banks/Diverse";
        std::filesystem::create_directories(own / "Kelvanti Banks/Broken");
        std::filesystem::create_directories(bank);
        for (int i = 0; i < 3; ++i) std::filesystem::copy(diverse + "/Prog 0" + std::to_string(i) + ".FXP", bank);
        std::vector<uint8_t> broken;
        ASSERT_TRUE(os::readFile(diverse + "/Prog 00.FXP", broken, 1 << 20));
        broken.resize(spoiled == 40 ? 40 : broken.size());
        if (spoiled == 60) std::copy_n("QQQQ", 4, broken.begin() + 60);
        for (const std::string& file : {bank + "/Prog 03.FXP", own / "Kelvanti Banks/Broken/Only.FXP"})
            ASSERT_TRUE(os::writeFileAtomic(file, broken.data(), broken.size()));
        ::setenv("KELVANTI_DATA_DIR", own.path().c_str(), 1);
        IdleHost host;
        ScriptedDialogs dialogs;
        Plugin plugin;
        plugin.startProcessing();
        const auto state = [&] {
            char name[kVstMaxProgNameLen + 8] = {};
            plugin.dispatcher(effGetProgramName, 0, 0, name, 0.0f);
            return std::to_string(plugin.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f)) + " " + name + " " +
                   std::to_string(plugin.instrumentValue(SynGloIns_c::kBank)) + " " + plugin.presetLoadPath() + " " +
                   std::to_string(dialogs.asked.size());
        };
        const auto select = [&](VstIntPtr program) {
            plugin.dispatcher(effSetProgram, 0, program, nullptr, 0.0f);
            plugin.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
            return state();
        };
        const std::string two = select(2);
        ASSERT_EQ(two, "2 Prog 02 1 " + bank + "/Prog 02.FXP 0");
        EXPECT_EQ(select(3), "2 Prog 02 1 " + bank + "/Prog 02.FXP 1");
        plugin.selectPartBank(0, 0);
        EXPECT_EQ(state(), "2 Prog 02 1 " + bank + "/Prog 02.FXP 2");
        EXPECT_EQ(dialogs.asked.back().caption, "Load Error");
        EXPECT_EQ(programName(plugin, 3), "Prog 03");
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[2]);
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

// A stored default preset that does not load (the data folder moved, the
// file broke) counts as none stored: the bank's first preset loads and
// becomes the default, and the bank menu lists the banks. A program the host
// set before the first resume stands, and the banks are found all the same.
TEST_F(ProgramBank, AStoredDefaultThatDoesNotLoadFallsBackToTheFirstPreset) {
    IdleHost host;
    const std::string brokenFile = data / "broken.FXP";
    ASSERT_TRUE(os::writeFileAtomic(brokenFile, "CcnK", 4));
    const std::vector<uint8_t> hostProgram = Plugin().readProgramFileChunk(diverse + "/Prog 04.FXP");
    ASSERT_FALSE(hostProgram.empty());
    for (const std::string& stale : {std::string("/moved/Kelvanti Banks/Diverse/Prog 06.FXP"), brokenFile}) {
        for (const bool hostChunk : {false, true}) {
            {
                Plugin previous;
                previous.startProcessing();
                previous.setDefaultPresetPath(stale);
            }
            Plugin plugin;
            plugin.open();
            if (hostChunk) plugin.setChunk(const_cast<uint8_t*>(hostProgram.data()), hostProgram.size(), true);
            plugin.startProcessing();
            EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[hostChunk ? 4 : 0]) << stale;
            EXPECT_EQ(plugin.bankRootFolder(), data / "Kelvanti Banks") << stale;
            if (hostChunk) continue;
            EXPECT_EQ(currentProgramName(plugin), "Prog 00") << stale;
            std::string stored;
            plugin.systemSettings().getTextString(0, SysGlo_c::kDefaultPresetPath, stored);
            EXPECT_EQ(stored, diverse + "/Prog 00.FXP") << stale;
            EXPECT_STREQ(plugin.partBankList(0).getName(plugin.instrumentValue(SynGloIns_c::kBank)), "Diverse");
        }
    }
}

// An empty default bank still lists the other banks; a data folder named
// relative to the working folder is stored absolute, so what loads at the
// next start does not depend on where the host runs.
TEST_F(ProgramBank, AnEmptyDefaultBankListsTheOthersAndPathsAreStoredAbsolute) {
    std::filesystem::rename(diverse, data / "Kelvanti Banks/Other");
    std::filesystem::create_directories(diverse);
    ::setenv("KELVANTI_DATA_DIR", std::filesystem::relative(data.path()).c_str(), 1);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    ASSERT_EQ(plugin.partBankList(0).count(), 4);
    EXPECT_STREQ(plugin.partBankList(0).getName(plugin.instrumentValue(SynGloIns_c::kBank)), "Diverse");
    plugin.selectPartBank(0, 3);
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    EXPECT_EQ(plugin.presetLoadPath(), data / "Kelvanti Banks/Other/Prog 00.FXP");
}

// The times the folder was opened for listing since the last call (inotify
// reports each open of the watched folder itself).
int folderOpens(int watch) {
    int opens = 0;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
            opens += (reinterpret_cast<inotify_event*>(p)->mask & (IN_OPEN | IN_ISDIR)) == (IN_OPEN | IN_ISDIR);
    return opens;
}

// A program change among hundreds of presets does not read their folder
// again while it is unchanged; a preset added to it is listed at the next
// program change.
TEST_F(ProgramBank, ProgramChangesReadThePresetFolderOnlyWhenItChanged) {
    for (int i = 0; i < 300; ++i)
        std::filesystem::copy_file(diverse + "/Prog 07.FXP", diverse + "/Zz " + std::to_string(1000 + i) + ".FXP");
    // Its last change long ago, as for a bank installed before.
    std::filesystem::last_write_time(diverse, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    // IN_CLOSE_NOWRITE too: the kernel folds identical events that wait unread.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, diverse.c_str(), IN_OPEN | IN_CLOSE_NOWRITE | IN_ONLYDIR), 0);
    const auto change = [&](int program) {
        plugin.setProgram(program);
        plugin.fxIdle();
        return folderOpens(watch);
    };
    for (const int program : {3, 1, 4}) {
        EXPECT_EQ(change(program), 0) << program;
        EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[static_cast<size_t>(program)]);
    }
    ASSERT_TRUE(os::writeFileAtomic(diverse + "/Prog 00b.FXP", "x", 1));
    folderOpens(watch); // the write's own
    EXPECT_EQ(change(6), 1);
    EXPECT_EQ(programName(plugin, 1), "Prog 00b");
    EXPECT_EQ(currentProgramName(plugin), "Prog 06");
    ::close(watch);
}

// Presets in a data folder deep enough that their paths pass 320 bytes are
// listed and load.
TEST_F(ProgramBank, PresetsInADeepDataFolderLoad) {
    std::string deep = data.path();
    while (deep.size() < 300) deep += "/" + std::string(40, 'd');
    std::filesystem::create_directories(deep);
    std::filesystem::rename(data / "Kelvanti Banks", deep + "/Kelvanti Banks");
    ::setenv("KELVANTI_DATA_DIR", deep.c_str(), 1);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[0]);
    plugin.setProgram(3);
    plugin.fxIdle();
    EXPECT_EQ(currentProgramName(plugin), "Prog 03");
    EXPECT_FLOAT_EQ(plugin.getParameter(0), timbre[3]);
    EXPECT_EQ(plugin.presetLoadPath(), deep + "/Kelvanti Banks/Diverse/Prog 03.FXP");
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
