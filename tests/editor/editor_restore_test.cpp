// Restores as hosts make them, over the factory banks: a program chunk from
// another instance, one set before the first resume, a project whose banks
// moved; afterwards the host's program number and name, and the editor's
// bank and program menus, name the preset that sounds, and the roads to
// other presets work. The first resume tells the host nothing changed.
#include "EditorFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <utility>

#include "../unit/support/ScriptedDialogs.h"
#include "../unit/support/TestSynth.h"
#include "editor/CMenuFileList.h"
#include "gui/FrameServices.h"
#include "os/Clock.h"

namespace {

namespace fs = std::filesystem;

constexpr VstInt32 kBankChunk = 0, kProgramChunk = 1;
constexpr int kBankMenu = 40, kProgramMenu = 41;

// Every host call, as (opcode, index).
struct CallLog {
    std::mutex lock;
    std::vector<std::pair<VstInt32, VstInt32>> calls;
    static CallLog*& current() {
        static CallLog* log = nullptr;
        return log;
    }
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
        if (CallLog* log = current()) {
            std::lock_guard<std::mutex> guard(log->lock);
            log->calls.emplace_back(opcode, index);
        }
        if (opcode == audioMasterVersion) return 2400;
        if (opcode == audioMasterCanDo) return ptr && std::strcmp(static_cast<const char*>(ptr), "supplyIdle") == 0;
        return 0;
    }
    std::vector<VstInt32> automated() {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<VstInt32> out;
        for (const auto& [opcode, index] : calls)
            if (opcode == audioMasterAutomate) out.push_back(index);
        calls.clear();
        return out;
    }
};

// Picks the popup entry with the given text.
struct Chooser : VSTGUI::FrameServices {
    std::string pick;
    int32_t trackPopup(const VSTGUI::PopupRequest& request) override {
        for (const VSTGUI::PopupItem& item : request.menu->items)
            if (item.kind == VSTGUI::PopupItem::Kind::Command && item.text == pick) return item.id;
        return -1;
    }
};

// What an open editor's file menu names: "face: entries" (the face empty
// when no entry is current).
struct MenuView {
    std::string face;
    std::vector<std::string> entries;
};

