// The editor's menus over the real plug-in: the controller-assignment menu
// and its wheel, list menus over the parameter map, the default the map
// hands to controls, and the preset-file menu with its placeholder and columns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "editor/CMenuFileList.h"
#include "editor/CMenuSimple.h"
#include "engine/instrument/Zendrix_c.h"
#include "gui/CFrame.h"
#include "gui/CFrameEditor.h"
#include "gui/FrameServices.h"
#include "os/window/HeadlessWindow.h"
#include "support/OsScratchFolder.h"
#include "support/TestSynth.h"

using namespace VSTGUI;

namespace {

using testsynth::FakeHost;

class Plugin : public Zendrix_c {
public:
    Plugin() : Zendrix_c(&FakeHost::callback) {}
    ~Plugin() override { close(); }
    void startProcessing() {
        setSampleRate(44100.0f);
        setBlockSize(64);
        resume();
        fxIdle();
    }
};

struct IdleHost : FakeHost {
    IdleHost() {
        canDo["supplyIdle"] = 1;
        current() = this;
    }
    ~IdleHost() { current() = nullptr; }
};

// The editor's part: records what it is told, and writes like the editor.
struct Listener : CControlListener, CFrameEditor, FrameServices {
    std::vector<float> values;
    std::vector<CControl*> controls;
    std::string pick;
    void valueChanged(CDrawContext*, CControl* control) override {
        controls.push_back(control);
        values.push_back(control->getValue());
    }
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}
    void doIdleStuff() override {}
    bool requestSize(int32_t, int32_t) override { return false; }
    std::vector<const PopupMenu*> popups;
    int32_t trackPopup(const PopupRequest& request) override {
        popups.push_back(request.menu);
        for (const PopupItem& item : request.menu->items)
            if (item.kind == PopupItem::Kind::Command && item.text == pick) return item.id;
        return -1;
    }
};

// A preset folder of the plug-in's own presets and a registry of the test's own.
class PresetFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
        ::setenv("KELVANTI_DATA_DIR", data.path().c_str(), 1);
        bank = data / "Kelvanti Banks/Diverse";
        std::filesystem::create_directories(bank);
    }
    void TearDown() override {
        ::unsetenv("KELVANTI_DATA_DIR");
        ::unsetenv("KELVANTI_REGISTRY_DIR");
    }
    void writePresets(int count) {
        Plugin writer;
        writer.open();
        writer.fxIdle();
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Preset %02d.FXP", i);
            ASSERT_TRUE(writer.saveProgramFile(0, bank + "/" + name));
        }
        writer.close();
    }
    OsScratchFolder registry, data;
    std::string bank;
};

TEST_F(PresetFolder, TheAssignmentMenuListsTheSevenModesAndItsWheelSkipsLoadAndSave) {
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    Listener listener;
    CMenuECS menu(CRect(0, 0, 80, 16), &listener, Zendrix_c::kAssignmentModeEntry, &plugin);
    const std::vector<std::string> modes = {"Off", "Learn", "Clear", "Clear All", "Load", "Save", "Rest.Fact"};
    ASSERT_EQ(menu.getNbEntries(), 7);
    EXPECT_EQ(menu.getNbSubMenus(), 0);
    char text[kTextBufferSize];
    for (int i = 0; i < 7; ++i) {
        menu.getEntry(i, text);
        EXPECT_EQ(text, modes[i]);
    }
    EXPECT_EQ(menu.currentOption(), 0);
    EXPECT_TRUE(menu.isCheckEntry(0));

    // Notches from "Clear": "Clear All", then over "Load" and "Save" to
    // "Rest.Fact", and back; below "Off" and above "Rest.Fact" nothing moves.
    menu.setValue(2.0f / 6.0f);
    EXPECT_EQ(menu.currentOption(), 2);
    const struct {
        float notch;
        int32_t option;
    } steps[] = {{1, 3}, {1, 6}, {1, 6}, {-1, 3}, {-1, 2}, {-1, 1}, {-1, 0}, {-1, 0}};
    for (const auto& step : steps) {
        EXPECT_TRUE(menu.onWheel(nullptr, CPoint(), step.notch));
        EXPECT_EQ(menu.currentOption(), step.option);
        EXPECT_FLOAT_EQ(listener.values.back(), static_cast<float>(step.option) / 6.0f);
    }
    // Positive control: the plain grouped menu over the same list does step
    // onto "Load".
    CMenuWithSub plain(CRect(0, 0, 80, 16), &listener, Zendrix_c::kAssignmentModeEntry, &plugin);
    plain.selectOption(3);
    plain.onWheel(nullptr, CPoint(), 1);
    EXPECT_EQ(plain.currentOption(), 4);
}

