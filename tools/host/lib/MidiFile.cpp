#include "tools/host/lib/MidiFile.h"
#include "tools/host/lib/FileBytes.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kelvanti_host {
namespace {

constexpr uint32_t kDefaultMicrosPerQuarter = 500000;  // 120 beats per minute

// Reads big-endian fields from a bounded range; every read reports whether
// the bytes were there, so no caller can step past the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - pos_; }
    std::size_t position() const { return pos_; }
    const uint8_t* current() const { return data_ + pos_; }

    bool u8(uint8_t& value) {
        if (remaining() < 1) return false;
        value = data_[pos_++];
        return true;
    }
    bool u16(uint16_t& value) {
        if (remaining() < 2) return false;
        value = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return true;
    }
    bool u32(uint32_t& value) {
        if (remaining() < 4) return false;
        value = static_cast<uint32_t>(data_[pos_]) << 24 | static_cast<uint32_t>(data_[pos_ + 1]) << 16 |
                static_cast<uint32_t>(data_[pos_ + 2]) << 8 | static_cast<uint32_t>(data_[pos_ + 3]);
        pos_ += 4;
        return true;
    }
    bool skip(std::size_t count) {
        if (remaining() < count) return false;
        pos_ += count;
        return true;
    }
    // A variable-length quantity: at most four bytes, seven bits each.
    enum class Vlq { Ok, Truncated, TooLong };
    Vlq vlq(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte;
            if (!u8(byte)) return Vlq::Truncated;
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80)) return Vlq::Ok;
        }
        return Vlq::TooLong;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct TickedEvent {
    uint64_t tick;
    MidiEvent event;
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

// How ticks become seconds: metrical (ticks per quarter note, following the
// tempo map) or SMPTE (ticks per frame at a fixed frame rate).
struct Division {
    bool smpte = false;
    uint32_t ticksPerQuarter = 0;
    double ticksPerSecond = 0.0;  // SMPTE only
};

std::string at(std::size_t trackNumber, std::size_t offset) {
    return "track " + std::to_string(trackNumber) + " at byte " + std::to_string(offset) + ": ";
}

std::string hexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// Reads one MTrk chunk body; appends its channel messages and tempo changes.
bool parseTrack(ByteReader track, std::size_t trackNumber, std::size_t chunkOffset,
                std::vector<TickedEvent>& events, std::vector<TempoChange>& tempos, std::string& error) {
    uint64_t tick = 0;
    uint8_t runningStatus = 0;
    auto fail = [&](const std::string& what) {
        error = at(trackNumber, chunkOffset + track.position()) + what;
        return false;
    };
    while (track.remaining() > 0) {
        uint32_t delta;
        switch (track.vlq(delta)) {
        case ByteReader::Vlq::Truncated: return fail("delta time cut off by the end of the track");
        case ByteReader::Vlq::TooLong: return fail("delta time longer than 4 bytes");
        case ByteReader::Vlq::Ok: break;
        }
        tick += delta;
        uint8_t lead;
        if (!track.u8(lead)) return fail("event missing after its delta time");

        if (lead == 0xFF || lead == 0xF0 || lead == 0xF7) {
            uint8_t metaType = 0;
            if (lead == 0xFF && !track.u8(metaType)) return fail("meta event without a type");
            uint32_t length;
            if (track.vlq(length) != ByteReader::Vlq::Ok) return fail("bad or cut-off event length");
            if (length > track.remaining())
                return fail("event length " + std::to_string(length) + " runs past the end of the track (" +
                            std::to_string(track.remaining()) + " bytes left)");
            if (lead == 0xFF && metaType == 0x51) {
                if (length != 3) return fail("tempo event of length " + std::to_string(length) + " (must be 3)");
                const uint8_t* p = track.current();
                const uint32_t micros = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
                if (micros == 0) return fail("tempo of 0 microseconds per quarter note");
                tempos.push_back({tick, micros});
            }
            track.skip(length);
            runningStatus = 0;  // SysEx and meta events cancel running status
            if (lead == 0xFF && metaType == 0x2F) return true;  // end of track: the rest is ignored
            continue;
        }
        if (lead >= 0xF0) return fail("unexpected system message " + hexByte(lead));

        uint8_t status = lead;
        uint8_t data1;
        if (lead & 0x80) {
            runningStatus = lead;
            if (!track.u8(data1)) return fail("channel message cut off by the end of the track");
        } else {
            if (runningStatus == 0) return fail("data byte " + hexByte(lead) + " without a status byte");
            status = runningStatus;
            data1 = lead;
        }
        const bool twoDataBytes = (status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0;
        uint8_t data2 = 0;
        if (twoDataBytes && !track.u8(data2)) return fail("channel message cut off by the end of the track");
        if ((data1 | data2) & 0x80) return fail("data byte with the top bit set in a channel message");
        MidiEvent event;
        event.status = status;
        event.data1 = data1;
        event.data2 = data2;
        events.push_back({tick, event});
    }
    return true;  // a missing end-of-track event is tolerated
}

bool parseDivision(uint16_t raw, Division& division, std::string& error) {
    if (raw & 0x8000) {
        const int framesPerSecond = -static_cast<int8_t>(raw >> 8);
        const int ticksPerFrame = raw & 0xFF;
        if (framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) {
            error = "SMPTE division with " + std::to_string(framesPerSecond) + " frames per second (24, 25, 29 or 30)";
            return false;
        }
        if (ticksPerFrame == 0) {
            error = "SMPTE division with 0 ticks per frame";
            return false;
        }
        division.smpte = true;
        // Code 29 is 30 drop-frame: 30000/1001 frames per second.
        division.ticksPerSecond = framesPerSecond == 29 ? ticksPerFrame * 30000.0 / 1001.0
                                                         : static_cast<double>(ticksPerFrame) * framesPerSecond;
        return true;
    }
    if (raw == 0) {
        error = "division of 0 ticks per quarter note";
        return false;
    }
    division.ticksPerQuarter = raw;
    return true;
}

// Sets every event's time from its tick. Both lists are sorted by tick.
void assignSeconds(std::vector<TickedEvent>& events, const std::vector<TempoChange>& tempos,
                   const Division& division) {
    if (division.smpte) {
        for (TickedEvent& e : events) e.event.seconds = static_cast<double>(e.tick) / division.ticksPerSecond;
        return;
    }
    const double microsPerTickUnit = 1e6 * division.ticksPerQuarter;
    double segmentSeconds = 0.0;
    uint64_t segmentTick = 0;
    uint32_t micros = kDefaultMicrosPerQuarter;
    std::size_t nextTempo = 0;
    for (TickedEvent& e : events) {
        while (nextTempo < tempos.size() && tempos[nextTempo].tick <= e.tick) {
            const TempoChange& change = tempos[nextTempo++];
            segmentSeconds += static_cast<double>(change.tick - segmentTick) * micros / microsPerTickUnit;
            segmentTick = change.tick;
            micros = change.microsPerQuarter;
        }
        e.event.seconds = segmentSeconds + static_cast<double>(e.tick - segmentTick) * micros / microsPerTickUnit;
    }
}

bool sameId(const uint8_t* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }

} // namespace

bool parseMidiFile(const uint8_t* data, std::size_t size, std::vector<MidiEvent>& result, std::string& error) {
    result.clear();
    if (data == nullptr) size = 0;
    ByteReader file(data, size);
    if (file.remaining() < 8 || !sameId(file.current(), "MThd")) {
        error = "not a standard MIDI file (no MThd header)";
        return false;
    }
    file.skip(4);
    // The sizes were checked above and below: these reads cannot fail.
    uint32_t headerLength = 0;
    uint16_t format = 0, trackCount = 0, rawDivision = 0;
    file.u32(headerLength);
    if (headerLength < 6 || headerLength > file.remaining()) {
        error = "header length " + std::to_string(headerLength) + " is invalid";
        return false;
    }
    ByteReader header(file.current(), headerLength);
    file.skip(headerLength);
    header.u16(format);
    header.u16(trackCount);
    header.u16(rawDivision);
    if (format == 2) {
        error = "format 2 (independent sequences) is not supported";
        return false;
    }
    if (format > 2) {
        error = "unknown format " + std::to_string(format);
        return false;
    }
    if (trackCount == 0) {
        error = "the file declares no tracks";
        return false;
    }
    if (format == 0 && trackCount != 1) {
        error = "format 0 with " + std::to_string(trackCount) + " tracks (must be 1)";
        return false;
    }
    Division division;
    if (!parseDivision(rawDivision, division, error)) return false;

    std::vector<TickedEvent> events;
    std::vector<TempoChange> tempos;
    std::size_t tracksRead = 0;
    while (tracksRead < trackCount) {
        const std::size_t chunkOffset = file.position();
        if (file.remaining() < 8) {
            error = "the file declares " + std::to_string(trackCount) + " tracks but ends after " +
                    std::to_string(tracksRead);
            return false;
        }
        const bool isTrack = sameId(file.current(), "MTrk");
        file.skip(4);
        uint32_t length = 0;
        file.u32(length);  // 8 bytes remain: cannot fail
        if (length > file.remaining()) {
            error = "chunk at byte " + std::to_string(chunkOffset) + ": length " + std::to_string(length) +
                    " runs past the end of the file (" + std::to_string(file.remaining()) + " bytes left)";
            return false;
        }
        ByteReader body(file.current(), length);
        file.skip(length);
        if (!isTrack) continue;  // unknown chunk types are skipped, as the format asks
        ++tracksRead;
        if (!parseTrack(body, tracksRead, chunkOffset + 8, events, tempos, error)) return false;
    }

    // Tracks were appended in order, so a stable sort by tick keeps track
    // order, then file order, for events at the same tick.
    auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(events.begin(), events.end(), byTick);
    std::stable_sort(tempos.begin(), tempos.end(), byTick);
    assignSeconds(events, tempos, division);
    if (!events.empty() && !(events.back().event.seconds <= kMaxMidiSeconds)) {
        error = "events reach beyond " + std::to_string(static_cast<int>(kMaxMidiSeconds / 3600)) + " hours";
        return false;
    }
    result.reserve(events.size());
    for (const TickedEvent& e : events) result.push_back(e.event);
    return true;
}

bool readMidiFile(const std::string& path, std::vector<MidiEvent>& events, std::string& error) {
    events.clear();
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, kMaxMidiFileBytes, bytes, error)) return false;
    if (!parseMidiFile(bytes.data(), bytes.size(), events, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace kelvanti_host
