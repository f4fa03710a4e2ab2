// The plug-in base's life cycle, readiness, host identification, command
// posting and the idle side, with a test subclass and a scripted host.
#include "support/TestSynth.h"

#include "framework/sdk/AEffEditor.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/ParameterWriteScope.h"
#include "os/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

using namespace testsynth;

namespace {
bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}
} // namespace

TEST(SynthTables, LinearAndExponentialEnds) {
    EXPECT_EQ(Synth::linearTable()[0], 0.0f);
    EXPECT_EQ(Synth::linearTable()[127], 1.0f);
    EXPECT_EQ(Synth::exponentialTable()[127], 1.0f);
    EXPECT_FLOAT_EQ(Synth::exponentialTable()[0], static_cast<float>(std::exp(-6.35)));
}

TEST(SynthLifecycle, OpenResumeSuspendClose) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    EXPECT_TRUE(synth.isUsable());
    EXPECT_FALSE(synth.isOpened());
    EXPECT_EQ(synth.getAeffect()->numOutputs, 2);
    EXPECT_EQ(synth.getAeffect()->numParams, 26);
    EXPECT_TRUE(synth.getAeffect()->flags & effFlagsIsSynth);
    EXPECT_TRUE(synth.getAeffect()->flags & effFlagsProgramChunks);

    // Resume opens lazily and sets 44100 when the host never set a rate.
    synth.resume();
    EXPECT_TRUE(synth.isOpened());
    EXPECT_TRUE(synth.isResumed());
    EXPECT_EQ(synth.sampleRateValue(), 44100.0f);
    EXPECT_EQ(synth.initialiseCalls, 1);
    EXPECT_EQ(host.wantMidiCalls.load(), 1); // asked once per open, not on every resume
    // Ready needs configured outputs: the first block configures them.
    Block block(64);
    synth.processReplacing(nullptr, block.pointers, 64);
    EXPECT_TRUE(synth.isReady());
    EXPECT_EQ(synth.rebinds, 1);
    synth.processReplacing(nullptr, block.pointers, 64);
    EXPECT_EQ(synth.rebinds, 1); // unchanged pointers are not bound again

    // A rate of 1000 or less is not a usable rate.
    synth.setSampleRate(1000.0f);
    EXPECT_FALSE(synth.isReady());
    synth.setSampleRate(48000.0f);
    EXPECT_TRUE(synth.isReady());
    synth.resume();
    EXPECT_EQ(synth.sampleRateValue(), 48000.0f); // a set rate is kept
    EXPECT_EQ(synth.initialiseCalls, 1);
    EXPECT_EQ(host.wantMidiCalls.load(), 1);

    synth.suspend();
    EXPECT_FALSE(synth.isResumed());
    synth.close();
    EXPECT_FALSE(synth.isOpened());
    EXPECT_FALSE(synth.isReady());
    EXPECT_EQ(synth.getPart(0), nullptr);
    // A block after close is only the pre-fill.
    synth.processReplacing(nullptr, block.pointers, 64);
    EXPECT_EQ(block.left[1], 1e-7f);
    // And everything opens again.
    synth.open();
    EXPECT_TRUE(synth.isOpened());
    synth.resume();
    EXPECT_EQ(host.wantMidiCalls.load(), 2); // a new open asks again
}

TEST(SynthLifecycle, TooManyPartsMakeAnUnusableObject) {
    TestSynth synth(nullptr, testConfig(24, 440));
    EXPECT_FALSE(synth.isUsable());
    synth.resume();
    EXPECT_FALSE(synth.isOpened());
    Block block(16);
    synth.processReplacing(nullptr, block.pointers, 16);
    EXPECT_EQ(block.left[0], -1e-7f);
}

