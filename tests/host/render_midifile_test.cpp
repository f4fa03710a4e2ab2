#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"
#include "tools/host/lib/MidiFile.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace kelvanti_host;
using namespace smf_bytes;

namespace {

std::vector<MidiEvent> parseOk(const Bytes& bytes) {
    std::vector<MidiEvent> events;
    std::string error;
    EXPECT_TRUE(parseMidiFile(bytes.data(), bytes.size(), events, error)) << error;
    return events;
}

std::string parseError(const Bytes& bytes) {
    std::vector<MidiEvent> events;
    std::string error;
    EXPECT_FALSE(parseMidiFile(bytes.data(), bytes.size(), events, error));
    EXPECT_TRUE(events.empty());
    return error;
}

} // namespace

TEST(MidiFile, Format1TempoChangesFromAnyTrackAndTieOrder) {
    // 480 ticks per quarter. Tempo 120 bpm, then 240 bpm from tick 960
    // (track 0), then 60 bpm from tick 1920 (held in track 2).
    Body conductor;
    conductor.tempo(0, 500000).tempo(960, 250000).end();
    Body notes;
    notes.event(0, {0x90, 60, 100})        // tick 0     -> 0 s
        .event(480, {0x80, 60, 0})         // tick 480   -> 0.5 s
        .event(480, {0x91, 62, 90})        // tick 960   -> 1.0 s
        .event(480, {0x81, 62, 0})         // tick 1440  -> 1.25 s
        .event(480, {0x92, 64, 80})        // tick 1920  -> 1.5 s
        .event(480, {0x82, 64, 0})         // tick 2400  -> 2.5 s
        .end();
    Body late;
    late.event(0, {0xB3, 7, 99})           // tick 0, same tick as track 1's first note: after it
        .tempo(1920, 1000000)
        .event(0, {0x93, 65, 70})          // tick 1920: after track 1's event at the same tick
        .end();
    const auto events = parseOk(file(1, 480, {conductor.bytes, notes.bytes, late.bytes}));

    ASSERT_EQ(events.size(), 8u);
    const struct { double seconds; uint8_t status; uint8_t data1; } expected[] = {
        {0.0, 0x90, 60}, {0.0, 0xB3, 7}, {0.5, 0x80, 60}, {1.0, 0x91, 62},
        {1.25, 0x81, 62}, {1.5, 0x92, 64}, {1.5, 0x93, 65}, {2.5, 0x82, 64},
    };
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_DOUBLE_EQ(events[i].seconds, expected[i].seconds) << i;
        EXPECT_EQ(events[i].status, expected[i].status) << i;
        EXPECT_EQ(events[i].data1, expected[i].data1) << i;
    }
}

TEST(MidiFile, RunningStatusShortMessagesAndSkippedEvents) {
    Body body;
    body.event(0, {0xFF, 0x03, 0x04, 'D', 'r', 'u', 'm'})   // track name: skipped
        .event(0, {0x99, 36, 127})
        .event(10, {38, 90})                                 // running status 0x99
        .event(0, {0xC9, 5})                                 // program change: one data byte
        .event(0, {7})                                       // running status, one data byte
        .event(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})            // sysex: skipped
        .event(0, {0xF7, 0x02, 0x01, 0x02})                  // escaped bytes: skipped
        .event(10, {0x89, 36, 0})
        .event(0, {0x99, 38, 0})                             // note-on with velocity 0 ends the note
        .end()
        .event(0, {0x90, 1, 1});                             // after end of track: ignored
    const auto events = parseOk(file(0, 96, {body.bytes}));
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[1].status, 0x99);
    EXPECT_EQ(events[1].data1, 38);
    EXPECT_EQ(events[1].data2, 90);
    EXPECT_EQ(events[2].status, 0xC9);
    EXPECT_EQ(events[3].status, 0xC9);
    EXPECT_EQ(events[3].data1, 7);
    EXPECT_EQ(events[3].data2, 0);
    EXPECT_TRUE(events[4].isNoteOff());
    EXPECT_TRUE(events[5].isNoteOff());
    EXPECT_FALSE(events[1].isNoteOff());
    EXPECT_EQ(events[0].channel(), 9);
    // 96 ticks per quarter at the default 120 bpm: 10 ticks = 10/192 s.
    EXPECT_DOUBLE_EQ(events[4].seconds, 20.0 / 192.0);

    // A SysEx event cancels running status: a data byte after it is an error.
    Body cancelled;
    cancelled.event(0, {0x90, 60, 100}).event(0, {0xF0, 0x01, 0xF7}).event(0, {60, 0});
    EXPECT_NE(parseError(file(0, 96, {cancelled.bytes})).find("without a status byte"), std::string::npos);
}

