// A render is a function of what is played, not of how fast the host plays
// it: a host that keeps pace with the clock (as in real time) and one that
// renders as fast as it can (an offline export) get the same samples, also
// when notes steal voices.
//
// The plug-in's clock is this test's: the executable exports its own
// clock_gettime, which the plug-in's calls reach, and answers a time of the
// test's choosing on the rendering thread (every other call goes through).
// The paced host moves that time on by each block's length, as a host that
// waits for the audio would; the fast one leaves it standing, the limit of
// a render that outruns the clock.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <time.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/host/support/PluginRig.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/EventSchedule.h"
#include "tools/host/lib/MidiFile.h"

namespace {

thread_local bool t_clockInjected = false;
thread_local int64_t t_clockNs = 0;
thread_local int t_clockReads = 0;

} // namespace

extern "C" __attribute__((visibility("default"))) int clock_gettime(clockid_t id, struct timespec* ts) noexcept {
    if (t_clockInjected && id == CLOCK_MONOTONIC) {
        ++t_clockReads;
        ts->tv_sec = static_cast<time_t>(t_clockNs / 1000000000);
        ts->tv_nsec = static_cast<long>(t_clockNs % 1000000000);
        return 0;
    }
    using Next = int (*)(clockid_t, struct timespec*);
    static const Next next = reinterpret_cast<Next>(dlsym(RTLD_NEXT, "clock_gettime"));
    return next ? next(id, ts) : -1;
}

namespace {

using namespace smf_bytes;

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;
constexpr int kNotes = 40; // more than the 24 voices: the last 16 steal

// 40 notes one every 10 ms, held for a second (1000 ticks a quarter at 60 bpm: a tick is 1 ms).
Bytes heldNotesFile() {
    Body body;
    body.tempo(0, 1000000);
    for (int i = 0; i < kNotes; ++i) body.event(i == 0 ? 0 : 10, {0x90, uint8_t(36 + i), 100});
    for (int i = 0; i < kNotes; ++i) body.event(i == 0 ? 1000 - 10 * (kNotes - 1) : 0, {0x80, uint8_t(36 + i), 0});
    body.end();
    return file(0, 1000, {body.bytes});
}

// Plays the performance block by block on this thread, under the test's clock.
std::vector<float> render(const kelvanti_host::Performance& performance, bool paced) {
    ::setenv("KELVANTI_RANDOM_SEED", "1", 1);
    pluginrig::Rig rig(static_cast<float>(kRate), kBlock);
    ::unsetenv("KELVANTI_RANDOM_SEED");
    if (!rig.plugin) return {};
    kelvanti_host::EventSchedule schedule(performance, kRate, kBlock);
    const int64_t total = schedule.totalFrames(0.5);
    kelvanti_host::BlockEvents block;
    constexpr int64_t kStartNs = int64_t{5000} * 1000000000; // any time; the clock only moves by the blocks
    t_clockInjected = true;
    t_clockReads = 0;
    for (int64_t b = 0; b < schedule.blockCount(total); ++b) {
        schedule.block(b, total, block);
        t_clockNs = kStartNs + (paced ? block.firstSample * 1000000000 / static_cast<int64_t>(kRate) : 0);
        vsthost::EventList events;
        for (const auto& e : block.midi) events.addMidi(e.offset, e.status, e.data1, e.data2);
        rig.render(block.frames, &events);
    }
    t_clockInjected = false;
    // The plug-in's audio side read the test's clock (its idle watchdog does, every block).
    EXPECT_GT(t_clockReads, 0) << "the plug-in's clock is not the test's";
    std::vector<float> both = rig.left;
    both.insert(both.end(), rig.right.begin(), rig.right.end());
    return both;
}

} // namespace

TEST(RenderSpeed, HeldNotesThatStealRenderTheSameAtAnySpeed) {
    const Bytes bytes = heldNotesFile();
    kelvanti_host::Performance performance;
    std::string error;
    ASSERT_TRUE(kelvanti_host::parseMidiFile(bytes.data(), bytes.size(), performance.midi, error)) << error;
    ASSERT_EQ(performance.midi.size(), 2u * kNotes);

    const std::vector<float> paced = render(performance, true);
    const std::vector<float> fast = render(performance, false);
    ASSERT_FALSE(paced.empty());
    ASSERT_EQ(paced.size(), fast.size());
    // Both sound (a silent pair would be equal too).
    EXPECT_GT(pluginrig::peakOf(paced, 0, paced.size()), 0.01);
    size_t first = paced.size();
    for (size_t i = 0; i < paced.size() && first == paced.size(); ++i)
        if (std::memcmp(&paced[i], &fast[i], sizeof(float)) != 0) first = i;
    const size_t frames = paced.size() / 2;
    EXPECT_EQ(first, paced.size()) << "the fast render parts from the paced one at " << (first % frames) / 48.0
                                   << " ms (" << (first < frames ? "left" : "right") << ")";
}