TEST(SynthLifecycle, ResumeWaitsForARunningBlock) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    synth.resume();
    Block warm(8);
    synth.processReplacing(nullptr, warm.pointers, 8);
    ASSERT_TRUE(synth.isReady());

    // Stall a block inside the render: it takes the instrument's queue lock blocking.
    synth.instrument().queueLock().enter();
    Events events;
    events.add(0, 0x90, 60, 100);
    synth.processEvents(events.list()); // queued before the lock is needed
    std::atomic<bool> blockDone{false};
    std::thread audio([&] {
        Block block(64);
        synth.processReplacing(nullptr, block.pointers, 64);
        blockDone = true;
    });
    ASSERT_TRUE(waitFor([&] { return synth.inAudio(); }, 2000));
    std::atomic<bool> resumed{false};
    std::thread ui([&] {
        synth.resume();
        resumed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_FALSE(resumed.load()); // still waiting for the block
    EXPECT_TRUE(synth.isBlocked());
    synth.instrument().queueLock().leave();
    audio.join();
    ui.join();
    EXPECT_TRUE(blockDone.load());
    EXPECT_TRUE(resumed.load());
    EXPECT_FALSE(synth.isBlocked());
}

TEST(SynthIdentification, LogicClearsIoChangesAndPinsKeepOnePair) {
    {
        FakeHost host;
        host.canDo["acceptIOChanges"] = 1;
        host.product = "Cubase VST";
        TestSynth synth(&FakeHost::callback);
        EXPECT_EQ(synth.getHostId(), HostId::Cubase);
        EXPECT_TRUE(synth.acceptsIoChanges());
    }
    {
        FakeHost host;
        host.canDo["acceptIOChanges"] = 1;
        host.product = "Logic";
        TestSynth synth(&FakeHost::callback);
        EXPECT_EQ(synth.getHostId(), HostId::Logic);
        EXPECT_FALSE(synth.acceptsIoChanges());
    }
    {
        // Output pins: under any host but Cubase an unconnected right output
        // of the only pair still leaves one pair.
        FakeHost host;
        host.outputPinConnected[1] = 1;
        TestSynth synth(&FakeHost::callback);
        synth.resume();
        Block block(8);
        synth.processReplacing(nullptr, block.pointers, 8);
        EXPECT_EQ(synth.stereoPairs(), 1);
        EXPECT_EQ(synth.outputChannels(), 2);
    }
}

TEST(SynthCommands, FirstBlockGateAndExecutors) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    synth.resume();

    // Controller echoes are dropped until a block has been rendered.
    EXPECT_FALSE(synth.postAudioCommand(kCmdSendControllersToHost, 0, 5));
    EXPECT_EQ(synth.toAudioRing().pendingCount(), 0u);
    Block block(32);
    synth.processReplacing(nullptr, block.pointers, 32);
    EXPECT_TRUE(synth.firstBlockRendered());
    EXPECT_TRUE(synth.postAudioCommand(kCmdSendControllersToHost, 0, 5));
    EXPECT_TRUE(synth.postAudioCommand(kCmdSendControllersToHost, 0, -1));
    // An idle code posted to the audio ring is handed on to the idle side.
    EXPECT_TRUE(synth.postAudioCommand(kCmdSelectPartProgram, 0, 9));
    synth.processReplacing(nullptr, block.pointers, 32);
    EXPECT_EQ(synth.controllerEchoes, std::vector<int32_t>{5});
    EXPECT_EQ(synth.allControllerEchoes, 1);
    EXPECT_TRUE(synth.partPrograms.empty());
    synth.fxIdle();
    ASSERT_EQ(synth.partPrograms.size(), 1u);
    EXPECT_EQ(synth.partPrograms[0], std::make_pair(0, 9));

    // A host program change happens at the next drain, not before.
    synth.setProgram(17);
    EXPECT_EQ(synth.partPrograms.back(), std::make_pair(0, 9));
    synth.fxIdle();
    EXPECT_EQ(synth.partPrograms.back(), std::make_pair(0, 17));

    // MIDI program change and bank select go through the idle ring.
    Events events;
    events.add(0, 0xC0, 4, 0);
    events.add(0, 0xB0, 32, 2);
    synth.processEvents(events.list());
    synth.processReplacing(nullptr, block.pointers, 32);
    synth.fxIdle();
    EXPECT_EQ(synth.partPrograms.back(), std::make_pair(0, 4));
    ASSERT_EQ(synth.partBanks.size(), 1u);
    EXPECT_EQ(synth.partBanks[0], std::make_pair(0, 2));

    // Unknown idle codes reach handleCommand; a cancelled record does nothing.
    synth.postIdleCommand(kCmdPageModeOn, 0, 0);
    synth.postIdleCommand(kCmdNextProgram, 0, 0);
    synth.toIdleRing().cancel(kCmdNextProgram);
    synth.fxIdle();
    EXPECT_EQ(synth.handled, std::vector<int32_t>{kCmdPageModeOn});
}

// The timer runs on the real clock; the waits for its drains are hang guards
// (10 s), not timings. Where the watchdog compares times the clock is held.
TEST(SynthIdle, TimerDrainsWithoutHostIdleAndWatchdogArmsIt) {
    constexpr int kHangGuardMs = 10000;
    {
        // No "supplyIdle": open starts the 25 ms timer and it drains.
        FakeHost host;
        TestSynth synth(&FakeHost::callback);
        synth.open();
        EXPECT_TRUE(synth.idleTimerRunning());
        synth.setProgram(5);
        EXPECT_TRUE(waitFor([&] { return synth.lastSelectedProgram == 5; }, kHangGuardMs));
        // Close stops the timer while it runs.
        synth.close();
        EXPECT_FALSE(synth.idleTimerRunning());
    }
    {
        // "supplyIdle" but no effIdle for more than a second: the audio
        // thread arms the timer once. Open, the first block and the drain
        // happen at one held instant two seconds back; the block after the
        // release sees the drain two seconds old, however slow the machine.
        FakeHost host;
        host.canDo["supplyIdle"] = 1;
        TestSynth synth(&FakeHost::callback);
        os::holdTickForTesting(os::tickMs() - 2000);
        synth.resume();
        EXPECT_FALSE(synth.idleTimerRunning());
        Block block(64);
        synth.processReplacing(nullptr, block.pointers, 64);
        EXPECT_FALSE(synth.idleTimerRunning());
        synth.fxIdle(); // an empty drain still counts as idle
        const uint32_t drained = synth.lastIdleDrainMs();
        os::releaseTickForTesting();
        synth.processReplacing(nullptr, block.pointers, 64);
        EXPECT_TRUE(synth.idleTimerRunning());
        synth.setProgram(6);
        EXPECT_TRUE(waitFor([&] { return synth.lastSelectedProgram == 6; }, kHangGuardMs));
        EXPECT_NE(synth.lastIdleDrainMs(), drained);
    }
}

