#pragma once
// Builds standard MIDI file bytes by hand for tests, so each test states the
// exact file it feeds the reader.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace smf_bytes {

using Bytes = std::vector<uint8_t>;

inline void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline Bytes be16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

inline Bytes vlq(uint32_t v) {
    Bytes reversed{uint8_t(v & 0x7F)};
    while (v >>= 7) reversed.push_back(uint8_t(0x80 | (v & 0x7F)));
    return Bytes(reversed.rbegin(), reversed.rend());
}

inline Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
    Bytes out{'M', 'T', 'h', 'd'};
    append(out, be32(6));
    append(out, be16(format));
    append(out, be16(tracks));
    append(out, be16(division));
    return out;
}

// A track chunk around the given event bytes (deltas included by the caller).
inline Bytes track(const Bytes& body) {
    Bytes out{'M', 'T', 'r', 'k'};
    append(out, be32(uint32_t(body.size())));
    append(out, body);
    return out;
}

// Track body builder: event(delta, bytes...) appends a delta time and the bytes.
struct Body {
    Bytes bytes;
    Body& event(uint32_t delta, std::initializer_list<uint8_t> message) {
        append(bytes, vlq(delta));
        bytes.insert(bytes.end(), message);
        return *this;
    }
    Body& tempo(uint32_t delta, uint32_t microsPerQuarter) {
        return event(delta, {0xFF, 0x51, 0x03, uint8_t(microsPerQuarter >> 16), uint8_t(microsPerQuarter >> 8),
                             uint8_t(microsPerQuarter)});
    }
    Body& end(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes file(uint16_t format, uint16_t division, std::initializer_list<Bytes> trackBodies) {
    Bytes out = header(format, uint16_t(trackBodies.size()), division);
    for (const Bytes& body : trackBodies) append(out, track(body));
    return out;
}

} // namespace smf_bytes
