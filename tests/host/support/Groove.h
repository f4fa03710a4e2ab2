#pragma once
// The groove shipped as examples/groove.mid, written here note by note so the
// file in the repository is ours and can be checked byte for byte (the
// README test does; KELVANTI_WRITE_EXAMPLES=1 makes it rewrite the file).
// Two bars at 100 bpm on channel 1: kick, snare, hats and a bass line.
#include <cstdint>
#include <map>
#include <vector>

#include "tests/host/support/SmfBytes.h"

namespace groove {

constexpr uint16_t kTicksPerQuarter = 480;
constexpr uint32_t kSixteenth = kTicksPerQuarter / 4;
constexpr uint32_t kMicrosPerQuarter = 600000;   // 100 bpm
constexpr int kBars = 2;

inline smf_bytes::Bytes fileBytes() {
    // tick → events at that tick, note-offs first so a repeated key restarts cleanly
    std::multimap<uint32_t, std::vector<uint8_t>> at;
    auto note = [&](uint32_t step, uint8_t key, uint8_t velocity, uint32_t sixteenths) {
        const uint32_t on = step * kSixteenth;
        const uint32_t off = on + sixteenths * kSixteenth - kSixteenth / 4;
        at.emplace(on, std::vector<uint8_t>{0x90, key, velocity});
        at.emplace(off, std::vector<uint8_t>{0x80, key, 0});
    };
    const uint8_t bass[16] = {36, 0, 0, 36, 0, 0, 43, 0, 0, 0, 41, 0, 43, 0, 46, 0};
    for (int bar = 0; bar < kBars; ++bar) {
        const uint32_t first = static_cast<uint32_t>(bar) * 16;
        for (uint32_t step : {0u, 7u, 10u}) note(first + step, 36, step == 0 ? 120 : 96, 1);   // kick
        for (uint32_t step : {4u, 12u}) note(first + step, 38, 110, 1);                        // snare
        for (uint32_t step = 0; step < 16; step += 2) note(first + step, step == 14 ? 46 : 42, step % 4 ? 64 : 90, 1);
        for (uint32_t step = 0; step < 16; ++step)
            if (bass[step] != 0) note(first + step, static_cast<uint8_t>(bass[step] + 12 * (bar + 1)), 100, 2);
    }
    note(kBars * 16, 36, 124, 4);   // the closing hit
    note(kBars * 16, 49, 110, 4);

    smf_bytes::Body body;
    const char name[] = "Kelvanti groove";
    body.event(0, {0xFF, 0x03, static_cast<uint8_t>(sizeof name - 1)});
    body.bytes.insert(body.bytes.end(), name, name + sizeof name - 1);
    body.tempo(0, kMicrosPerQuarter);
    uint32_t previous = 0;
    // Offs before ons at the same tick: the multimap keeps insertion order, so sort each tick's events.
    for (auto it = at.begin(); it != at.end();) {
        const uint32_t tick = it->first;
        std::vector<std::vector<uint8_t>> events;
        for (; it != at.end() && it->first == tick; ++it) events.push_back(it->second);
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& e : events) {
                if ((pass == 0) != (e[0] == 0x80)) continue;
                smf_bytes::append(body.bytes, smf_bytes::vlq(tick - previous));
                body.bytes.insert(body.bytes.end(), e.begin(), e.end());
                previous = tick;
            }
        }
    }
    body.end();
    return smf_bytes::file(0, kTicksPerQuarter, {body.bytes});
}

} // namespace groove