// A host that claims "supplyIdle" stops its idle calls while audio runs, a
// block every 5 ms: the watchdog's start from the audio thread is taken up
// within a few blocks, not at the timer service's next unannounced look (up
// to a second later). Real time: the watchdog waits one second by design.
TEST(SynthIdle, TimerTakesOverSoonAfterTheHostsIdleStops) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    synth.resume();
    synth.fxIdle();
    const uint32_t hostIdle = synth.lastIdleDrainMs();
    Block block(64);
    auto renderUntil = [&](const std::function<bool()>& done) {
        while (!done()) {
            if (os::tickDiff(os::tickMs(), hostIdle) > 10000) return false; // hang guard
            synth.processReplacing(nullptr, block.pointers, 64);
            os::sleepMs(5);
        }
        return true;
    };
    ASSERT_TRUE(renderUntil([&] { return synth.idleTimerRunning(); }));
    const uint32_t armed = os::tickMs();
    EXPECT_GE(os::tickDiff(armed, hostIdle), static_cast<int32_t>(Synth::kIdleWatchdogMs));
    ASSERT_TRUE(renderUntil([&] { return synth.lastIdleDrainMs() != hostIdle; }));
    EXPECT_LT(os::tickDiff(os::tickMs(), armed), 300) << "the first timer drain came late";
}

TEST(SynthIdle, MessageBoxCommandFreesItsText) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    // The text is freed after the box (no helper here: it goes to stderr);
    // ASan would report a leak otherwise.
    const intptr_t text = makeOwnedText("format mismatch");
    ASSERT_NE(text, 0);
    EXPECT_TRUE(synth.postIdleCommand(kCmdErrorMessageBox, 0, 0, text,
                                      HoldData_c::fromPointer("Load Error")));
    synth.fxIdle();
    EXPECT_EQ(synth.toIdleRing().pendingCount(), 0u);
}

// The host's wheel call ('stCA', 'Whee') through the dispatcher reaches the
// editor's wheel handler only; without an editor, or for any other call, 0.
TEST(SynthIdle, VendorWheelReachesTheEditorThroughTheDispatcher) {
    struct WheelEditor : AEffEditor {
        using AEffEditor::AEffEditor;
        bool onWheel(float distance) override {
            distances.push_back(distance);
            return handles;
        }
        std::vector<float> distances;
        bool handles = true;
    };
    FakeHost host;
    TestSynth synth(&FakeHost::callback);
    AEffect* e = synth.getAeffect();
    const VstInt32 kEditorCall = 0x73744341; // 'stCA'
    const VstIntPtr kWheel = 0x57686565;     // 'Whee'
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kEditorCall, kWheel, nullptr, 1.0f), 0);

    auto* editor = new WheelEditor(&synth);
    synth.setEditor(editor); // owned by the effect from here on
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kEditorCall, kWheel, nullptr, -2.5f), 1);
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, 1, kWheel, nullptr, 1.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kEditorCall, 1, nullptr, 1.0f), 0);
    editor->handles = false;
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kEditorCall, kWheel, nullptr, 3.0f), 0);
    EXPECT_EQ(editor->distances, (std::vector<float>{-2.5f, 3.0f}));
}

TEST(SynthParameterWrites, NestingIsPerThread) {
    os::RecursiveLock lock;
    std::atomic<bool> otherInside{false};
    std::atomic<bool> release{false};
    std::thread other([&] {
        ParameterWriteScope outer(lock);
        ParameterWriteScope inner(lock);
        EXPECT_TRUE(outer.isOutermost());
        EXPECT_FALSE(inner.isOutermost());
        otherInside = true;
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(waitFor([&] { return otherInside.load(); }, 2000));
    // Another thread's nesting does not count here: this write is outermost
    // and must wait for the lock.
    EXPECT_EQ(ParameterWriteScope::currentDepth(), 0);
    EXPECT_FALSE(lock.tryEnter());
    release = true;
    other.join();
    {
        ParameterWriteScope write(lock);
        EXPECT_TRUE(write.isOutermost());
        EXPECT_EQ(ParameterWriteScope::currentDepth(), 1);
    }
    // Fully released: another thread can take it.
    std::thread check([&] {
        EXPECT_TRUE(lock.tryEnter());
        lock.leave();
    });
    check.join();
}
