// The plug-in base's chunk roads: bank chunks through getChunk/setChunk,
// program chunks per part, and FXP preset files on disk.
#include "framework/synth/FxpFormat.h"
#include "os/FileSystem.h"
#include "support/OsScratchFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace testsynth;

namespace {

using Bytes = std::vector<uint8_t>;

// A module of the part's program: one set row per part.
class ProgramModule : public Part_c {
public:
    void defineParameters(ParaSet_c*& shared, int rows) override {
        if (adoptSet(shared, rows, 3)) {
            set()->columnDefinition(0)->defineNumber("Cutoff", "", 0.0f, 0, 1000, 0, 500);
            set()->columnDefinition(1)->defineText("Label", false, false, "init");
            set()->columnDefinition(2)->definePlaceholder("Spare");
            set()->copyRowZeroToAll();
        }
    }
    SetTypeId getTypeId() const override { return makeSetTypeId("FLT1"); }
    void resetParameters() override {
        if (owner)
            blockedAtReset.push_back(owner->isBlocked());
        Part_c::resetParameters();
    }
    const Synth* owner = nullptr;
    std::vector<bool> blockedAtReset;
    ParaSet_c* shared = nullptr; // owned by the module (it created it)
};

// A plug-in with one program module row registered the way the instrument
// registers its modules (row kind 0, the set as the row's owner).
SynthConfig chunkConfig() {
    SynthConfig config = testConfig();
    config.acceptedPluginIds = "HRVK,HRVO";
    return config;
}

class ChunkSynth : public TestSynth {
public:
    ChunkSynth() : TestSynth(nullptr, chunkConfig()) {
        module.defineParameters(module.shared, 1);
        module.owner = this;
        objects[0] = &module;
    }
    void open() override {
        if (isOpened())
            return;
        TestSynth::open();
        const int32_t row = addModuleRow(objects, 1, "FLT1", 0, 0);
        const_cast<ModuleTableRow*>(moduleRow(row))->owner = module.set();
        bindModuleRow(row);
    }
    void afterProgramLoad(int32_t part) override { loadedParts.push_back(part); }
    void recountSolo() override { blockedAtClosing.push_back(isBlocked()); }
    std::vector<bool> blockedAtClosing;
    bool reselectPartFromPath(int32_t part, const std::string& path, bool rebase) override {
        reselections.push_back(std::to_string(part) + (rebase ? " rebase " : " ") + path);
        return false;
    }
    ProgramModule module;
    Part_c* objects[1] = {};
    std::vector<int32_t> loadedParts;
    std::vector<std::string> reselections;
};

Bytes chunkOf(Synth& synth, bool preset) {
    void* data = nullptr;
    const VstInt32 size = synth.getChunk(&data, preset);
    if (size <= 0 || data == nullptr)
        return {};
    const auto* p = static_cast<const uint8_t*>(data);
    return Bytes(p, p + size);
}

// Where the last block starts, by the size words (a zero size is the slack after it).
size_t lastBlockOffset(const Bytes& chunk) {
    size_t at = 0, last = 0;
    while (at + 12 <= chunk.size()) {
        const uint32_t size = chunk[at + 4] | chunk[at + 5] << 8 | chunk[at + 6] << 16 |
                              static_cast<uint32_t>(chunk[at + 7]) << 24;
        if (size < 12)
            break;
        last = at;
        at += size;
    }
    return last;
}

void setSomeValues(ChunkSynth& synth) {
    synth.module.set()->setValue(0, 0, 123);
    synth.module.set()->setText(0, 1, "bright");
    synth.instrumentSettings().set()->setValue(0, SynGloIns_c::kProgram, 5);
    synth.instrumentSettings().set()->setText(0, SynGloIns_c::kPresetLoadPath, "/banks/Diverse/Bright.fxp");
    synth.tuningTable().set()->setValue(0, 0, synth.tuningTable().set()->getValue(0, 0) + 1);
}

} // namespace

