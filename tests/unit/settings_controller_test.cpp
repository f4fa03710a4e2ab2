// Controller assignment: mapping, relative speed, learning, NRPN numbers,
// the table's edits, the mode handling with its questions, and the registry.
#include "framework/platform/Registry.h"
#include "framework/settings/ECS2_c.h"
#include "os/Registry.h"
#include "tests/unit/support/FakeSynth.h"
#include "tests/unit/support/OsScratchFolder.h"
#include "tests/unit/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

uint32_t g_now = 0xFFFFFF00u; // near the wrap: differences must wrap too
uint32_t testClock(const void*) { return g_now; }

// Counts the notifications the part receives.
class CountingEcs : public ECS2_c {
public:
    using ECS2_c::ECS2_c;
    void parameterChanged(int row, int column) override {
        ++notifications;
        ECS2_c::parameterChanged(row, column);
    }
    int notifications = 0;
};

class Controllers : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", scratch.path().c_str(), 1);
        ecs.defineSharedParameters(shared);
    }
    void TearDown() override { ::unsetenv("KELVANTI_REGISTRY_DIR"); }

    CCAss_c assignment(int i) const {
        CCAss_c a;
        EXPECT_TRUE(ecs.readAssignment(i, a));
        return a;
    }
    void setRange(int i, float minPar, float maxPar, int minCC, int maxCC) {
        CCAss_c a = assignment(i);
        a.minPar = minPar, a.maxPar = maxPar, a.minCC = minCC, a.maxCC = maxCC, a.mode = 1;
        ecs.writeAssignment(i, a);
    }
    // The plug-in's default map: 25 controllers on channel 0, instrument 0.
    void buildFactoryMap() {
        ecs.clearAll();
        for (int cc = 69; cc <= 78; ++cc)
            ecs.addAssignment(0, cc, 0, cc - 69, false);
        for (int cc = 79; cc <= 89; ++cc)
            ecs.addAssignment(0, cc, 0, cc - 68, false);
        for (int cc = 102; cc <= 104; ++cc)
            ecs.addAssignment(0, cc, 0, cc - 80, false);
        ecs.addAssignment(0, 105, 0, 10, false);
        ecs.storeFactory();
    }
    int activeCount() const {
        int n = 0;
        for (int i = 0; i < ECS2_c::kAssignments; ++i)
            n += assignment(i).mode > 0;
        return n;
    }

    OsScratchFolder scratch;
    FakeSynth synth;
    ParaSet_c* shared = nullptr;
    CountingEcs ecs{&synth, "Zendrix", &testClock};
};

} // namespace

TEST_F(Controllers, ValuesMapIntoTheParameterRangeAndBack) {
    setRange(0, 0.2f, 0.8f, 0, 127);
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(0, 64), 0.2f + 0.5f * (0.8f - 0.2f)); // the exact middle
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(0, 0), 0.2f);
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(0, 127), 0.8f);
    EXPECT_GT(ecs.ccToParameterValue(0, 65), 0.5f);
    EXPECT_EQ(ecs.parameterToCcValue(0, 0.2f), 0);
    EXPECT_EQ(ecs.parameterToCcValue(0, 0.8f), 127);
    EXPECT_EQ(ecs.parameterToCcValue(0, 0.5f), 64);

    setRange(1, 0.0f, 1.0f, 100, 20); // Min CC above Max CC inverts
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(1, 100), 0.0f);
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(1, 20), 1.0f);
    EXPECT_GT(ecs.parameterToCcValue(1, 0.25f), ecs.parameterToCcValue(1, 0.75f));

    setRange(2, 0.1f, 0.5f, 40, 40); // one controller value: the middle
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(2, 0), 0.3f);
    EXPECT_FLOAT_EQ(ecs.ccToParameterValue(2, 127), 0.3f);
    setRange(3, 0.4f, 0.4f, 10, 90); // one parameter value: feedback sends Max CC
    EXPECT_EQ(ecs.parameterToCcValue(3, 0.4f), 90);
}

