// Processing against event delivery, host calls, idle drains, editor notes
// and resume from other threads at once. Meant for ThreadSanitizer: any race
// on this road is reported there; here it must simply run to the end.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace testsynth;

TEST(SynthThreads, AudioAgainstEventsHostCallsAndIdle) {
    FakeHost host; // no "supplyIdle": the timer drains as well
    TestSynth synth(&FakeHost::callback);
    synth.setSampleRate(48000.0f);
    synth.resume();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};

    std::thread audio([&] {
        Block block(256);
        for (int i = 0; i < 1500; ++i) {
            const int32_t frames = 1 + (i * 37) % 256;
            synth.processReplacing(nullptr, block.pointers, frames);
            blocks++;
        }
        stop = true;
    });
    std::thread events([&] {
        Events e;
        uint8_t key = 30;
        while (!stop.load()) {
            e.clear();
            e.add(0, 0x90, key, 100);
            e.add(17, 0xB0, 1, key);
            e.add(40, 0x80, static_cast<uint8_t>(key - 1), 0);
            e.add(41, 0xC0, key & 7, 0);
            synth.processEvents(e.list());
            key = static_cast<uint8_t>(key == 90 ? 30 : key + 1);
            std::this_thread::yield();
        }
    });
    std::thread hostCalls([&] {
        AEffect* effect = synth.getAeffect();
        int i = 0;
        while (!stop.load()) {
            effect->setParameter(effect, i % 26, 0.5f);
            effect->dispatcher(effect, effSetProgram, 0, i % 128, nullptr, 0.0f);
            effect->dispatcher(effect, effIdle, 0, 0, nullptr, 0.0f);
            synth.queueEditorNote(0, 60 + i % 12, 100, 0, i % 2 == 0);
            if (i % 50 == 0) {
                synth.suspend();
                synth.resume();
            }
            ++i;
            std::this_thread::yield();
        }
    });
    audio.join();
    events.join();
    hostCalls.join();
    EXPECT_EQ(blocks.load(), 1500);
    // Every counter still matches the slots after all that.
    const PolyNoteTable_c& table = synth.voiceTable();
    int inUse = 0;
    for (int32_t s = 0; s < table.slotCount(); ++s) inUse += table.getSlot(s)->state != kVoiceFree;
    EXPECT_EQ(inUse, table.voicesInUse());
    EXPECT_EQ(synth.instrument().voicesInUse(), table.voicesInUse());
}

// "Edit Ins" moved by a controller on the audio thread while another thread is
// inside a host call (an idle drain held in a command): the change is posted to
// the idle side, not applied on the audio thread, which would refresh the editor
// and call the host from there. A host write on the calling thread applies it at once.
TEST(SynthThreads, AnotherThreadsHostCallDoesNotMakeTheAudioThreadActAtOnce) {
    struct HoldingSynth : TestSynth {
        using TestSynth::TestSynth;
        bool handleCommand(int32_t code, int32_t a, int32_t b, intptr_t p) override {
            if (code == kCmdPageModeOn) {
                entered.set_value();
                released.wait();
            }
            return TestSynth::handleCommand(code, a, b, p);
        }
        std::promise<void> entered, release;
        std::shared_future<void> released = release.get_future().share();
    };
    FakeHost host;
    host.canDo["supplyIdle"] = 1;
    HoldingSynth synth(&FakeHost::callback, testConfig(24, 4));
    synth.resume();
    Block block(64);
    synth.processReplacing(nullptr, block.pointers, 64);
    ASSERT_TRUE(synth.isReady());
    // Host entry 0 and controller 7 on the first channel move "Edit Ins".
    synth.setParameterEntry(0, "Edit Ins", 0, &synth.globalSettings(), SynGlo_c::kEditIns, false);
    synth.controllerAssignment().addAssignment(0, 7, 0, 0, true);
    ASSERT_EQ(synth.getCurrentPart(), 0);

    // Positive control: the host's own call on this thread acts at once.
    synth.setParameter(0, 1.0f);
    EXPECT_EQ(synth.getCurrentPart(), 3);
    EXPECT_EQ(synth.toIdleRing().pendingCount(), 0u);

    synth.postIdleCommand(kCmdPageModeOn, 0, 0);
    std::thread idle([&] { synth.fxIdle(); });
    // A 10 s guard instead of waiting for ever when the drain never gets there.
    EXPECT_EQ(synth.entered.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    Events events;
    events.add(0, 0xB0, 7, 0);
    synth.processEvents(events.list());
    synth.processReplacing(nullptr, block.pointers, 64);
    EXPECT_EQ(synth.globalSettings().getValue(0, SynGlo_c::kEditIns), 0); // the controller wrote it
    EXPECT_EQ(synth.getCurrentPart(), 3);                                  // but nothing acted yet
    synth.release.set_value();
    idle.join();
    synth.fxIdle();
    EXPECT_EQ(synth.getCurrentPart(), 0); // the idle side applied it
}