TEST_F(PresetFolder, ListMenusFollowTheParameterAndTheMapHandsOutItsDefault) {
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    const int32_t mode = Zendrix_c::kAssignmentModeEntry;
    EXPECT_EQ(plugin.getParameterMinByIndex(mode), 0);
    EXPECT_EQ(plugin.getParameterMaxByIndex(mode), 6);
    EXPECT_EQ(plugin.getParameterDigitsByIndex(mode), 9);
    EXPECT_EQ(std::string(plugin.getParameterOptionTextByIndex(mode)).substr(0, 9), "Off      ");

    CMenuSimple simple(CRect(0, 0, 80, 16), nullptr, mode, &plugin);
    ASSERT_EQ(simple.getNbEntries(), 7);
    simple.setValue(3.0f / 6.0f);
    EXPECT_EQ(simple.getCurrent(), 3);
    EXPECT_FLOAT_EQ(simple.getValue(), 0.5f);
    EXPECT_TRUE(simple.isCheckEntry(3));
    EXPECT_FALSE(simple.isCheckEntry(0));
    // A number parameter has no option width: the menu stays empty.
    CMenuSimple number(CRect(0, 0, 80, 16), nullptr, Zendrix_c::kWaveformEntry, &plugin);
    EXPECT_EQ(number.getNbEntries(), 0);

    // "Value by index" is the default's position, whatever the value now.
    const int32_t timbre = 0;
    const float defaultPosition = plugin.getParameterValueByIndex(timbre);
    plugin.setParameterFromEditor(timbre, defaultPosition < 0.5f ? 0.9f : 0.1f);
    EXPECT_NE(plugin.getParameterByIndex(timbre), defaultPosition);   // the value did move
    EXPECT_FLOAT_EQ(plugin.getParameterValueByIndex(timbre), defaultPosition);
    plugin.setParameterIntByIndex(timbre, plugin.getParameterDefaultByIndex(timbre));
    EXPECT_FLOAT_EQ(plugin.getParameterByIndex(timbre), defaultPosition);
    // Entries without a column answer nothing.
    EXPECT_EQ(plugin.getParameterMaxByIndex(26), 0);
    EXPECT_STREQ(plugin.getParameterOptionTextByIndex(26), "");
}

struct FrameBench {
    Listener listener;
    os::HeadlessWindow* window;
    CFrame* frame;
    FrameBench() {
        auto owned = std::make_unique<os::HeadlessWindow>(300, 100);
        window = owned.get();
        frame = new CFrame(CRect(0, 0, 300, 100), std::move(owned), &listener);
        setFrameServices(frame, &listener);
        frame->idle();
    }
    ~FrameBench() {
        setFrameServices(frame, nullptr);
        frame->forget();
    }
    void click(int x, int y) {
        window->injectClick(x, y);
        frame->idle();
    }
};

TEST_F(PresetFolder, AnEmptyPresetFolderShowsThePlaceholderAndChoosingItTellsNobody) {
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    FrameBench bench;
    auto* menu = new CMenuFileList(CRect(0, 0, 100, 16), &bench.listener, 41, nullptr, &plugin, -1, "no presets");
    bench.frame->addView(menu);
    ASSERT_EQ(menu->getNbEntries(), 1);
    char text[kTextBufferSize];
    menu->getEntry(0, text);
    EXPECT_STREQ(text, "no presets");
    EXPECT_FALSE(menu->hasFiles());
    bench.listener.pick = "no presets";
    bench.click(10, 8);
    ASSERT_EQ(bench.listener.popups.size(), 1u);   // it did open
    EXPECT_TRUE(bench.listener.values.empty());
    EXPECT_FALSE(std::filesystem::exists(bank + "/no presets.FXP"));
}

TEST_F(PresetFolder, ThirtyPresetsBreakIntoASecondColumnAtEntry27) {
    writePresets(30);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    FrameBench bench;
    auto* menu = new CMenuFileList(CRect(0, 0, 100, 16), &bench.listener, 41, nullptr, &plugin, -1, "no presets");
    bench.frame->addView(menu);
    ASSERT_EQ(menu->getNbEntries(), 30);
    EXPECT_TRUE(menu->hasFiles());
    EXPECT_EQ(menu->getCurrent(), 0);
    EXPECT_TRUE(menu->isCheckEntry(0));
    bench.listener.pick = "Preset 28";
    bench.click(10, 8);
    ASSERT_EQ(bench.listener.popups.size(), 1u);
    ASSERT_EQ(bench.listener.values.size(), 1u);   // a real file is a choice
    EXPECT_EQ(menu->getCurrent(), 28);
    EXPECT_FLOAT_EQ(menu->choiceValue(), 28.0f / 127.0f);
    int32_t id = 0;
    auto popup = menu->createPopupMenu(id);
    ASSERT_EQ(popup->items.size(), 30u);
    for (size_t i = 0; i < popup->items.size(); ++i)
        EXPECT_EQ(popup->items[i].columnBreak, i == 26) << i;
    EXPECT_EQ(popup->items[26].text, "Preset 26");
}

