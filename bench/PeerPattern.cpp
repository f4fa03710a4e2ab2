#include "bench/PeerPattern.h"

#include <fstream>

#include "bench/EngineRig.h"
#include "tests/host/support/SmfBytes.h"

namespace bench {

bool writePeerPattern(const std::string& path, std::string& error) {
    using smf_bytes::Body;
    constexpr uint16_t kDivision = 480;          // ticks per quarter at 120 BPM: an eighth is 0.25 s
    constexpr uint32_t kEighth = kDivision / 2;
    constexpr uint32_t kHeld = kEighth * 4 / 5;  // 0.2 s, then 0.05 s until the next chord
    constexpr int kChords = 48;                  // 12 seconds
    Body body;
    body.tempo(0, 500000);
    uint32_t pending = 0;
    for (int c = 0; c < kChords; ++c) {
        const int shift = (c * 5) % 12;
        for (int v = 0; v < 24; ++v) {
            const auto key = static_cast<uint8_t>(heldKey(v) + shift);
            const auto velocity = static_cast<uint8_t>(60 + (v * 13 + c * 7) % 67);
            body.event(v == 0 ? pending : 0, {0x90, key, velocity});
        }
        for (int v = 0; v < 24; ++v) {
            const auto key = static_cast<uint8_t>(heldKey(v) + shift);
            body.event(v == 0 ? kHeld : 0, {0x80, key, 64});
        }
        pending = kEighth - kHeld;
    }
    body.end(pending);
    const smf_bytes::Bytes bytes = smf_bytes::file(0, kDivision, {body.bytes});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.good()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace bench