TEST(ChunksSynth, BankRoundTripThroughGetAndSetChunk) {
    FakeHost host;
    ScriptedDialogs dialogs;
    ChunkSynth source;
    void* data = nullptr;
    EXPECT_EQ(source.getChunk(&data, false), 0); // not open yet
    source.open();
    setSomeValues(source);
    const Bytes bank = chunkOf(source, false);
    ASSERT_FALSE(bank.empty());
    EXPECT_EQ(chunkOf(source, false), bank);
    // SYG0, SYG1, TUN0, PROG, word sizes summing to the whole.
    std::vector<std::string> tags;
    size_t at = 0;
    while (at + 12 <= bank.size()) {
        tags.emplace_back(bank.begin() + static_cast<std::ptrdiff_t>(at), bank.begin() + static_cast<std::ptrdiff_t>(at + 4));
        const uint32_t size = bank[at + 4] | bank[at + 5] << 8 | bank[at + 6] << 16 | static_cast<uint32_t>(bank[at + 7]) << 24;
        ASSERT_EQ(size % 4, 0u);
        ASSERT_GE(size, 12u);
        at += size;
    }
    EXPECT_EQ(at, bank.size());
    EXPECT_EQ(tags, (std::vector<std::string>{"0GYS", "1GYS", "0NUT", "GORP"}));

    ChunkSynth target;
    target.open();
    EXPECT_EQ(target.setChunk(const_cast<uint8_t*>(bank.data()), static_cast<VstInt32>(bank.size()), false),
              static_cast<VstInt32>(bank.size()));
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(target.module.set()->getValue(0, 0), 123);
    EXPECT_EQ(target.instrumentSettings().set()->getValue(0, SynGloIns_c::kProgram), 5);
    EXPECT_EQ(target.getProgram(), 5);
    EXPECT_EQ(chunkOf(target, false), bank);
    EXPECT_EQ(target.reselections, std::vector<std::string>{"0 rebase /banks/Diverse/Bright.fxp"});
    EXPECT_TRUE(target.isInitialised());
    EXPECT_FALSE(target.isBlocked());
    EXPECT_NE(target.lastSetChunkMs(), 0u);
}

TEST(ChunksSynth, BrokenBankChangesNothingAndAnswersZero) {
    FakeHost host;
    ScriptedDialogs dialogs;
    ChunkSynth source;
    source.open();
    setSomeValues(source);
    Bytes bank = chunkOf(source, false);
    bank[4 + static_cast<size_t>(bank[4])] ^= 0x40; // the second block's size

    ChunkSynth target;
    target.open();
    const Bytes before = chunkOf(target, false);
    EXPECT_EQ(target.setChunk(bank.data(), static_cast<VstInt32>(bank.size()), false), 0);
    EXPECT_EQ(chunkOf(target, false), before);
    EXPECT_TRUE(dialogs.asked.empty()); // posted to the idle side, not shown on the loading thread
    target.fxIdle();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].caption, "Bank Load Error");
    EXPECT_TRUE(target.reselections.empty());
    EXPECT_FALSE(target.isBlocked());
}

