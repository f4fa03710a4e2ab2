// The editor's own menus on the real plug-in: choosing a program in the
// program menu loads that file at the next idle; "Clear All" in the
// controller-assignment menu asks first, and "no" keeps the assignments;
// after a project restore the bank menu names the folder of the loaded preset.
#include "EditorFixture.h"

#include <filesystem>

#include "../unit/support/ScriptedDialogs.h"
#include "../unit/support/TestSynth.h"
#include "editor/CMenuFileList.h"
#include "framework/settings/ECS2_c.h"
#include "gui/FrameServices.h"

namespace {

// Picks the popup entry with the given text.
struct Chooser : VSTGUI::FrameServices {
    std::string pick;
    int popups = 0;
    int32_t trackPopup(const VSTGUI::PopupRequest& request) override {
        ++popups;
        for (const VSTGUI::PopupItem& item : request.menu->items)
            if (item.kind == VSTGUI::PopupItem::Kind::Command && item.text == pick) return item.id;
        return -1;
    }
};

class EditorMenus : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("editor_menus_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "registry");
        std::filesystem::create_directories(folder / "Kelvanti Banks" / "Diverse");
        setenv("KELVANTI_REGISTRY_DIR", (folder / "registry").c_str(), 1);
        setenv("KELVANTI_DATA_DIR", folder.c_str(), 1);
        editortest::HostLog::current() = &log;
    }
    void TearDown() override {
        editortest::HostLog::current() = nullptr;
        unsetenv("KELVANTI_DATA_DIR");
        std::filesystem::remove_all(folder);
    }
    std::unique_ptr<Zendrix_c> makePlugin() {
        auto p = std::make_unique<Zendrix_c>(&editortest::HostLog::callback, &editor::ZendrixEditor_c::make);
        p->dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        p->dispatcher(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        p->dispatcher(effSetBlockSize, 0, 512, nullptr, 0.0f);
        return p;
    }
    void click(Zendrix_c& p, os::HeadlessWindow& window, int x, int y) {
        window.injectClick(x, y);
        p.getEditor()->idle();
        p.getEditor()->idle();
    }
    resources::ScopedExtraTable skins{editortest::testSkinTable()};
    editortest::HostLog log;
    std::filesystem::path folder;
};

TEST_F(EditorMenus, ChoosingAProgramLoadsItAtTheNextIdle) {
    // Three presets that differ in "Timbre Range".
    const float ranges[] = {0.0f, 0.5f, 1.0f};
    {
        auto writer = makePlugin();
        for (int i = 0; i < 3; ++i) {
            writer->setParameter(0, ranges[i]);
            const std::string name = "Sound " + std::to_string(i + 1) + ".FXP";
            ASSERT_TRUE(writer->saveProgramFile(0, (folder / "Kelvanti Banks" / "Diverse" / name).string()));
        }
    }
    auto plugin = makePlugin();
    plugin->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    plugin->dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    auto* ed = static_cast<editor::ZendrixEditor_c*>(plugin->getEditor());
    auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
    os::HeadlessWindow* window = owned.get();
    ASSERT_TRUE(ed->openInWindow(std::move(owned)));
    Chooser chooser;
    VSTGUI::setFrameServices(ed->getFrame(), &chooser);
    chooser.pick = "Sound 3";
    click(*plugin, *window, 560, 107);  // the program menu
    EXPECT_EQ(chooser.popups, 1);
    char name[kVstMaxProgNameLen + 1] = {};
    plugin->dispatcher(effGetProgramName, 0, 0, name, 0.0f);
    EXPECT_STREQ(name, "Sound 3");
    EXPECT_FLOAT_EQ(plugin->getParameter(0), ranges[2]);
    EXPECT_NEAR(ed->controlOf(0)->shownValue(), ranges[2], 1e-6);
    VSTGUI::setFrameServices(ed->getFrame(), nullptr);
    ed->close();
}

TEST_F(EditorMenus, ClearAllAsksAndNoKeepsTheAssignments) {
    auto plugin = makePlugin();
    plugin->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);  // the factory assignments
    plugin->dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    auto* ed = static_cast<editor::ZendrixEditor_c*>(plugin->getEditor());
    auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
    os::HeadlessWindow* window = owned.get();
    ASSERT_TRUE(ed->openInWindow(std::move(owned)));
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(false);
    Chooser chooser;
    VSTGUI::setFrameServices(ed->getFrame(), &chooser);
    chooser.pick = "Clear All";
    // How many controllers are assigned (the factory map assigns some).
    auto assigned = [&] {
        int n = 0;
        for (int i = 0; i < ECS2_c::kAssignments; ++i) {
            bool active = false;
            int channel = 0, controller = 0, instrument = 0, target = 0;
            if (plugin->controllerAssignment().getAssignment(i, active, channel, controller, instrument, target) &&
                active)
                ++n;
        }
        return n;
    };
    const int before = assigned();
    ASSERT_GT(before, 0);
    click(*plugin, *window, 640, 91);  // the assignment menu
    EXPECT_EQ(chooser.popups, 1);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("lear"), std::string::npos) << dialogs.asked[0].text;
    EXPECT_EQ(assigned(), before);
    // Positive control: "yes" clears them.
    dialogs.answers.push_back(true);
    click(*plugin, *window, 640, 91);
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(assigned(), 0);
    VSTGUI::setFrameServices(ed->getFrame(), nullptr);
    ed->close();
}