class EditorRestore : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("editor_restore_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "registry");
        setenv("KELVANTI_REGISTRY_DIR", (folder / "registry").c_str(), 1);
        useBanksIn("A");
        CallLog::current() = &log;
    }
    void TearDown() override {
        CallLog::current() = nullptr;
        os::setTickOffsetForTesting(0);
        unsetenv("KELVANTI_DATA_DIR");
        unsetenv("KELVANTI_REGISTRY_DIR");
        fs::remove_all(folder);
    }
    // A copy of the factory banks as the data folder folder/name.
    void useBanksIn(const std::string& name) {
        const fs::path data = folder / name;
        fs::create_directories(data);
        fs::copy(fs::path(KELVANTI_SOURCE_DIR) / "resources" / "banks", data / "Kelvanti Banks",
                 fs::copy_options::recursive);
        setenv("KELVANTI_DATA_DIR", data.c_str(), 1);
    }
    // Opened as a host opens it, not resumed.
    std::unique_ptr<Zendrix_c> makePlugin() {
        auto p = std::make_unique<Zendrix_c>(&CallLog::callback, &editor::ZendrixEditor_c::make);
        p->dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        p->dispatcher(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        p->dispatcher(effSetBlockSize, 0, 512, nullptr, 0.0f);
        return p;
    }
    static void resume(Zendrix_c& p) {
        p.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
        p.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    }
    static std::string programName(Zendrix_c& p) {
        char name[kVstMaxProgNameLen + 1] = {};
        p.dispatcher(effGetProgramName, 0, 0, name, 0.0f);
        return name;
    }
    static VstIntPtr program(Zendrix_c& p) { return p.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f); }
    static void hostProgram(Zendrix_c& p, VstInt32 index) {
        p.dispatcher(effSetProgram, 0, index, nullptr, 0.0f);
        p.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    }
    // Chooses the bank, then the program, in the editor's menus.
    void choose(Zendrix_c& p, const char* bank, const char* preset) {
        auto* ed = static_cast<editor::ZendrixEditor_c*>(p.getEditor());
        auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
        os::HeadlessWindow* window = owned.get();
        ASSERT_TRUE(ed->openInWindow(std::move(owned)));
        Chooser chooser;
        VSTGUI::setFrameServices(ed->getFrame(), &chooser);
        for (const auto& [pick, y] : {std::make_pair(bank, 93), std::make_pair(preset, 107)}) {
            chooser.pick = pick;
            window->injectClick(560, y);
            ed->idle();
            ed->idle();
        }
        VSTGUI::setFrameServices(ed->getFrame(), nullptr);
        ed->close();
    }
    // A resumed instance at bank/preset, chosen in the editor's menus.
    std::unique_ptr<Zendrix_c> resumedAt(const char* bank, const char* preset) {
        auto p = makePlugin();
        resume(*p);
        choose(*p, bank, preset);
        EXPECT_EQ(programName(*p), preset);
        return p;
    }
    // The bank or program menu of a freshly opened editor.
    static MenuView menu(Zendrix_c& p, int slot) {
        auto* ed = static_cast<editor::ZendrixEditor_c*>(p.getEditor());
        MenuView view;
        if (!ed->openInWindow(std::make_unique<os::HeadlessWindow>(724, 160))) return view;
        auto* files = static_cast<CMenuFileList*>(ed->slot(slot).secondary);
        char text[VSTGUI::kTextBufferSize] = {};
        if (files->getCurrent(text) >= 0) view.face = text;
        for (int32_t i = 0; i < files->getNbEntries(); ++i)
            if (files->getEntry(i, text)) view.entries.push_back(text);
        ed->close();
        return view;
    }
    static std::vector<unsigned char> chunkOf(Zendrix_c& p, VstInt32 kind) {
        void* data = nullptr;
        const VstIntPtr size = p.dispatcher(effGetChunk, kind, 0, &data, 0.0f);
        if (size <= 0 || !data) return {};
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }
    static VstIntPtr give(Zendrix_c& p, VstInt32 kind, std::vector<unsigned char> chunk) {
        return p.dispatcher(effSetChunk, kind, static_cast<VstIntPtr>(chunk.size()), chunk.data(), 0.0f);
    }
    // NRPN 1027: the next bank, through the MIDI input.
    static void bankStepUp(Zendrix_c& p) {
        testsynth::Events up;
        up.add(0, 0xB0, 99, 1027 >> 7);
        up.add(0, 0xB0, 98, 1027 & 0x7F);
        up.add(0, 0xB0, 6, 64);
        testsynth::Block block(64);
        p.dispatcher(effProcessEvents, 0, 0, up.list(), 0.0f);
        p.processReplacing(nullptr, block.pointers, 64);
        p.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    }

    resources::ScopedExtraTable skins{editortest::testSkinTable()};
    CallLog log;
    fs::path folder;
};

TEST_F(EditorRestore, AProgramChunkFromAnotherInstanceNamesItsPreset) {
    struct Case {
        const char *fromBank, *from, *toBank, *to;
        VstIntPtr program;
    };
    const Case cases[] = {
        {"Diverse", "02 Deep Kick", "Diverse", "06 Tight Snare", 1},
        {"Drums", "02 Hard Kick", "Percussion", "01 High Conga", 1},
        {"Percussion", "01 High Conga", "Drums", "02 Hard Kick", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fromBank) + "/" + c.from + " given to " + c.toBank + "/" + c.to);
        auto a = resumedAt(c.fromBank, c.from);
        auto b = resumedAt(c.toBank, c.to);
        const std::vector<unsigned char> chunk = chunkOf(*a, kProgramChunk);
        ASSERT_GT(give(*b, kProgramChunk, chunk), 0);
        EXPECT_EQ(programName(*b), c.from);
        EXPECT_EQ(program(*b), c.program);
        EXPECT_EQ(menu(*b, kBankMenu).face, c.fromBank);
        EXPECT_EQ(menu(*b, kProgramMenu).face, c.from);
        // The sound is the preset's: the same chunk comes back.
        EXPECT_EQ(chunkOf(*b, kProgramChunk), chunkOf(*a, kProgramChunk));
    }

    // A preset kept outside the banks is named where it lies.
    const fs::path mine = folder / "Mine" / "Tick.fxp";
    fs::create_directories(mine.parent_path());
    fs::copy_file(folder / "A" / "Kelvanti Banks" / "Drums" / "03 Drive Kick.fxp", mine);
    auto a = makePlugin();
    resume(*a);
    auto* ed = static_cast<editor::ZendrixEditor_c*>(a->getEditor());
    auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
    os::HeadlessWindow* window = owned.get();
    ASSERT_TRUE(ed->openInWindow(std::move(owned)));
    ScriptedDialogs dialogs;
    dialogs.paths.push_back(mine.string());
    window->injectClick(635, 108);   // import
    ed->idle();
    ed->idle();
    ed->close();
    ASSERT_EQ(programName(*a), "Tick");
    auto b = makePlugin();
    resume(*b);
    ASSERT_GT(give(*b, kProgramChunk, chunkOf(*a, kProgramChunk)), 0);
    EXPECT_EQ(programName(*b), "Tick");
    EXPECT_EQ(menu(*b, kBankMenu).face, "Mine");
    EXPECT_EQ(menu(*b, kProgramMenu).face, "Tick");
}

