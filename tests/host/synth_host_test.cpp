// The plug-in base driven like a host drives it, through the built library:
// life cycle, several instances, the idle side, framing and block sizes.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/PluginLibrary.h"
#include "tests/host/support/BankFolder.h"
#include "tests/host/support/BuiltPlugin.h"

namespace {

using vsthost::AudioBuffers;
using vsthost::EventList;
using vsthost::Host;
using vsthost::PluginInstance;
using vsthost::PluginLibrary;

using builtplugin::loadLibrary;
using builtplugin::makeInstance;

bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

float tiny(int i) {
    return i % 2 ? 1e-7f : -1e-7f;
}

} // namespace

TEST(SynthHost, LifeCycleCyclesAndInstances) {
    ASSERT_TRUE(bankfolder::bank().ok); // programs to change to
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    // Ten load/close cycles in one process, open explicit and lazy, with the
    // idle timer running at close (the host gives no idle).
    for (int cycle = 0; cycle < 10; ++cycle) {
        auto plugin = makeInstance(library, host);
        ASSERT_TRUE(plugin);
        if (cycle % 2 == 0) plugin->open();
        if (cycle % 3 == 0) plugin->setSampleRate(96000.0f);
        plugin->resume();
        AudioBuffers in(0, 128), out(2, 128);
        EventList events;
        events.addMidi(3, 0x90, 60, 100);
        plugin->sendEvents(events);
        plugin->processReplacing(in, out, 128);
        plugin->setProgram(cycle);
        plugin->suspend();
        EXPECT_EQ(plugin->close(), 1);
    }
    // Two and then eight instances at once, each with its own idle timer.
    std::vector<std::unique_ptr<PluginInstance>> plugins;
    for (int i = 0; i < 8; ++i) {
        plugins.push_back(makeInstance(library, host));
        ASSERT_TRUE(plugins.back());
        plugins.back()->resume();
        plugins.back()->setProgram(i + 1);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(waitFor([&] { return plugins[static_cast<size_t>(i)]->program() == i + 1; }, 1000)) << i;
    }
    AudioBuffers in(0, 256), out(2, 256);
    for (auto& p : plugins) p->processReplacing(in, out, 256);
    for (auto& p : plugins) EXPECT_EQ(p->close(), 1);
}

TEST(SynthHost, IdleSources) {
    ASSERT_TRUE(bankfolder::bank().ok); // programs to change to
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    {
        // Without "supplyIdle" the 25 ms timer drains on its own.
        Host host;
        auto plugin = makeInstance(library, host);
        plugin->resume();
        plugin->setProgram(9);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(waitFor([&] { return plugin->program() == 9; }, 1000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
    {
        // With "supplyIdle" effIdle drains, and nothing else does meanwhile.
        Host host;
        host.answers().canDo["supplyIdle"] = 1;
        auto plugin = makeInstance(library, host);
        plugin->resume();
        plugin->setProgram(4);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(plugin->program(), 0);
        plugin->dispatch(effIdle);
        EXPECT_EQ(plugin->program(), 4);

        // A host that claims it but never calls effIdle gets the timer after
        // about a second of processing.
        plugin->setProgram(6);
        AudioBuffers in(0, 512), out(2, 512);
        const auto start = std::chrono::steady_clock::now();
        bool drained = false;
        while (!drained && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
            plugin->processReplacing(in, out, 512);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            drained = plugin->program() == 6;
        }
        EXPECT_TRUE(drained);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    }
}

TEST(SynthHost, Framing) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    host.answers().canDo["supplyIdle"] = 1;
    auto plugin = makeInstance(library, host);
    plugin->open();
    // Before resume: exactly the tiny values, restarting every 256 samples.
    AudioBuffers in(0, 600), out(2, 600);
    out.fill(0.25f);
    plugin->processReplacing(in, out, 600);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 600; ++i) ASSERT_EQ(out.channel(c)[static_cast<size_t>(i)], tiny(i % 256)) << i;
    // 0 frames leave the buffers untouched.
    out.fill(0.25f);
    plugin->dispatch(effMainsChanged, 0, 1);
    plugin->processReplacing(in, out, 0);
    for (int c = 0; c < 2; ++c) EXPECT_EQ(out.channel(c)[0], 0.25f);
    // With notes playing, left equals right bit for bit.
    EventList events;
    events.addMidi(0, 0x90, 60, 100);
    events.addMidi(100, 0x90, 67, 80);
    plugin->sendEvents(events);
    for (int block = 0; block < 4; ++block) {
        plugin->processReplacing(in, out, 600);
        for (int i = 0; i < 600; ++i)
            ASSERT_EQ(std::memcmp(&out.channel(0)[static_cast<size_t>(i)], &out.channel(1)[static_cast<size_t>(i)],
                                  sizeof(float)),
                      0);
    }
}

TEST(SynthHost, BlockSizesAndRatesGiveFiniteOutput) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    host.answers().canDo["supplyIdle"] = 1;
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        auto plugin = makeInstance(library, host);
        plugin->setSampleRate(rate);
        plugin->resume();
        for (int frames : {1, 37, 64, 256, 512, 1024}) {
            AudioBuffers in(0, frames), out(2, frames);
            for (int block = 0; block < 8; ++block) {
                EventList events;
                events.addMidi(0, 0x90, static_cast<uint8_t>(40 + block), 100);
                events.addMidi(frames - 1, 0x80, static_cast<uint8_t>(39 + block), 0);
                events.addMidi(frames / 2, 0xE0, 0, static_cast<uint8_t>(block * 16));
                plugin->sendEvents(events);
                plugin->processReplacing(in, out, frames);
                for (int c = 0; c < 2; ++c)
                    for (float x : out.channel(c)) ASSERT_TRUE(std::isfinite(x)) << rate << " " << frames;
            }
        }
        plugin->close();
    }
}

TEST(SynthHost, HostileTempoAndEventsAreHarmless) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    host.answers().canDo["supplyIdle"] = 1;
    host.answers().timeInfo.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstTransportPlaying;
    host.answers().timeInfo.tempo = std::nan("");
    host.answers().timeInfo.timeSigNumerator = 0;
    host.answers().timeInfo.timeSigDenominator = -3;
    host.answers().timeInfo.ppqPos = -1e300;
    auto plugin = makeInstance(library, host);
    plugin->resume();
    AudioBuffers in(0, 64), out(2, 64);
    EventList events;
    events.addMidi(-50, 0x90, 60, 100);   // before the block
    events.addMidi(100000, 0x80, 60, 0);  // after it
    events.addMidi(5, 0x12, 1, 2);        // not a status
    plugin->sendEvents(events);
    plugin->processReplacing(in, out, 64);
    host.answers().timeInfo.tempo = 1e308;
    plugin->processReplacing(in, out, 64);
    for (float x : out.channel(0)) EXPECT_TRUE(std::isfinite(x));
    plugin->close();
}