// A project saved with a preset of the second bank folder comes back naming
// that folder, and a MIDI bank step goes on from it; a preset whose folder
// is gone names and checks no bank.
TEST_F(EditorMenus, TheBankMenuNamesTheFolderOfTheRestoredPreset) {
    const std::filesystem::path banks = folder / "Kelvanti Banks";
    {
        auto writer = makePlugin();
        for (const char* preset : {"Diverse/01 Kit Tone", "Drums/01 Soft Kick", "Drums/02 Hard Kick",
                                   "Extra/01 Bell", "Gone/01 Lost"}) {
            std::filesystem::create_directories((banks / preset).parent_path());
            ASSERT_TRUE(writer->saveProgramFile(0, (banks / preset).string() + ".FXP"));
        }
    }
    auto programName = [](Zendrix_c& p) {
        char name[kVstMaxProgNameLen + 1] = {};
        p.dispatcher(effGetProgramName, 0, 0, name, 0.0f);
        return std::string(name);
    };
    // Resumes, opens the editor, chooses a bank in the bank menu (none for
    // null), clicks the next-preset arrow `steps` times; answers the bank
    // menu as "face: checked entries".
    auto useEditor = [&](Zendrix_c& p, const char* bank, int steps) {
        p.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
        p.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
        auto* ed = static_cast<editor::ZendrixEditor_c*>(p.getEditor());
        auto owned = std::make_unique<os::HeadlessWindow>(724, 160);
        os::HeadlessWindow* window = owned.get();
        EXPECT_TRUE(ed->openInWindow(std::move(owned)));
        Chooser chooser;
        VSTGUI::setFrameServices(ed->getFrame(), &chooser);
        chooser.pick = bank ? bank : "";
        if (bank) click(p, *window, 560, 93);                          // the bank menu
        for (int i = 0; i < steps; ++i) click(p, *window, 649, 108);  // the next-preset arrow
        VSTGUI::setFrameServices(ed->getFrame(), nullptr);
        auto* menu = static_cast<CMenuFileList*>(ed->slot(40).secondary);
        char text[VSTGUI::kTextBufferSize] = {};
        std::string shown = (menu->getCurrent(text) >= 0 ? text : "") + std::string(":");
        for (int32_t i = 0; i < menu->getNbEntries(); ++i)
            if (menu->isCheckEntry(i) && menu->getEntry(i, text)) shown += std::string(" ") + text;
        ed->close();
        return shown;
    };
    // The project's bank chunk, given to a fresh instance.
    auto restored = [&](Zendrix_c& saved) {
        void* data = nullptr;
        const auto size = static_cast<VstInt32>(saved.dispatcher(effGetChunk, 0, 0, &data, 0.0f));
        auto p = makePlugin();
        EXPECT_GT(p->dispatcher(effSetChunk, 0, size, data, 0.0f), 0);
        return p;
    };

    auto drums = makePlugin();
    EXPECT_EQ(useEditor(*drums, "Drums", 1), "Drums: Drums");
    ASSERT_EQ(programName(*drums), "02 Hard Kick");
    auto gone = makePlugin();
    EXPECT_EQ(useEditor(*gone, "Gone", 0), "Gone: Gone");
    ASSERT_EQ(programName(*gone), "01 Lost");
    std::filesystem::remove_all(banks / "Gone");

    auto fromDrums = restored(*drums);
    EXPECT_EQ(useEditor(*fromDrums, nullptr, 0), "Drums: Drums");
    EXPECT_EQ(programName(*fromDrums), "02 Hard Kick");
    auto fromGone = restored(*gone);
    EXPECT_EQ(useEditor(*fromGone, nullptr, 0), ":");

    // NRPN 1027 steps the bank up from the restored preset's folder: to
    // "Extra" and its first preset.
    testsynth::Events bankUp;
    bankUp.add(0, 0xB0, 99, 1027 >> 7);
    bankUp.add(0, 0xB0, 98, 1027 & 0x7F);
    bankUp.add(0, 0xB0, 6, 64);
    testsynth::Block block(64);
    fromDrums->dispatcher(effProcessEvents, 0, 0, bankUp.list(), 0.0f);
    fromDrums->processReplacing(nullptr, block.pointers, 64);
    fromDrums->dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(programName(*fromDrums), "01 Bell");
}

} // namespace
