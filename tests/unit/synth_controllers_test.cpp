// The controller road: assigned controllers move their parameters (the
// plug-in's factory assignments, relative steps up and down), and the road by
// which parameter values would go back to the host as controller messages.
// That echo is dormant: nothing in the plug-in gives it a controller output
// (the count starts at 0 and no road sets it); tests that set the count by
// hand test the send road given an output, not an echo a host would see.
#include "engine/instrument/Zendrix_c.h"
#include "os/Clock.h"
#include "os/Registry.h"
#include "support/ScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace testsynth;

namespace {

class Plugin : public Zendrix_c {
public:
    Plugin() : Zendrix_c(&FakeHost::callback) {}
    ~Plugin() override { close(); }
};

// The plug-in, resumed and past its first block, with its registry in a scratch folder.
struct SynthControllers : ::testing::Test {
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
        host.canDo["supplyIdle"] = 1;
        plugin.reset(new Plugin);
        plugin->setSampleRate(44100.0f);
        plugin->resume();
        render();
    }
    void TearDown() override {
        plugin.reset();
        ::unsetenv("KELVANTI_REGISTRY_DIR");
    }
    void render(Events* events = nullptr) {
        if (events) plugin->processEvents(events->list());
        Block block(64);
        plugin->processReplacing(nullptr, block.pointers, 64);
    }
    void controller(uint8_t status, uint8_t number, uint8_t value) {
        Events e;
        e.add(0, status, number, value);
        render(&e);
    }
    // The slot of the factory assignment of a controller.
    int slotOf(int wanted) {
        for (int i = 0; i < ECS2_c::kAssignments; ++i) {
            bool active = false;
            int channel = 0, number = 0, instrument = 0, target = 0;
            if (plugin->controllerAssignment().getAssignment(i, active, channel, number, instrument, target) &&
                active && number == wanted)
                return i;
        }
        return -1;
    }
    // Controller messages sent to the host since the last call.
    std::vector<std::array<uint8_t, 3>> sent() {
        std::vector<std::array<uint8_t, 3>> messages;
        for (int i = seen; i < host.sentEvents && i < FakeHost::kSentRecords; ++i)
            messages.push_back({host.sentMidi[i][0], host.sentMidi[i][1], host.sentMidi[i][2]});
        seen = host.sentEvents;
        return messages;
    }

    FakeHost host;
    ScratchFolder registry;
    std::unique_ptr<Plugin> plugin;
    int seen = 0;
};

// A plug-in base with one host-visible entry on 'SYG1' "Velo Fade" (-127..127,
// linear) and an NRPN-numbered assignment to it, stepped by data
// increment/decrement messages.
struct Stepping {
    static constexpr int kNrpn = 300;
    Stepping() {
        host.canDo["supplyIdle"] = 1;
        synth.resume();
        synth.setParameterEntry(0, "Velo Fade", EPAS_c::kCurrentPart, &synth.instrumentSettings(),
                                SynGloIns_c::kVeloFade, false);
        slot = synth.controllerAssignment().addAssignment(0, kNrpn, 0, 0, true);
        render(nullptr);
    }
    void render(Events* events, int32_t frames = 64) {
        if (events) synth.processEvents(events->list());
        Block block(frames);
        synth.processReplacing(nullptr, block.pointers, frames);
    }
    int32_t frames(double seconds) { return static_cast<int32_t>(seconds * synth.sampleRateValue()); }
    // The NRPN is selected, then `count` increments (up) or decrements in one block.
    void step(bool up, int count) {
        Events e;
        e.add(0, 0xB0, 99, kNrpn >> 7);
        e.add(0, 0xB0, 98, kNrpn & 0x7F);
        for (int i = 0; i < count; ++i) e.add(i, 0xB0, up ? 96 : 97, 0);
        render(&e);
    }
    // A message long after the last one (2 s of audio) moves by the slowest step.
    void slowStep(bool up) {
        render(nullptr, frames(2.0));
        step(up, 1);
    }
    int32_t value() { return synth.instrumentSettings().getValue(0, SynGloIns_c::kVeloFade); }
    float normalized() { return synth.instrumentSettings().getNormalized(0, SynGloIns_c::kVeloFade); }

    FakeHost host;
    TestSynth synth{&FakeHost::callback};
    int slot = -1;
};

} // namespace

