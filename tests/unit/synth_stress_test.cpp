// The plug-in under load from every side at once, the way busy hosts drive
// it: the audio thread renders notes while other threads set banks and
// programs, automate parameters, switch processing off and on and change
// programs. Run under ThreadSanitizer in CI: any unordered access fails it.
#include "engine/instrument/Zendrix_c.h"
#include "support/OsScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using testsynth::Block;
using testsynth::Events;
using testsynth::FakeHost;

std::vector<uint8_t> chunkOf(Zendrix_c& plugin, bool preset) {
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, preset);
    if (size <= 0 || !data) return {};
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

TEST(SynthStress, ChunksParametersAndSwitchingWhileAudioRenders) {
    OsScratchFolder registry;
    ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
    FakeHost host;
    Zendrix_c plugin(&FakeHost::callback);
    plugin.open();
    plugin.setSampleRate(48000.0f);
    plugin.setBlockSize(128);
    plugin.resume();
    for (int i = 0; i < 25; ++i) plugin.setParameter(i, static_cast<float>((i * 29) % 100) / 100.0f);
    const std::vector<uint8_t> bank = chunkOf(plugin, false);
    const std::vector<uint8_t> program = chunkOf(plugin, true);
    ASSERT_FALSE(bank.empty());
    ASSERT_FALSE(program.empty());

    std::atomic<bool> stop{false};
    std::atomic<int> bankLoads{0};
    std::vector<std::thread> others;
    others.emplace_back([&] {
        for (int i = 0; i < 30; ++i) {
            std::vector<uint8_t> copy = i % 2 ? program : bank;
            const VstInt32 size = static_cast<VstInt32>(copy.size());
            EXPECT_EQ(plugin.setChunk(copy.data(), size, i % 2 == 1), size);
            chunkOf(plugin, i % 3 == 0);
            ++bankLoads;
        }
    });
    others.emplace_back([&] {
        for (int i = 0; !stop; ++i) plugin.setParameter(i % 25, static_cast<float>(i % 97) / 96.0f);
    });
    others.emplace_back([&] {
        for (int i = 0; i < 20 && !stop; ++i) {
            plugin.suspend();
            std::this_thread::yield();
            plugin.resume();
            plugin.setProgram(i % 3);
            plugin.fxIdle();
        }
    });

    Block block(128);
    bool finite = true;
    for (int b = 0; b < 4000 && (b < 300 || bankLoads < 30); ++b) {
        Events events;
        if (b % 5 == 0) events.add(b % 128, 0x90, static_cast<uint8_t>(36 + b % 48), 100);
        if (b % 7 == 0) events.add(0, 0x80, static_cast<uint8_t>(36 + (b - 7) % 48), 0);
        plugin.processEvents(events.list());
        plugin.processReplacing(nullptr, block.pointers, 128);
        for (float v : block.left) finite = finite && std::isfinite(v);
    }
    stop = true;
    for (std::thread& t : others) t.join();
    EXPECT_TRUE(finite);
    EXPECT_EQ(bankLoads, 30);

    // Quiet again: the bank set last is the state, byte for byte.
    std::vector<uint8_t> copy = bank;
    ASSERT_EQ(plugin.setChunk(copy.data(), static_cast<VstInt32>(copy.size()), false),
              static_cast<VstInt32>(copy.size()));
    EXPECT_TRUE(chunkOf(plugin, false) == bank);
    plugin.close();
}

} // namespace