// Programs that are no listed file: one saved at a preset since deleted,
// and a factory preset file handed over by a host that reads the file
// itself (its program carries no path). Nothing names another preset, and
// the bank steps still lead on.
TEST_F(EditorRestore, AProgramThatIsNoListedFileNamesNoOtherPreset) {
    const std::vector<unsigned char> deleted = chunkOf(*resumedAt("Drums", "02 Hard Kick"), kProgramChunk);
    fs::remove(folder / "A" / "Kelvanti Banks" / "Drums" / "02 Hard Kick.fxp");
    // The FXP's header is 60 bytes; its chunk follows.
    std::ifstream file(fs::path(KELVANTI_SOURCE_DIR) / "resources" / "banks" / "Drums" / "03 Drive Kick.fxp",
                       std::ios::binary);
    const std::vector<unsigned char> fxp((std::istreambuf_iterator<char>(file)), {});
    ASSERT_GT(fxp.size(), 60u);
    const std::vector<unsigned char> factory(fxp.begin() + 60, fxp.end());

    struct Case {
        const char* what;
        std::vector<unsigned char> chunk;
        const char* bankFace;   // the bank menu: the preset's folder when it is listed
        const char* nextBank;   // the first preset of the next bank
        const char* third;      // the third listed preset of the bank the part is left in
    };
    const Case cases[] = {
        {"a preset since deleted", deleted, "Drums", "01 High Conga", "04 Long Kick"},
        {"a factory file's program", factory, "", "01 Kit Tone", "03 Punch Kick"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto b = makePlugin();
        resume(*b);
        hostProgram(*b, 5);
        ASSERT_EQ(programName(*b), "06 Tight Snare");
        ASSERT_EQ(menu(*b, kBankMenu).face, "Diverse");
        ASSERT_GT(give(*b, kProgramChunk, c.chunk), 0);
        EXPECT_EQ(programName(*b), "");
        EXPECT_EQ(program(*b), 0);
        char indexed[kVstMaxProgNameLen + 1] = {};
        b->dispatcher(effGetProgramNameIndexed, 0, 0, indexed, 0.0f);
        EXPECT_STREQ(indexed, "");
        EXPECT_EQ(menu(*b, kBankMenu).face, c.bankFace);
        EXPECT_EQ(menu(*b, kProgramMenu).entries, std::vector<std::string>{"- - -"});   // its placeholder only
        EXPECT_EQ(chunkOf(*b, kProgramChunk).size(), c.chunk.size());   // it was applied
        bankStepUp(*b);
        EXPECT_EQ(programName(*b), c.nextBank);
        EXPECT_EQ(menu(*b, kProgramMenu).face, c.nextBank);
        // A host's program change leads on from the same off-list program,
        // past the restore guard.
        auto h = makePlugin();
        resume(*h);
        ASSERT_GT(give(*h, kProgramChunk, c.chunk), 0);
        ASSERT_EQ(programName(*h), "");
        os::setTickOffsetForTesting(1001);
        hostProgram(*h, 2);
        os::setTickOffsetForTesting(0);
        EXPECT_EQ(programName(*h), c.third);
        EXPECT_EQ(program(*h), 2);
        EXPECT_EQ(menu(*h, kProgramMenu).face, c.third);
    }
}

TEST_F(EditorRestore, AProgramChunkSetBeforeTheFirstResumeIsNamedAndTheBanksListed) {
    auto a = makePlugin();
    resume(*a);
    hostProgram(*a, 1);
    ASSERT_EQ(programName(*a), "02 Deep Kick");
    const std::vector<unsigned char> chunk = chunkOf(*a, kProgramChunk);

    auto b = makePlugin();
    ASSERT_GT(give(*b, kProgramChunk, chunk), 0);
    resume(*b);
    EXPECT_EQ(programName(*b), "02 Deep Kick");
    EXPECT_EQ(program(*b), 1);
    const MenuView banks = menu(*b, kBankMenu);
    EXPECT_EQ(banks.face, "Diverse");
    EXPECT_EQ(banks.entries, (std::vector<std::string>{"Diverse", "Drums", "Percussion"}));
    EXPECT_EQ(menu(*b, kProgramMenu).face, "02 Deep Kick");
    EXPECT_EQ(chunkOf(*b, kProgramChunk), chunk);   // the chunk's sound, not the default preset
    bankStepUp(*b);
    EXPECT_EQ(programName(*b), "01 Round Kick");
    EXPECT_EQ(menu(*b, kBankMenu).face, "Drums");
}

TEST_F(EditorRestore, AProjectWhoseBanksMovedFindsThemWhereTheyLiveNow) {
    const std::vector<unsigned char> project = chunkOf(*resumedAt("Drums", "02 Hard Kick"), kBankChunk);
    ASSERT_FALSE(project.empty());
    // The banks live in B only now.
    fs::remove_all(folder / "A");
    useBanksIn("B");
    for (const bool beforeResume : {true, false}) {   // the second: the positive control
        SCOPED_TRACE(beforeResume ? "restored before the first resume" : "restored after it");
        auto p = makePlugin();
        if (!beforeResume) resume(*p);
        ASSERT_GT(give(*p, kBankChunk, project), 0);
        if (beforeResume) resume(*p);
        EXPECT_EQ(programName(*p), "02 Hard Kick");
        EXPECT_EQ(menu(*p, kBankMenu).face, "Drums");
        EXPECT_EQ(menu(*p, kProgramMenu).face, "02 Hard Kick");
        // Past the host's restore guard a host program change selects its preset.
        hostProgram(*p, 4);
        EXPECT_EQ(programName(*p), "02 Hard Kick");   // inside the guard: nothing
        os::setTickOffsetForTesting(1001);
        hostProgram(*p, 4);
        os::setTickOffsetForTesting(0);
        EXPECT_EQ(programName(*p), "05 Crack Snare");
        EXPECT_EQ(program(*p), 4);
        EXPECT_EQ(menu(*p, kProgramMenu).face, "05 Crack Snare");
    }
}

TEST_F(EditorRestore, TheFirstResumeTellsTheHostNothingAndAnImportDoes) {
    auto p = makePlugin();
    EXPECT_EQ(log.automated(), std::vector<VstInt32>{}) << "effOpen";
    p->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    p->dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(log.automated(), std::vector<VstInt32>{}) << "the first effMainsChanged(1)";
    ASSERT_EQ(programName(*p), "01 Kit Tone");   // the default preset did load

    // The user's own loads keep the marker pair: an import and a program change.
    auto* ed = static_cast<editor::ZendrixEditor_c*>(p->getEditor());
    auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
    os::HeadlessWindow* window = owned.get();
    ASSERT_TRUE(ed->openInWindow(std::move(owned)));
    ScriptedDialogs dialogs;
    dialogs.paths.push_back((folder / "A" / "Kelvanti Banks" / "Drums" / "02 Hard Kick.fxp").string());
    log.automated();
    window->injectClick(635, 108);   // import
    ed->idle();
    ed->idle();
    ASSERT_EQ(programName(*p), "02 Hard Kick");
    EXPECT_EQ(log.automated(), (std::vector<VstInt32>{Synth::kPresetMarkerEntry, Synth::kPresetMarkerEntry}));
    ed->close();
    hostProgram(*p, 2);
    ASSERT_EQ(programName(*p), "03 Drive Kick");
    EXPECT_EQ(log.automated(), (std::vector<VstInt32>{Synth::kPresetMarkerEntry, Synth::kPresetMarkerEntry}));
}

} // namespace