TEST(ChunksSynth, AChunkThatCannotApplyWholeIsRefusedBeforeAnythingChanges) {
    FakeHost host;
    ScriptedDialogs dialogs;
    ChunkSynth source;
    source.open();
    setSomeValues(source);
    const Bytes bank = chunkOf(source, false);
    const Bytes preset = chunkOf(source, true);
    ASSERT_FALSE(bank.empty());
    ASSERT_FALSE(preset.empty());
    Bytes junk(64);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 73 + 41);

    struct Case {
        const char* what;
        bool isPreset;
        Bytes bytes;
        const char* caption; // nullptr: applies
    };
    std::vector<Case> cases;
    for (const bool isPreset : {false, true}) {
        const Bytes& valid = isPreset ? preset : bank;
        const char* caption = isPreset ? "Load Error" : "Bank Load Error";
        Bytes unknownFirst = valid;
        std::copy_n("ZZZZ", 4, unknownFirst.begin());
        cases.push_back({"unknown first tag", isPreset, unknownFirst, caption});
        cases.push_back({"junk", isPreset, junk, caption});
        Bytes cut = valid;
        cut.resize(lastBlockOffset(valid) + 16);
        cases.push_back({"last block cut short", isPreset, cut, caption});
        cases.push_back({"valid", isPreset, valid, nullptr});
    }
    for (Case& c : cases) {
        const std::string what = std::string(c.isPreset ? "preset, " : "bank, ") + c.what;
        ChunkSynth target;
        target.open();
        target.module.set()->setValue(0, 0, 321);
        target.instrumentSettings().set()->setValue(0, SynGloIns_c::kNotesOn, 3);
        const Bytes before = chunkOf(target, false);
        target.loadedParts.clear();
        target.module.blockedAtReset.clear();
        dialogs.asked.clear();
        const VstInt32 read = target.setChunk(c.bytes.data(), static_cast<VstInt32>(c.bytes.size()), c.isPreset);
        if (c.caption == nullptr) {
            EXPECT_EQ(read, static_cast<VstInt32>(c.bytes.size())) << what;
            EXPECT_EQ(target.module.set()->getValue(0, 0), 123) << what;
            target.fxIdle();
            EXPECT_TRUE(dialogs.asked.empty()) << what;
            continue;
        }
        EXPECT_EQ(read, 0) << what;
        EXPECT_EQ(chunkOf(target, false), before) << what;
        EXPECT_EQ(target.module.set()->getValue(0, 0), 321) << what;
        EXPECT_EQ(target.instrumentSettings().set()->getValue(0, SynGloIns_c::kNotesOn), 3) << what;
        EXPECT_TRUE(target.module.blockedAtReset.empty()) << what; // no module was reset
        EXPECT_TRUE(target.loadedParts.empty()) << what;
        EXPECT_TRUE(target.reselections.empty()) << what;
        EXPECT_TRUE(target.instrument().isEnabled()) << what;
        EXPECT_FALSE(target.isBlocked()) << what;
        EXPECT_TRUE(dialogs.asked.empty()) << what; // posted, never shown on the loading thread
        target.fxIdle();
        ASSERT_EQ(dialogs.asked.size(), 1u) << what;
        EXPECT_EQ(dialogs.asked[0].caption, c.caption) << what;
        EXPECT_EQ(dialogs.asked[0].text.rfind("format mismatch ", 0), 0u) << what << ": " << dialogs.asked[0].text;
    }
}

TEST(ChunksSynth, ProgramChunksAreCanonicalAndNeverNegative) {
    FakeHost host;
    ChunkSynth source;
    source.open();
    source.module.set()->setValue(0, 0, 777);
    const Bytes preset = chunkOf(source, true);
    ASSERT_FALSE(preset.empty());
    EXPECT_EQ(chunkOf(source, true), preset);
    const uint8_t* out = nullptr;
    EXPECT_EQ(source.getProgramChunk(1, &out), 0); // beyond the slots
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(source.getProgramChunk(0, nullptr), 0);

    ChunkSynth target;
    target.open();
    EXPECT_EQ(target.setChunk(const_cast<uint8_t*>(preset.data()), static_cast<VstInt32>(preset.size()), true),
              static_cast<VstInt32>(preset.size()));
    EXPECT_EQ(target.module.set()->getValue(0, 0), 777);
    EXPECT_EQ(target.loadedParts, std::vector<int32_t>{0});
    EXPECT_EQ(target.setChunk(nullptr, 10, true), 0);
    EXPECT_TRUE(target.instrument().isEnabled());
}

