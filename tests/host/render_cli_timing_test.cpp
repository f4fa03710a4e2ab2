// Rendering MIDI files through the impulse instrument: every note-on shows as
// a click at its exact sample whatever the block size, tempo maps of format 1
// files place notes right, the render lasts to the last event plus the tail,
// and both WAV sample formats come out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/WavReader.h"

namespace {

using namespace smf_bytes;
using render_run::runRender;
using render_run::ScratchFolder;
using render_run::writeFile;

constexpr int kRate = 48000;
constexpr float kNoteOffClick = -0.25f;   // what the impulse instrument writes at a note-off

struct Note {
    int64_t on;      // samples
    int64_t off;
    uint8_t key;
    uint8_t velocity;
};

// At 480 ticks per quarter and 10 ms per quarter, one tick is one sample at 48 kHz.
Bytes oneTickPerSample(const std::vector<Note>& notes) {
    struct Event {
        int64_t at;
        uint8_t status, key, velocity;
    };
    std::vector<Event> events;
    for (const Note& n : notes) {
        events.push_back({n.on, 0x90, n.key, n.velocity});
        events.push_back({n.off, 0x80, n.key, 64});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
    Body body;
    body.tempo(0, 10000);
    int64_t previous = 0;
    for (const Event& e : events) {
        body.event(uint32_t(e.at - previous), {e.status, e.key, e.velocity});
        previous = e.at;
    }
    return file(0, 480, {body.end().bytes});
}

// The signal the impulse instrument makes at full level and click width 1.
std::vector<float> expectedClicks(const std::vector<Note>& notes, std::size_t frames) {
    std::vector<float> out(frames, 0.0f);
    for (const Note& n : notes) out.at(std::size_t(n.on)) = float(n.velocity) / 127.0f;
    for (const Note& n : notes) out.at(std::size_t(n.off)) += kNoteOffClick;
    return out;
}

kelvanti_host::WavAudio readOutput(const std::string& path) {
    kelvanti_host::WavAudio audio;
    std::string error;
    EXPECT_TRUE(kelvanti_host::readWav(path, audio, error)) << error;
    return audio;
}

TEST(RenderCliTiming, NotesLandOnTheirExactSamplesForEveryBlockSize) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    // Onsets on both sides of block ends of 64, 100 and 512 frames; two notes overlap.
    const std::vector<Note> notes = {{0, 40, 60, 127},   {63, 70, 61, 100},   {64, 90, 62, 90},
                                     {99, 130, 63, 80},  {100, 160, 64, 70},  {511, 600, 65, 60},
                                     {512, 520, 66, 50}, {1023, 1100, 67, 40}, {1024, 1300, 68, 30},
                                     {4999, 5003, 69, 20}};
    ASSERT_TRUE(writeFile(folder.file("notes.mid"), oneTickPerSample(notes)));
    const int64_t lastEvent = 5003;
    const double tail = 0.25;
    // The tail counts from the last event: 5003 + 12000 frames.
    const std::vector<float> expected = expectedClicks(notes, std::size_t(lastEvent + tail * kRate));

    for (const char* block : {"64", "100", "512"}) {
        SCOPED_TRACE(std::string("block ") + block);
        const std::string out = folder.file(std::string("notes-") + block + ".wav");
        const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("notes.mid"), "--out", out,
                                       "--rate", "48000", "--block", block, "--tail", "0.25", "--float"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.err.empty()) << result.err;   // short renders show no progress
        const kelvanti_host::WavAudio audio = readOutput(out);
        EXPECT_EQ(audio.format, kelvanti_host::WavSampleFormat::Float32);
        EXPECT_EQ(audio.sampleRate, kRate);
        ASSERT_EQ(audio.channels, 2);
        ASSERT_EQ(audio.frames(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(audio.sample(i, 0), expected[i]) << "sample " << i;
            ASSERT_EQ(audio.sample(i, 1), expected[i]) << "sample " << i;
        }
        // At most two notes held at once (63 with 64, 99 with 100).
        EXPECT_NE(result.out.find(out + ": 0.35 s, "), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(", 2 voices (notes at once), "), std::string::npos) << result.out;
    }
}

TEST(RenderCliTiming, FormatOneTempoChangesAndRunningStatus) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    // Track 0 holds the tempo map: 120 bpm, from beat 1 on 240 bpm. Track 1
    // plays a note every half beat; its note-ons after the first use running status.
    Body tempo;
    tempo.tempo(0, 500000).tempo(480, 250000).end();
    Body notes;
    notes.event(0, {0x90, 60, 127}).event(0, {61, 100}).event(240, {62, 90}).event(240, {63, 80})
        .event(240, {64, 70}).event(240, {0x80, 60, 0}).event(0, {61, 0}).event(0, {62, 0})
        .event(0, {63, 0}).event(0, {64, 0}).end();
    ASSERT_TRUE(writeFile(folder.file("tempo.mid"), file(1, 480, {tempo.bytes, notes.bytes})));
    const std::string out = folder.file("tempo.wav");
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("tempo.mid"), "--out", out,
                                   "--rate", "48000", "--block", "100", "--tail", "0", "--float"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const kelvanti_host::WavAudio audio = readOutput(out);
    // Ticks 0, 0, 240, 480 at 0.5 s per beat: 0, 0, 0.25, 0.5 s; then 720 and
    // 960 at 0.25 s per beat: 0.625 and 0.75 s, where every note ends.
    const int64_t lastSample = 36000;
    ASSERT_EQ(audio.frames(), std::size_t(lastSample + 1));
    std::vector<float> expected(audio.frames(), 0.0f);
    expected[0] = 100.0f / 127.0f;   // the second note-on at 0 replaces the first's click
    expected[12000] = 90.0f / 127.0f;
    expected[24000] = 80.0f / 127.0f;
    expected[30000] = 70.0f / 127.0f;
    expected[36000] = 5 * kNoteOffClick;
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(audio.sample(i, 0), expected[i]) << "sample " << i;
    EXPECT_NE(result.out.find("5 voices (notes at once)"), std::string::npos) << result.out;
}

TEST(RenderCliTiming, DefaultIsTwentyFourBitWithTwoSecondsOfTail) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::vector<Note> notes = {{10, 20, 60, 64}};
    ASSERT_TRUE(writeFile(folder.file("one.mid"), oneTickPerSample(notes)));
    const std::string out = folder.file("one.wav");
    const auto result = runRender({KELVANTI_IMPULSE_PLUGIN, "--midi", folder.file("one.mid"), "--out", out, "--rate",
                                   "48000"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const kelvanti_host::WavAudio audio = readOutput(out);
    EXPECT_EQ(audio.format, kelvanti_host::WavSampleFormat::Pcm24);
    ASSERT_EQ(audio.frames(), std::size_t(20 + 2 * kRate));   // the last event at 20, then two seconds
    const float step = 1.0f / 8388607.0f;
    EXPECT_NEAR(audio.sample(10, 1), 64.0f / 127.0f, step);
    EXPECT_NEAR(audio.sample(20, 0), kNoteOffClick, step);
    EXPECT_EQ(audio.sample(11, 0), 0.0f);
    // The summary: length, a peak of 64/127 (-5.95 dBFS), one note.
    EXPECT_EQ(result.out.rfind(out + ": 2.00 s, peak -6.0 dBFS, RMS ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find(", 1 voice (notes at once), "), std::string::npos) << result.out;
    EXPECT_EQ(render_run::lineCount(result.out), 1);
}

} // namespace
