// Processing against event delivery, host calls, idle drains, editor notes
// and resume from other threads at once. Meant for ThreadSanitizer: any race
// on this road is reported there; here it must simply run to the end.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <atomic>
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