TEST_F(Controllers, NrpnIncrementsMatchWithASpeedFromTheirRate) {
    ASSERT_EQ(ecs.addAssignment(2, 1 * 128 + 2, 0, 7, false), 0);  // NRPN 130
    ASSERT_EQ(ecs.addAssignment(2, 1 * 128 + 3, 0, -9, false), 1); // NRPN 131, inverted
    int position = -1;
    ECS2_c::Match match;
    EXPECT_FALSE(ecs.matchController(2, 99, 1, position, match));
    EXPECT_FALSE(ecs.matchController(2, 98, 2, position, match));
    ASSERT_TRUE(ecs.matchController(2, 96, 1, position, match));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(match.target, 7);
    EXPECT_EQ(match.kind, ECS2_c::kIncrement);
    EXPECT_FALSE(ecs.matchController(2, 96, 1, position, match)); // no further match

    auto speedAfter = [&](uint32_t ms, int cc) {
        g_now += ms;
        int p = -1;
        ECS2_c::Match m;
        EXPECT_TRUE(ecs.matchController(2, cc, 1, p, m));
        return m.speed;
    };
    EXPECT_FLOAT_EQ(speedAfter(25, 96), 1.0f); // across the clock's wrap
    EXPECT_NEAR(speedAfter(50, 97), 0.224f, 1e-3f);
    EXPECT_EQ(speedAfter(500, 96), 0.0f);
    ecs.matchController(2, 98, 3, position, match); // select 131
    EXPECT_EQ(speedAfter(25, 96), 0.0f);            // another target: no speed yet
    position = -1;
    ASSERT_TRUE(ecs.matchController(2, 96, 1, position, match));
    EXPECT_TRUE(match.inverted);
    EXPECT_EQ(match.target, 9);
    position = -1;
    EXPECT_FALSE(ecs.matchController(3, 96, 1, position, match)); // other channel
}

TEST_F(Controllers, LearningBindsAndRebinds) {
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeLearn);
    ASSERT_TRUE(ecs.isLearning());
    ecs.learnController(0, 74, 100); // nothing armed: nothing learnt
    EXPECT_EQ(activeCount(), 0);

    ecs.armLearnTarget(0, 12);
    ecs.learnController(16, 74, 100); // no such channel
    ecs.learnController(0, 74, 100);
    CCAss_c a = assignment(0);
    EXPECT_EQ(a.controller, 74);
    EXPECT_EQ(a.target, 12);
    EXPECT_EQ(a.mode, 1);
    EXPECT_EQ(ecs.armedTarget(), -1);

    ecs.armLearnTarget(0, 12);
    ecs.learnController(5, 75, 1);
    EXPECT_EQ(assignment(0).controller, 75);
    EXPECT_EQ(assignment(0).channel, 5);
    EXPECT_EQ(activeCount(), 1);
}

TEST_F(Controllers, TableEditsKeepOrderAndLimits) {
    for (int i = 0; i < ECS2_c::kAssignments; ++i)
        ASSERT_EQ(ecs.addAssignment(0, 1, 0, i, true), i);
    EXPECT_EQ(ecs.addAssignment(0, 1, 0, 999, true), 128);

    ecs.clearAll();
    ecs.addAssignment(0, 10, 0, 5, true);
    ecs.addAssignment(0, 11, 0, 5, true);  // adjacent duplicate
    ecs.addAssignment(0, 12, 1, 5, true);  // another instrument
    ecs.addAssignment(0, 13, 0, -5, true); // the same target, inverted
    ecs.addAssignment(0, 14, 0, 6, true);
    ecs.removeAssignments(0, 5);
    EXPECT_EQ(activeCount(), 5); // only while "On/Off" is set
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeClear);
    ASSERT_TRUE(ecs.isClearMode());
    ecs.armLearnTarget(0, 5); // touching a parameter in clear mode removes it
    EXPECT_EQ(activeCount(), 2);
    EXPECT_EQ(assignment(0).controller, 12);
    EXPECT_EQ(assignment(1).controller, 14);
    EXPECT_EQ(assignment(2).mode, 0);
}

TEST_F(Controllers, ModeChangesWriteTheirOwnColumnsWithoutRecursion) {
    ecs.notifications = 0;
    ecs.setValue(0, ECS2_c::kOnOff, 1);
    EXPECT_EQ(ecs.notifications, 1);
    EXPECT_EQ(ecs.getValue(0, ECS2_c::kOnOff), 1);
    EXPECT_TRUE(ecs.isLearning());
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeLearn);
    EXPECT_EQ(ecs.notifications, 2);
    EXPECT_EQ(ecs.getValue(0, ECS2_c::kMode), ECS2_c::kModeLearn);
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeOff);
    EXPECT_EQ(ecs.notifications, 3);
    EXPECT_FALSE(ecs.isLearning());
}

