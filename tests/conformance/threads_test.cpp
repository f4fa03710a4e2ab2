// Host threads meeting inside the plug-in: parameter writes from a user
// interface thread and state from a worker while the audio thread plays.
// The ThreadSanitizer flavour turns any unsynchronised access into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "tests/conformance/support/Dice.h"
#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"

namespace conformance {
namespace {

constexpr int kAudioFrames = 32;

// The audio side: blocks of 32 with a note starting every 50 blocks and
// ending 25 later. Answers the first fault.
std::string playBlock(PluginSession& session, GuardedAudio& audio, vsthost::EventList& events, int block) {
    events.clear();
    const auto key = static_cast<std::uint8_t>(48 + (block / 50) % 24);
    if (block % 50 == 0) events.addMidi(block % kAudioFrames, 0x90, key, 100);
    if (block % 50 == 25) events.addMidi(0, 0x80, static_cast<std::uint8_t>(48 + (block / 50) % 24), 0);
    const std::string fault = session.play(audio, kAudioFrames, events);
    return fault.empty() ? fault : "block " + std::to_string(block) + ": " + fault;
}

TEST(Threads, ParameterWritesWhileAudioPlays) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    session->start(44100.0f, kAudioFrames);
    const VstInt32 parameters = session->plugin().numParams();
    if (parameters <= 0) GTEST_SKIP() << "not applicable: the plug-in has no parameters";
    const int rounds = 500;

    std::atomic<bool> go{false};
    std::thread writer([&] {
        Dice dice(80u);
        while (!go) std::this_thread::yield();
        for (int round = 0; round < rounds; ++round) {
            for (VstInt32 index = 0; index < parameters; ++index) session->plugin().setParameter(index, dice.unit());
        }
    });
    GuardedAudio audio = session->makeAudio(kAudioFrames);
    vsthost::EventList events;
    std::string fault;
    go = true;
    for (int block = 0; block < 500 && fault.empty(); ++block) fault = playBlock(*session, audio, events, block);
    writer.join();
    EXPECT_EQ(fault, "");
    session->stop();
}

TEST(Threads, StateSavedAndRestoredWhileAudioPlays) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    vsthost::PluginInstance& plugin = session->plugin();
    session->start(44100.0f, kAudioFrames);
    if (!(session->effect().flags & effFlagsProgramChunks)) {
        GTEST_SKIP() << "not applicable: the plug-in does not keep its programs as chunks";
    }
    const std::vector<std::uint8_t> bank = plugin.getChunk(false);
    if (bank.empty()) GTEST_SKIP() << "not applicable: the plug-in hands out no chunk";

    const int exchanges = reducedScale() ? 10 : 40;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < exchanges; ++i) {
            plugin.setChunk(plugin.getChunk(false), false);
            plugin.setChunk(plugin.getChunk(true), true);
        }
        done = true;
    });
    GuardedAudio audio = session->makeAudio(kAudioFrames);
    vsthost::EventList events;
    std::string fault;
    for (int block = 0; fault.empty() && (block < 100 || !done); ++block) {
        fault = playBlock(*session, audio, events, block);
    }
    worker.join();
    EXPECT_EQ(fault, "");
    const std::vector<std::uint8_t> after = plugin.getChunk(false);
    const auto differ = std::mismatch(bank.begin(), bank.end(), after.begin(), after.end());
    EXPECT_TRUE(after == bank) << "the state changed while only being saved and restored: " << bank.size()
                               << " bytes before, " << after.size() << " after, first difference at byte "
                               << (differ.first - bank.begin());
    session->stop();
}

} // namespace
} // namespace conformance