// A controller learnt in a block is stored at the next idle call, also when
// nothing else waits for the idle side.
TEST_F(SynthControllers, AControllerLearntInABlockIsStoredAtTheNextIdleCall) {
    ECS2_c& ecs = plugin->controllerAssignment();
    ecs.setValue(0, ECS2_c::kMode, ECS2_c::kModeLearn);
    plugin->fxIdle();
    std::string before;
    os::registryRead("ZendrixECS2", before);
    ecs.armLearnTarget(0, 12);
    controller(0xB1, 74, 100);
    std::string stored;
    os::registryRead("ZendrixECS2", stored);
    ASSERT_EQ(stored, before) << "stored in the block, not at the idle call";
    plugin->fxIdle();
    ASSERT_TRUE(os::registryRead("ZendrixECS2", stored));
    EXPECT_NE(stored, before);
}

TEST_F(SynthControllers, AFactoryControllerMovesItsParameterThroughABlock) {
    ASSERT_GE(slotOf(69), 0); // CC 69 drives entry 0, "Timbre Range", on the first channel
    const float step = std::fabs(plugin->voice(0).oscillator().getStepSize(ZenOsc_c::kTimbreRange, 1));
    controller(0xB0, 69, 127);
    EXPECT_EQ(plugin->getParameter(0), 1.0f);
    controller(0xB0, 69, 0);
    EXPECT_EQ(plugin->getParameter(0), 0.0f);
    controller(0xB0, 69, 64);
    EXPECT_NEAR(plugin->getParameter(0), 0.5f, step);
    // Another channel, or an unassigned controller, leaves it alone.
    const float before = plugin->getParameter(0);
    controller(0xB1, 69, 127);
    controller(0xB0, 90, 127);
    EXPECT_EQ(plugin->getParameter(0), before);
    // The controller road does not echo to the host, even given an output by hand.
    plugin->setControllerOutputCount(1);
    controller(0xB0, 69, 100);
    EXPECT_TRUE(sent().empty());
}

TEST(SynthControllersStepping, IncrementsAndDecrementsStepWithTheirSpeed) {
    Stepping s;
    ASSERT_GE(s.slot, 0);
    ASSERT_EQ(s.value(), 0);
    // Slow messages move one unit; a quick run moves 1/20 of the range a message.
    s.slowStep(true);
    EXPECT_EQ(s.value(), 1);
    s.slowStep(false);
    s.slowStep(false);
    EXPECT_EQ(s.value(), -1);
    s.step(true, 1); // within 25 ms of the last one
    const int32_t afterRun = s.value();
    EXPECT_GE(afterRun, -1 + 12);
    EXPECT_LE(afterRun, -1 + 13);
    s.step(false, 1);
    EXPECT_GE(s.value(), afterRun - 13);
    EXPECT_LE(s.value(), afterRun - 12);
    // Stepping ends at the range's ends.
    s.step(false, 40);
    EXPECT_EQ(s.value(), -127);
    s.step(true, 40);
    EXPECT_EQ(s.value(), 127);
}

// Steps are timed by the audio, not by how fast the blocks come: two
// increments 600 ms apart in one long block move one unit each, two 5 ms
// apart move by the quick step.
TEST(SynthControllersStepping, StepsAreTimedByTheAudio) {
    for (const double apart : {0.6, 0.005}) {
        SCOPED_TRACE(apart);
        Stepping s;
        ASSERT_EQ(s.value(), 0);
        Events e;
        e.add(0, 0xB0, 99, Stepping::kNrpn >> 7);
        e.add(0, 0xB0, 98, Stepping::kNrpn & 0x7F);
        e.add(0, 0xB0, 96, 0);
        e.add(s.frames(apart), 0xB0, 96, 0);
        s.render(&e, s.frames(apart) + 64);
        if (apart > 0.5) {
            EXPECT_EQ(s.value(), 2);
        } else {
            EXPECT_GE(s.value(), 1 + 12);
            EXPECT_LE(s.value(), 1 + 13);
        }
    }
}

// The data after an NRPN select counts within 1 s of it in the audio: a
// program step 1.5 s after its select does nothing, 0.5 s after it steps.
TEST(SynthControllersStepping, TheNrpnSelectWindowIsTimedByTheAudio) {
    Stepping s;
    for (const double after : {1.5, 0.5}) {
        SCOPED_TRACE(after);
        Events e;
        e.add(0, 0xB0, 99, Synth::kNrpnProgramUp >> 7);
        e.add(0, 0xB0, 98, Synth::kNrpnProgramUp & 0x7F);
        e.add(s.frames(after), 0xB0, 6, 127);
        s.synth.partPrograms.clear();
        s.render(&e, s.frames(after) + 64);
        s.synth.fxIdle();
        EXPECT_EQ(s.synth.partPrograms.size(), after < 1.0 ? 1u : 0u);
    }
}

