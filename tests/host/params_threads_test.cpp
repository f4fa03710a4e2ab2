// Host parameter calls from two threads while the audio thread plays notes
// (the "parameter thread safety" pattern of plug-in validators): nothing may
// race, hang or stop the sound. Meant for the ThreadSanitizer build too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "support/PluginRig.h"

namespace {

constexpr int kBlock = 256;
constexpr int kBlocks = 600;

void writeParameters(vsthost::PluginInstance& p, uint32_t seed, std::atomic<bool>& stop, std::atomic<int>& writes) {
    uint32_t x = seed;
    while (!stop.load()) {
        x = x * 1664525u + 1013904223u;
        const int index = static_cast<int>(x >> 8) % 48 - 2; // a few outside the map too
        const float value = static_cast<float>((x >> 12) & 0x3FF) / 1023.0f;
        p.setParameter(index, value);
        char text[64];
        p.dispatch(effGetParamDisplay, index, 0, text);
        (void)p.getParameter(index);
        writes.fetch_add(1);
    }
}

TEST(ParamsThreads, TwoWritersAndTheAudioThreadNeitherRaceNorHang) {
    pluginrig::Rig rig(44100.0f, kBlock);
    ASSERT_TRUE(rig.plugin);
    auto& p = *rig.plugin;
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::atomic<int> blocks{0};
    bool finite = true;
    std::thread audio([&] {
        vsthost::AudioBuffers in(0, kBlock), out(2, kBlock);
        for (int b = 0; b < kBlocks; ++b) {
            vsthost::EventList events;
            const int key = 40 + (b * 7) % 40;
            events.addMidi((b * 37) % kBlock, 0x90, static_cast<uint8_t>(key), 100);
            if (b >= 3) events.addMidi((b * 11) % kBlock, 0x80, static_cast<uint8_t>(40 + ((b - 3) * 7) % 40), 0);
            if (b % 50 == 0) events.addMidi(0, 0xB0, 69 + b % 10, static_cast<uint8_t>(b % 128)); // controller road
            p.sendEvents(events);
            p.processReplacing(in, out, kBlock);
            for (int c = 0; c < 2; ++c)
                for (float v : out.channel(c)) finite = finite && std::isfinite(v);
            blocks.fetch_add(1);
        }
    });
    std::thread writerA([&] { writeParameters(p, 1u, stop, writes); });
    std::thread writerB([&] { writeParameters(p, 2u, stop, writes); });
    audio.join();
    stop = true;
    writerA.join();
    writerB.join();
    EXPECT_EQ(blocks.load(), kBlocks);
    EXPECT_GT(writes.load(), 0);
    EXPECT_TRUE(finite);
}

} // namespace
