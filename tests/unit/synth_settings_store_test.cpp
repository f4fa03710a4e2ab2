// The plug-in's values in the registry: controllers learnt are never lost by
// a resume and never overwritten by another instance's older table, settings
// are written only when the user changed them, and a value that cannot be
// used is moved aside before it is replaced.
#include "engine/instrument/Zendrix_c.h"
#include "os/Registry.h"
#include "support/ScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace testsynth;
namespace fs = std::filesystem;

namespace {

class Plugin : public Zendrix_c {
public:
    Plugin() : Zendrix_c(&FakeHost::callback) {}
    ~Plugin() override { close(); }

    void openAndResume() {
        setSampleRate(44100.0f);
        resume();
        render();
    }
    void render(Events* events = nullptr) {
        if (events) processEvents(events->list());
        Block block(64);
        processReplacing(nullptr, block.pointers, 64);
    }
    void controller(uint8_t number, uint8_t value) {
        Events e;
        e.add(0, 0xB0, number, value);
        render(&e);
    }
    // Whether an active assignment binds the controller to the entry.
    bool binds(int controller, int entry) {
        for (int i = 0; i < ECS2_c::kAssignments; ++i) {
            bool active = false;
            int channel = 0, number = 0, instrument = 0, target = 0;
            if (controllerAssignment().getAssignment(i, active, channel, number, instrument, target) && active &&
                number == controller && target == entry)
                return true;
        }
        return false;
    }
    void setMode(int mode) { controllerAssignment().setValue(0, ECS2_c::kMode, mode); }
};

struct SettingsStore : ::testing::Test {
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
        host.canDo["supplyIdle"] = 1; // no idle timer: the test says when the idle side runs
    }
    void TearDown() override { ::unsetenv("KELVANTI_REGISTRY_DIR"); }

    std::string valuePath(const std::string& name) const { return os::registryUserDir() + "/" + name; }
    bool stored(const std::string& name, std::string& text) const { return os::registryRead(name, text); }
    static std::string contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void writeRaw(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    FakeHost host;
    ScratchFolder registry;
};

constexpr int kLearntController = 20; // no factory assignment
constexpr int kLearntEntry = 5;       // "Base Range"

} // namespace

TEST_F(SettingsStore, ALearntControllerSurvivesResumesAndReachesTheOtherInstance) {
    auto a = std::make_unique<Plugin>();
    auto b = std::make_unique<Plugin>();
    a->openAndResume();
    b->openAndResume();
    std::string text;
    EXPECT_FALSE(stored("ZendrixECS2", text)); // the factory table is not the user's: nothing stored
    ASSERT_TRUE(a->binds(69, 0));              // the factory table is in force

    // The user learns controller 20 for entry 5 on a; no idle call comes before the host resumes.
    a->setMode(ECS2_c::kModeLearn);
    a->setLearnTarget(kLearntEntry);
    a->controller(kLearntController, 10);
    ASSERT_TRUE(a->binds(kLearntController, kLearntEntry));
    a->resume();
    a->render();
    EXPECT_TRUE(a->binds(kLearntController, kLearntEntry)) << "a resume lost the learnt assignment";
    EXPECT_TRUE(a->binds(69, 0));
    EXPECT_TRUE(a->controllerAssignment().isLearning()); // the resume leaves learning on
    a->resume();
    EXPECT_TRUE(a->binds(kLearntController, kLearntEntry));
    const float before = a->getParameter(kLearntEntry);
    a->controller(kLearntController, 127);
    EXPECT_NE(a->getParameter(kLearntEntry), before); // and it drives its parameter
    ASSERT_TRUE(stored("ZendrixECS2", text));

    // b, resumed before a stored, chooses "Off" without changing anything:
    // its older table must not replace a's.
    b->setMode(ECS2_c::kModeOff);
    EXPECT_FALSE(b->binds(kLearntController, kLearntEntry)); // b has not read it yet
    std::string after;
    ASSERT_TRUE(stored("ZendrixECS2", after));
    EXPECT_EQ(after, text);
    b->resume();
    EXPECT_TRUE(b->binds(kLearntController, kLearntEntry)) << "b's resume did not read what a stored";
    b->resume();
    b.reset();
    a.reset();
    ASSERT_TRUE(stored("ZendrixECS2", after));
    EXPECT_EQ(after, text);
    Plugin c;
    c.openAndResume();
    EXPECT_TRUE(c.binds(kLearntController, kLearntEntry));
}