TEST_F(Controllers, LearntTableIsStoredAndLoadedAgain) {
    // The whole row fits what the registry reader takes back.
    EXPECT_LE(ecs.getChunkSize(0), kRegistryHexMaxBytes);
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeLearn);
    ecs.armLearnTarget(0, 3);
    ecs.learnController(1, 20, 64);
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeOff);
    std::string text;
    ASSERT_TRUE(os::registryRead("ZendrixECS2", text));
    EXPECT_EQ(text.substr(0, 8), "32534345"); // 'ECS2', low byte first

    ParaSet_c* otherSet = nullptr;
    ECS2_c resumed(&synth, "Zendrix");
    resumed.defineSharedParameters(otherSet);
    ASSERT_TRUE(resumed.load());
    CCAss_c a;
    ASSERT_TRUE(resumed.readAssignment(0, a));
    EXPECT_EQ(a.controller, 20);
    EXPECT_EQ(a.channel, 1);
    EXPECT_EQ(a.target, 3);
    EXPECT_EQ(resumed.getValue(0, ECS2_c::kOnOff), 0);
    EXPECT_EQ(resumed.getValue(0, ECS2_c::kMode), ECS2_c::kModeOff);

    // Without a plug-in the registry is never touched.
    ParaSet_c* loneSet = nullptr;
    ECS2_c lone(nullptr, "Zendrix");
    lone.defineSharedParameters(loneSet);
    EXPECT_FALSE(lone.load());
}

TEST_F(Controllers, ClearAllAndFactoryRestoreAskFirst) {
    buildFactoryMap();
    EXPECT_EQ(activeCount(), 25);
    CCAss_c a = assignment(24);
    EXPECT_EQ(a.controller, 105);
    EXPECT_EQ(a.target, 10);
    EXPECT_EQ(assignment(10).controller, 79);
    EXPECT_EQ(assignment(10).target, 11);
    EXPECT_EQ(assignment(23).target, 24);

    ScriptedDialogs dialogs;
    dialogs.answers = {false};
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeClearAll);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Do you want to clear all Controller Assigments of this instrument?");
    EXPECT_EQ(dialogs.asked[0].caption, "Clear ECS");
    EXPECT_EQ(activeCount(), 25);
    EXPECT_EQ(ecs.getValue(0, ECS2_c::kMode), ECS2_c::kModeOff);

    dialogs.answers = {true};
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeClearAll);
    EXPECT_EQ(activeCount(), 0);

    dialogs.answers = {false};
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeRestoreFactory);
    EXPECT_EQ(dialogs.asked.back().caption, "Restore Factory ECS");
    EXPECT_EQ(activeCount(), 0);
    dialogs.answers = {true};
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeRestoreFactory);
    EXPECT_EQ(activeCount(), 25);
    EXPECT_EQ(assignment(0).controller, 69);
    EXPECT_EQ(assignment(0).target, 0);
    EXPECT_EQ(assignment(21).controller, 102);
    EXPECT_EQ(assignment(21).target, 22);

    // Asked from another thread, the question answers "no" unasked.
    dialogs.answers = {true};
    std::thread worker([&] { ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeClearAll); });
    worker.join();
    EXPECT_EQ(activeCount(), 25);
    EXPECT_EQ(dialogs.answers.size(), 1u);
}

TEST_F(Controllers, StoredBytesAreTheSameInEveryBuild) {
    // One assignment as any build stores it: CC 74 on channel 2 to parameter
    // 3 inverted, range 10.0..90.0 %, controller values 10..100, "Normal".
    const std::string assignmentHex = "4A000000" "FDFFFFFF" "64000000" "84030000" "00000000" "02000000"
                                      "00000000" "0C000000" "4E6F726D616C202020200000" "0A000000"
                                      "1B000000" "00000000";
    const std::string blob = std::string("32534345" "6C000000" "00000000" "C8000000" "01000000"
                                         "0C000000" "4C6561726E20202020000000" // "Learn    "
                                         "00000000" "00000000" "00000000" "00000000") +
                             assignmentHex;
    ASSERT_TRUE(os::registryWrite("ZendrixECS2", blob));
    ASSERT_TRUE(ecs.load());
    EXPECT_EQ(ecs.getValue(0, ECS2_c::kOnOff), 0); // loading leaves learning off
    const CCAss_c a = assignment(0);
    EXPECT_EQ(a.controller, 74);
    EXPECT_EQ(a.target, -3);
    EXPECT_FLOAT_EQ(a.minPar, 0.1f);
    EXPECT_FLOAT_EQ(a.maxPar, 0.9f);
    EXPECT_EQ(a.channel, 2);
    EXPECT_EQ(a.minCC, 10);
    EXPECT_EQ(a.maxCC, 100);
    EXPECT_EQ(a.mode, 1);
    EXPECT_EQ(assignment(1).mode, 0);

    ecs.store();
    std::string text;
    ASSERT_TRUE(os::registryRead("ZendrixECS2", text));
    EXPECT_EQ(text.substr(0, 8), "32534345");
    EXPECT_EQ(text.substr(2 * 52, assignmentHex.size()), assignmentHex);
}