// A grouped menu over an option text of its own (this instrument's lists
// have no '$' runs).
struct GroupedMenu : CMenuWithSub {
    GroupedMenu(CControlListener* listener, int32_t width, const std::string& options, int32_t max)
        : CMenuWithSub(CRect(0, 0, 100, 16), listener, 9, nullptr, 0, false, nullptr, false) {
        width_ = width;
        options_ = options;
        max_ = max;
        fillEntries();
    }
};

TEST(GroupedMenus, RunsSharingAPrefixBecomeSubMenusReportedWithTheirPositionInTheList) {
    FrameBench bench;
    auto* menu = new GroupedMenu(&bench.listener, 8, "Kick$1  Kick$2  Snare   Tom     ", 3);
    bench.frame->addView(menu);
    ASSERT_EQ(menu->getNbEntries(), 3);
    ASSERT_EQ(menu->subMenuCount(), 1);
    char text[kTextBufferSize];
    menu->getEntry(0, text);
    EXPECT_STREQ(text, "-MKick");
    COptionMenu* kicks = menu->getSubMenu(0);
    ASSERT_NE(kicks, nullptr);
    kicks->getEntry(1, text);
    EXPECT_STREQ(text, "Kick 2");   // the '$' shown as a blank
    menu->getEntry(2, text);
    EXPECT_STREQ(text, "Tom");

    bench.listener.pick = "Kick 2";
    bench.click(10, 8);
    ASSERT_EQ(bench.listener.controls.size(), 0u);   // the chooser sees only the top level...
    // ...so it picks inside the sub-menu by walking it.
    struct Deep : Listener {
        int32_t trackPopup(const PopupRequest& request) override {
            for (const PopupItem& item : request.menu->items)
                if (item.subMenu)
                    for (const PopupItem& inner : item.subMenu->items)
                        if (inner.text == pick) return inner.id;
            return -1;
        }
    } deep;
    deep.pick = "Kick 2";
    setFrameServices(bench.frame, &deep);
    menu->setListener(&deep);
    bench.click(10, 8);
    setFrameServices(bench.frame, &bench.listener);
    ASSERT_EQ(deep.controls.size(), 1u);
    EXPECT_EQ(deep.controls[0], kicks);
    EXPECT_EQ(deep.controls[0]->getTag(), 9);
    EXPECT_FLOAT_EQ(deep.values[0], 1.0f / 3.0f);   // option 1 of 0..3
    EXPECT_EQ(menu->currentOption(), 1);
    EXPECT_TRUE(kicks->isCheckEntry(1));
    // The wheel from there: "Snare", then "Tom", then it stays.
    for (int32_t expected : {2, 3, 3}) {
        menu->onWheel(nullptr, CPoint(), 1.0f);
        EXPECT_EQ(menu->currentOption(), expected);
    }
    EXPECT_FALSE(kicks->isCheckEntry(1));   // one option checked at a time
}

TEST(GroupedMenus, AtMost32SubMenusAnd256OptionsWhateverTheList) {
    std::string options;
    for (int group = 0; group < 150; ++group)
        for (int i = 0; i < 2; ++i) {
            char option[9];
            std::snprintf(option, sizeof option, "G%03d$%d  ", group, i);
            options += option;
        }
    GroupedMenu menu(nullptr, 8, options, 299);
    EXPECT_EQ(menu.subMenuCount(), 32);
    EXPECT_EQ(menu.getNbEntries(), 32 + (256 - 64));   // the rest plain, up to 256 options
    menu.selectOption(255);
    EXPECT_EQ(menu.currentOption(), 255);
    menu.selectOption(299);   // beyond the records: the last one
    EXPECT_EQ(menu.currentOption(), 255);
}

// The idle side rescans the program list holding the plug-in's lock: the
// menus and the host's program names read it only under that lock, so they
// wait while the idle side holds it.
TEST_F(PresetFolder, MenusAndProgramNamesWaitForTheLockTheIdleSideRescansUnder) {
    writePresets(3);
    IdleHost host;
    Plugin plugin;
    plugin.startProcessing();
    const auto readerWaits = [&](const std::function<void()>& read) {
        std::atomic<bool> holding{false}, release{false}, done{false};
        std::thread idle([&] {
            std::lock_guard<Lock_c> guard(plugin.lock());
            holding = true;
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        while (!holding.load()) std::this_thread::yield();
        std::thread reader([&] {
            read();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const bool waited = !done.load();
        release = true;
        idle.join();
        reader.join();
        return waited && done.load();
    };
    int entries = 0;
    EXPECT_TRUE(readerWaits([&] {
        CMenuFileList menu(CRect(0, 0, 100, 16), nullptr, 41, nullptr, &plugin, -1, "none");
        entries = menu.getNbEntries();
    }));
    EXPECT_EQ(entries, 3);
    char name[kVstMaxProgNameLen + 8] = {};
    EXPECT_TRUE(readerWaits([&] { plugin.getProgramNameIndexed(0, 1, name); }));
    EXPECT_STREQ(name, "Preset 01");
    // Positive control: a reader that takes no lock does not wait.
    EXPECT_FALSE(readerWaits([&] { plugin.getCurrentPart(); }));
}

} // namespace
