// Real-time safety of the audio path: once the plug-in is ready, processing
// and event delivery allocate nothing (every global allocation is counted),
// and no lock held by another thread stalls a block, bar the queue lock.
#include "support/TestSynth.h"

#include "os/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <new>
#include <thread>

#include "support/CountingAllocator.h"

using namespace testsynth;

namespace {
// The plug-in base's own send road for controller values (TestSynth records the requests instead).
class EchoingSynth : public TestSynth {
public:
    using TestSynth::TestSynth;
    void sendAllControllers() override { Synth::sendAllControllers(); }
    void sendParameterControllers(int32_t part, int32_t hostIndex) override {
        Synth::sendParameterControllers(part, hostIndex);
    }
};
} // namespace

TEST(SynthRealtime, NoAllocationOnceReady) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    host.provideTime = true;
    host.time.tempo = 120.0;
    host.time.flags = kVstTempoValid | kVstTransportPlaying | kVstPpqPosValid | kVstTimeSigValid;
    host.time.timeSigNumerator = 3;
    host.time.timeSigDenominator = 4;
    EchoingSynth synth(&FakeHost::callback);
    synth.resume();
    Block block(1024);
    synth.processReplacing(nullptr, block.pointers, 1024); // the first block configures the outputs
    ASSERT_TRUE(synth.isReady());
    // Controllers 7 and NRPN 300 (stepped) move entry 0; the send road carries its value.
    synth.setParameterEntry(0, "Velo Fade", EPAS_c::kCurrentPart, &synth.instrumentSettings(),
                            SynGloIns_c::kVeloFade, false);
    synth.controllerAssignment().addAssignment(0, 7, 0, 0, true);
    synth.controllerAssignment().addAssignment(0, 300, 0, 0, true);
    // Nothing in the plug-in gives it a controller output; one is set by hand so
    // that the send road runs here too.
    synth.setControllerOutputCount(1);

    g_counting = true;
    delete new int(1);
    g_counting = false;
    ASSERT_EQ(g_allocations.exchange(0), 1); // the counter sees allocations at all

    Events events;
    for (int i = 0; i < 40; ++i) events.add(i * 7, 0x90, static_cast<uint8_t>(30 + i), 100);
    events.add(5, 0xB0, 64, 127);
    events.add(6, 0xE0, 3, 70);
    events.add(7, 0xD0, 40, 0);
    events.add(8, 0xA0, 31, 40);
    events.add(9, 0xB0, 1, 64);
    events.add(10, 0xC0, 3, 0);
    events.add(300, 0x80, 31, 0);
    events.add(301, 0xB0, 64, 0);
    events.add(600, 0xB0, 123, 0);
    events.add(700, 0xFF, 0, 0);
    events.add(710, 0xB0, 7, 100);
    events.add(711, 0xB0, 99, 300 >> 7);
    events.add(712, 0xB0, 98, 300 & 0x7F);
    events.add(713, 0xB0, 96, 0);
    VstEvents* list = events.list();
    synth.queueEditorNote(0, 60, 100, 0, true);
    synth.postAudioCommand(kCmdSendControllersToHost, 0, 0);
    synth.postAudioCommand(kCmdSendControllersToHost, -1, -1);
    int32_t bar = 0, position = 0;

    g_counting = true;
    for (int round = 0; round < 3; ++round) {
        synth.processEvents(list);
        synth.processReplacing(nullptr, block.pointers, 1024);
        synth.processReplacing(nullptr, block.pointers, 37);
    }
    synth.readHostTempo(&bar, &position);
    // The idle watchdog arms the timer from the audio thread, also allocation-free.
    os::setTickOffsetForTesting(5000);
    synth.processReplacing(nullptr, block.pointers, 64);
    os::setTickOffsetForTesting(0);
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_NE(synth.instrumentSettings().getValue(0, SynGloIns_c::kVeloFade), 0); // the controllers arrived
    EXPECT_EQ(host.sentEvents.load(), 2); // controller 7, echoed singly and with all (NRPN 300 never is)
    EXPECT_TRUE(synth.idleTimerRunning());
    EXPECT_EQ(bar, 66150); // 3/4 at 120 bpm, 44.1 kHz
}

TEST(SynthRealtime, OnlyTheQueueLockCanStallABlock) {
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    TestSynth synth(&FakeHost::callback);
    synth.resume();
    Block warm(64);
    synth.processReplacing(nullptr, warm.pointers, 64);
    ASSERT_TRUE(synth.isReady());

    auto blockCompletes = [&] {
        auto done = std::async(std::launch::async, [&] {
            Events e;
            e.add(0, 0x90, 60, 100);
            synth.processEvents(e.list());
            Block block(512);
            synth.processReplacing(nullptr, block.pointers, 512);
        });
        return done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    };
    // Held by this thread while another thread processes: the plug-in lock
    // (idle drains, loaders), the parameter lock (a write) and the program
    // lock (a preset being applied) never make the audio thread wait.
    synth.lock().enter();
    EXPECT_TRUE(blockCompletes());
    synth.lock().leave();
    synth.instrument().parameterLock().enter();
    synth.instrument().clearRecords();
    EXPECT_TRUE(blockCompletes());
    EXPECT_FALSE(synth.instrument().slices.empty()); // rendered without the parameter lock
    synth.instrument().parameterLock().leave();
    synth.instrument().programLock().enter();
    synth.instrument().clearRecords();
    EXPECT_TRUE(blockCompletes());
    EXPECT_TRUE(synth.instrument().slices.empty()); // skipped, not waited for
    synth.instrument().programLock().leave();
}
