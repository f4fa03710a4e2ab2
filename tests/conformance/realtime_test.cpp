// The audio thread after warm-up: no heap allocation and no call into the
// dynamic loader while processing events and audio. The control checks prove
// the watch sees such calls made from inside a loaded plug-in.
#include <gtest/gtest.h>

#include <iostream>

#include <string>
#include <vector>

#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tools/host/watch/AudioCallWatch.h"

namespace conformance {
namespace {

constexpr int kFrames = 256;

// A varied event load: notes, controllers, pitch bend, all notes off.
std::vector<vsthost::EventList> eventPatterns() {
    std::vector<vsthost::EventList> patterns(8);
    for (int i = 0; i < 8; ++i) {
        const auto key = static_cast<std::uint8_t>(40 + 5 * i);
        patterns[static_cast<std::size_t>(i)].addMidi(3 * i, 0x90, key, 100);
        patterns[static_cast<std::size_t>(i)].addMidi(17 * i, 0xB0, 1, static_cast<std::uint8_t>(16 * i));
        patterns[static_cast<std::size_t>(i)].addMidi(100, 0xE0, 0, static_cast<std::uint8_t>(8 * i));
        if (i >= 4) patterns[static_cast<std::size_t>(i)].addMidi(200, 0x80, static_cast<std::uint8_t>(key - 20), 0);
    }
    patterns[7].addMidi(250, 0xB0, 123, 0);
    return patterns;
}

// Plays blocks; with armed set, each event and process call is watched.
void playWatched(PluginSession& session, GuardedAudio& audio, std::vector<VstEvents*>& records, int blocks,
                 bool armed) {
    AEffect& effect = session.effect();
    for (int block = 0; block < blocks; ++block) {
        VstEvents* record = records[static_cast<std::size_t>(block) % records.size()];
        audio.arm(kFrames);
        if (armed) {
            vsthost::ArmedAudioSection section;
            effect.dispatcher(&effect, effProcessEvents, 0, 0, record, 0.0f);
            effect.processReplacing(&effect, audio.inputs(), audio.outputs(), kFrames);
        } else {
            effect.dispatcher(&effect, effProcessEvents, 0, 0, record, 0.0f);
            effect.processReplacing(&effect, audio.inputs(), audio.outputs(), kFrames);
        }
    }
}

struct Watched {
    vsthost::AudioCallCounts counts;
    std::string fault;
};

Watched watchAfterWarmUp(PluginSession& session, int warmUpBlocks, int watchedBlocks) {
    session.host().answers().recordCalls = false;   // the host's own answers must not count
    session.start(48000.0f, kFrames);
    GuardedAudio audio = session.makeAudio(kFrames);
    std::vector<vsthost::EventList> patterns = eventPatterns();
    std::vector<VstEvents*> records;
    for (auto& pattern : patterns) records.push_back(pattern.events());
    playWatched(session, audio, records, warmUpBlocks, false);
    vsthost::resetAudioCallCounts();
    playWatched(session, audio, records, watchedBlocks, true);
    Watched watched{vsthost::audioCallCounts(), audio.fault(kFrames)};
    session.stop();
    return watched;
}

TEST(RealTimeSafety, NoAllocationOrLoaderCallWhileProcessing) {
    if (!vsthost::allocationWatchAvailable() && !vsthost::loaderWatchAvailable()) {
        GTEST_SKIP() << "not measured: this build can watch neither allocations nor loader calls";
    }
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    const Watched watched = watchAfterWarmUp(*session, 200, reducedScale() ? 200 : 800);
    EXPECT_EQ(watched.fault, "");
    if (vsthost::allocationWatchAvailable()) {
        EXPECT_EQ(watched.counts.allocations, 0u)
            << "allocations on the audio thread; the first asked for " << watched.counts.firstAllocationBytes
            << " bytes";
    }
    if (vsthost::loaderWatchAvailable()) {
        EXPECT_EQ(watched.counts.loaderCalls, 0u) << "calls into the dynamic loader on the audio thread";
    } else {
        std::cout << "loader calls not measured in this build (a sanitizer owns the loader entry points)\n";
    }
}

// The control plug-in's fault is chosen by its parameter 0.
Watched watchControlPlugin(float fault) {
    std::string error;
    auto library = vsthost::PluginLibrary::load(KELVANTI_WATCH_CONTROL_PATH, error);
    EXPECT_TRUE(library) << error;
    if (!library) return {};
    auto session = PluginSession::create(library, error);
    EXPECT_TRUE(session) << error;
    if (!session) return {};
    session->plugin().setParameter(0, fault);
    return watchAfterWarmUp(*session, 4, 10);
}

TEST(WatchControl, QuietPluginCountsNothing) {
    const Watched watched = watchControlPlugin(0.1f);
    EXPECT_EQ(watched.counts.allocations, 0u);
    EXPECT_EQ(watched.counts.loaderCalls, 0u);
}

TEST(WatchControl, SeesMallocInsideLoadedPlugin) {
    if (!vsthost::allocationWatchAvailable()) GTEST_SKIP() << "no allocation watch in this build";
    const Watched watched = watchControlPlugin(0.4f);
    EXPECT_GE(watched.counts.allocations, 10u);
    EXPECT_EQ(watched.counts.firstAllocationBytes, 256u);
}

TEST(WatchControl, SeesOperatorNewInsideLoadedPlugin) {
    if (!vsthost::allocationWatchAvailable()) GTEST_SKIP() << "no allocation watch in this build";
    const Watched watched = watchControlPlugin(0.6f);
    EXPECT_GE(watched.counts.allocations, 10u);
    EXPECT_EQ(watched.counts.firstAllocationBytes, 64u * sizeof(int));
}

TEST(WatchControl, SeesDlsymInsideLoadedPlugin) {
    if (!vsthost::loaderWatchAvailable()) GTEST_SKIP() << "no loader watch in this build";
    const Watched watched = watchControlPlugin(0.9f);
    EXPECT_GE(watched.counts.loaderCalls, 10u);
    EXPECT_EQ(watched.counts.allocations, 0u);
}

} // namespace
} // namespace conformance