TEST(MidiFile, SmpteDivisionIgnoresTempo) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    Body body;
    body.tempo(0, 250000).event(1500, {0x90, 60, 100}).end();
    auto events = parseOk(file(0, 0xE728, {body.bytes}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_DOUBLE_EQ(events[0].seconds, 1.5);

    // Code 29 is 30 drop-frame: 30000/1001 frames per second, here 1 tick per frame.
    Body dropFrame;
    dropFrame.event(30, {0x90, 60, 100});
    events = parseOk(file(0, 0xE301, {dropFrame.bytes}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_DOUBLE_EQ(events[0].seconds, 1.001);

    EXPECT_NE(parseError(file(0, 0xE928, {dropFrame.bytes})).find("SMPTE"), std::string::npos);  // 23 fps
    EXPECT_NE(parseError(file(0, 0xE700, {dropFrame.bytes})).find("SMPTE"), std::string::npos);  // 0 ticks
}

TEST(MidiFile, MalformedFilesGiveErrorsNeverEvents) {
    Body good;
    good.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end();
    const Bytes valid = file(0, 96, {good.bytes});

    auto withTrack = [](std::initializer_list<uint8_t> body) { return file(0, 96, {Bytes(body)}); };
    Bytes chunkTooLong = valid;
    chunkTooLong[14 + 7] += 1;  // track length one more than there is
    Bytes tooFewTracks = valid;
    tooFewTracks[11] = 2;
    tooFewTracks[9] = 1;  // format 1 so two tracks are allowed

    const struct { Bytes bytes; const char* message; } cases[] = {
        {{}, "no MThd header"},
        {{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}, "header length"},
        {file(2, 96, {good.bytes}), "format 2"},
        {header(1, 0, 96), "no tracks"},
        {file(0, 96, {good.bytes, good.bytes}), "format 0 with 2 tracks"},
        {file(0, 0, {good.bytes}), "division of 0"},
        {chunkTooLong, "runs past the end of the file"},
        {tooFewTracks, "declares 2 tracks but ends after 1"},
        {withTrack({0x00, 0x90, 60}), "cut off"},
        {withTrack({0x80}), "delta time cut off"},
        {withTrack({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}), "longer than 4 bytes"},
        {withTrack({0x00, 60, 100}), "without a status byte"},
        {withTrack({0x00, 0xF0, 0x05, 0x01}), "runs past the end of the track"},
        {withTrack({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F}), "runs past the end of the track"},
        {withTrack({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}), "tempo event of length 2"},
        {withTrack({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}), "tempo of 0"},
        {withTrack({0x00, 0xF1, 0x00}), "unexpected system message 0xF1"},
        {withTrack({0x00, 0x90, 60, 0x80}), "top bit"},
        // 16 million microseconds per quarter at 1 tick per quarter: 0x0FFFFFFF ticks is years.
        {file(0, 1, {Body().tempo(0, 0xFFFFFF).event(0x0FFFFFFF, {0x90, 60, 1}).bytes}), "beyond 24 hours"},
    };
    for (const auto& c : cases)
        EXPECT_NE(parseError(c.bytes).find(c.message), std::string::npos) << "expected: " << c.message;

    // Every cut-short copy of a valid file is refused (the chunk length no
    // longer fits), and a null pointer is an empty file.
    for (std::size_t size = 0; size < valid.size(); ++size)
        EXPECT_FALSE(parseError(Bytes(valid.begin(), valid.begin() + size)).empty()) << size;
    std::vector<MidiEvent> events;
    std::string error;
    EXPECT_FALSE(parseMidiFile(nullptr, 100, events, error));

    // An unknown chunk between tracks is skipped, and a missing end-of-track is tolerated.
    Bytes withAlien = header(1, 2, 96);
    append(withAlien, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB});
    append(withAlien, track(Body().event(0, {0x90, 60, 1}).bytes));
    append(withAlien, track(good.bytes));
    EXPECT_EQ(parseOk(withAlien).size(), 3u);
}

TEST(MidiFile, ReadsFromDiskAndNamesTheFileInErrors) {
    render_run::ScratchFolder scratch; // this test's own folder, removed after it
    ASSERT_TRUE(scratch.ok());
    const std::string path = scratch.file("song.mid");
    const Bytes bytes = file(0, 96, {Body().event(0, {0x90, 60, 100}).end().bytes});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    std::vector<MidiEvent> events;
    std::string error;
    ASSERT_TRUE(readMidiFile(path, events, error)) << error;
    EXPECT_EQ(events.size(), 1u);

    const std::string missing = scratch.file("missing.mid");
    EXPECT_FALSE(readMidiFile(missing, events, error));
    EXPECT_EQ(error.rfind(missing + ": ", 0), 0u) << error;

    std::ofstream(path, std::ios::binary) << "garbage";
    EXPECT_FALSE(readMidiFile(path, events, error));
    EXPECT_EQ(error, path + ": not a standard MIDI file (no MThd header)");
}