TEST(SynthControllersStepping, StepsReachTheEndsOfANarrowedRange) {
    Stepping s;
    CCAss_c narrowed;
    ASSERT_TRUE(s.synth.controllerAssignment().readAssignment(s.slot, narrowed));
    narrowed.minPar = 0.2f;
    narrowed.maxPar = 0.8f;
    ASSERT_TRUE(s.synth.controllerAssignment().writeAssignment(s.slot, narrowed));
    const float unit = 1.0f / 254.0f;
    s.step(true, 60);
    EXPECT_NEAR(s.normalized(), 0.8f, unit);
    s.step(false, 60);
    EXPECT_NEAR(s.normalized(), 0.2f, unit);
    // From above the range an increment lands on its top end.
    s.synth.instrumentSettings().setValue(0, SynGloIns_c::kVeloFade, 120);
    s.step(true, 1);
    EXPECT_NEAR(s.normalized(), 0.8f, unit);
}

TEST_F(SynthControllers, EchoStaysDormantAndTheSendRoadWorksGivenAnOutput) {
    const int timbreRange = slotOf(69);
    ASSERT_GE(timbreRange, 0);
    // As built: "MIDI CC Mode" is "receive+send", yet host writes, a factory
    // controller and a request for every value send nothing.
    ASSERT_EQ(plugin->globalSettings().getValue(0, SynGlo_c::kMidiCcMode), 1);
    ASSERT_EQ(plugin->controllerOutputCount(), 0);
    for (int entry = 0; entry < 25; ++entry) plugin->setParameterFromHost(entry, 0.5f);
    render();
    controller(0xB0, 69, 100);
    plugin->sendAllControllers();
    render();
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(plugin->controllerOutputCount(), 0);

    // The send road, given an output by hand.
    plugin->setControllerOutputCount(1);
    plugin->setParameterFromHost(0, 1.0f);
    render(); // the host road's echo runs at the next block
    auto echo = sent();
    ASSERT_EQ(echo.size(), 1u);
    EXPECT_EQ(echo[0][0], 0xB0);
    EXPECT_EQ(echo[0][1], 69);
    EXPECT_EQ(echo[0][2], 127);

    plugin->sendAllControllers();
    const auto all = sent();
    EXPECT_EQ(all.size(), 25u); // one per factory assignment
    int found = 0;
    for (const auto& m : all)
        if (m[1] == 69) found += m[2] == 127;
    EXPECT_EQ(found, 1);

    // An inverted assignment sends the mirrored value.
    const int timbreAttack = slotOf(70); // entry 1
    ASSERT_GE(timbreAttack, 0);
    plugin->setParameterFromHost(1, 1.0f);
    render();
    ASSERT_EQ(sent().size(), 1u);
    ECS2_c& ecs = plugin->controllerAssignment();
    CCAss_c a;
    ASSERT_TRUE(ecs.readAssignment(timbreAttack, a));
    a.target = -a.target;
    ASSERT_TRUE(ecs.writeAssignment(timbreAttack, a));
    plugin->sendParameterControllers(0, 1);
    echo = sent();
    ASSERT_EQ(echo.size(), 1u);
    EXPECT_EQ(echo[0][1], 70);
    EXPECT_EQ(echo[0][2], 0);

    // An NRPN-numbered assignment is not squeezed into a controller number.
    ASSERT_LT(ecs.addAssignment(0, 300, 0, 0, true), ECS2_c::kAssignments);
    plugin->sendParameterControllers(0, 0);
    echo = sent();
    ASSERT_EQ(echo.size(), 1u);
    EXPECT_EQ(echo[0][1], 69);

    // Cakewalk is never sent the whole set.
    host.product = "Cakewalk SONAR";
    plugin->identifyHostNow();
    ASSERT_EQ(plugin->getHostId(), HostId::Cakewalk);
    plugin->sendAllControllers();
    EXPECT_TRUE(sent().empty());
    plugin->sendParameterControllers(0, 0);
    EXPECT_EQ(sent().size(), 1u);
}