TEST(ChunksSynth, PresetFilesRoundTripAndBrokenFilesChangeNothing) {
    FakeHost host;
    ScriptedDialogs dialogs;
    OsScratchFolder folder;
    const std::string path = folder.path() + "/Bright.fxp";
    ChunkSynth source;
    source.open();
    source.setUniqueID(static_cast<VstInt32>(fxp::fourCharCode("HRVK")));
    source.module.set()->setValue(0, 0, 42);
    // The program carries the part's settings, whose preset path the save
    // itself then changes: the file holds the program as it was saved.
    const Bytes programAtSave = chunkOf(source, true);
    ASSERT_TRUE(source.saveProgramFile(0, path));
    Bytes file;
    ASSERT_TRUE(os::readFile(path, file, 1 << 20));
    ASSERT_GT(file.size(), 60u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
    EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "HRVK");
    EXPECT_EQ(Bytes(file.begin() + 60, file.end()), programAtSave);
    EXPECT_FALSE(source.saveProgramFile(0, ""));

    // Loading it back applies it and remembers the path.
    ChunkSynth target;
    target.open();
    EXPECT_EQ(target.loadProgramFile(0, path), static_cast<int32_t>(file.size() - 60));
    EXPECT_EQ(target.module.set()->getValue(0, 0), 42);
    std::string remembered;
    target.instrumentSettings().set()->getTextString(0, SynGloIns_c::kPresetLoadPath, remembered);
    EXPECT_EQ(remembered, path);
    EXPECT_EQ(target.reselections, std::vector<std::string>{"0 " + path});

    // Refused files: nothing changes.
    const auto refused = [&](Bytes bytes, const char* what) {
        const std::string broken = folder.path() + "/broken.fxp";
        ASSERT_TRUE(os::writeFileAtomic(broken, bytes.data(), bytes.size()));
        ChunkSynth fresh;
        fresh.open();
        EXPECT_EQ(fresh.loadProgramFile(0, broken), 0) << what;
        EXPECT_EQ(fresh.module.set()->getValue(0, 0), 500) << what;
        EXPECT_TRUE(fresh.loadedParts.empty()) << what;
    };
    Bytes bad = file;
    std::copy_n("XXXX", 4, bad.begin() + 16);
    refused(bad, "XXXX");
    bad = file;
    bad[56] = bad[57] = bad[58] = bad[59] = 0;
    refused(bad, "n = 0");
    bad = file;
    bad[56] = 0x80;
    refused(bad, "top bit");
    bad = file;
    bad[59] = static_cast<uint8_t>(bad[59] + 1);
    refused(bad, "n past the end");
    bad = file;
    std::copy_n("FxCk", 4, bad.begin() + 8);
    refused(bad, "FxCk");
    ChunkSynth fresh;
    fresh.open();
    EXPECT_EQ(fresh.loadProgramFile(0, folder.path() + "/missing.fxp"), 0);
}

TEST(ChunksSynth, BankLoadHoldsTheAudioSideOffFromResetToClosingSteps) {
    FakeHost host;
    ChunkSynth source;
    source.open();
    setSomeValues(source);
    const Bytes bank = chunkOf(source, false);
    ChunkSynth target;
    target.open();
    target.module.blockedAtReset.clear();
    ASSERT_GT(target.setChunk(const_cast<uint8_t*>(bank.data()), static_cast<VstInt32>(bank.size()), false), 0);
    EXPECT_EQ(target.module.blockedAtReset, std::vector<bool>{true});
    EXPECT_EQ(target.blockedAtClosing, std::vector<bool>{true});
    EXPECT_FALSE(target.isBlocked());
}

TEST(ChunksSynth, ChunkCallsWaitForThePluginLock) {
    FakeHost host;
    ChunkSynth synth;
    synth.open();
    const Bytes bank = chunkOf(synth, false);
    for (const bool set : {false, true}) {
        std::atomic<bool> done{false};
        synth.lock().enter();
        std::thread caller([&] {
            if (set)
                synth.setChunk(const_cast<uint8_t*>(bank.data()), static_cast<VstInt32>(bank.size()), false);
            else
                chunkOf(synth, false);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done.load()) << set; // cannot pass the lock this thread holds
        synth.lock().leave();
        caller.join();
        EXPECT_TRUE(done.load());
    }
}