TEST_F(SettingsStore, LearntControllersAreStoredByTheIdleSide) {
    Plugin a;
    a.openAndResume();
    a.setMode(ECS2_c::kModeLearn);
    a.setLearnTarget(kLearntEntry);
    a.controller(kLearntController, 10);
    std::string text;
    EXPECT_FALSE(stored("ZendrixECS2", text)); // the MIDI thread writes no file
    a.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
    ASSERT_TRUE(stored("ZendrixECS2", text));
    Plugin other;
    other.openAndResume();
    EXPECT_TRUE(other.binds(kLearntController, kLearntEntry));
}

TEST_F(SettingsStore, ClearModeEndsOnEveryChangeOfTheAssignmentPart) {
    Plugin a;
    a.openAndResume();
    ECS2_c& ecs = a.controllerAssignment();
    a.setMode(ECS2_c::kModeClear);
    ASSERT_TRUE(ecs.isClearMode());
    a.setLearnTarget(0); // touching a parameter in clear mode removes its assignments, and stays in clear mode
    EXPECT_FALSE(a.binds(69, 0));
    EXPECT_TRUE(ecs.isClearMode());
    ecs.setValue(0, ECS2_c::kReserved0, 1); // any other change of the part
    EXPECT_FALSE(ecs.isClearMode());
    a.setLearnTarget(1);
    EXPECT_TRUE(a.binds(70, 1)); // no longer removed
}

TEST_F(SettingsStore, OpeningWritesNoSettingsAndAChangeWritesOnce) {
    const std::string path = valuePath("ZendrixSysGlo");
    {
        Plugin scan; // a host scan: open, ask the name, close
        scan.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        char name[64] = {};
        scan.dispatcher(effGetEffectName, 0, 0, name, 0.0f);
        Plugin played;
        played.openAndResume();
        played.suspend();
    }
    EXPECT_FALSE(fs::exists(path)) << "settings written that nobody changed";

    {
        Plugin a;
        a.openAndResume();
        a.systemSettings().setValue(0, SysGlo_c::kKnobMovement, 0); // "Circular"
    }
    ASSERT_TRUE(fs::exists(path)); // positive control: a change is written
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path, old);
    {
        Plugin again;
        again.openAndResume();
        EXPECT_EQ(again.systemSettings().getValue(0, SysGlo_c::kKnobMovement), 0);
        again.systemSettings().setValue(0, SysGlo_c::kKnobMovement, 0); // the same value again
        again.suspend();
    }
    EXPECT_EQ(fs::last_write_time(path), old) << "an open rewrote unchanged settings";
}

TEST_F(SettingsStore, AValueThatCannotBeUsedIsMovedAsideBeforeItIsReplaced) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* suffix;
    };
    const Case cases[] = {
        {"does not parse", "53505953" "zz", ".unparsable"},
        {"cannot be read", std::string("5350\0" "5953", 9), ".unreadable"},
    };
    for (const Case& c : cases) {
        const std::string path = valuePath("ZendrixSysGlo");
        fs::remove_all(os::registryUserDir());
        writeRaw(path, c.bytes);
        {
            Plugin a;
            a.openAndResume();
            a.suspend();
        }
        EXPECT_EQ(contentOf(path), c.bytes) << c.what << ": replaced though the user changed nothing";
        EXPECT_FALSE(fs::exists(path + c.suffix)) << c.what;

        Plugin b;
        b.openAndResume();
        ::testing::internal::CaptureStderr();
        b.systemSettings().setValue(0, SysGlo_c::kFontColor, 2);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(contentOf(path + c.suffix), c.bytes) << c.what << ": the value was not kept aside";
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
        EXPECT_NE(said.find(path + c.suffix), std::string::npos) << c.what << ": " << said;
        std::string text;
        ASSERT_TRUE(stored("ZendrixSysGlo", text)) << c.what;
        ::testing::internal::CaptureStderr();
        b.systemSettings().setValue(0, SysGlo_c::kFontColor, 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.what; // once
        EXPECT_FALSE(fs::exists(path + c.suffix + ".2")) << c.what;
        EXPECT_EQ(contentOf(path + c.suffix), c.bytes) << c.what;
        Plugin reader;
        reader.openAndResume();
        EXPECT_EQ(reader.systemSettings().getValue(0, SysGlo_c::kFontColor), 1) << c.what;
    }
}
