#include "bench/FixedRender.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bench/EngineRig.h"

namespace bench {
namespace {

constexpr const char* kSeed = "20261209";
constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kBlocks = 375;        // two seconds
constexpr int kChordBlocks = 75;    // a chord every 0.4 s
constexpr float kShortDecay = 0.15f;

std::uint8_t key(int voice, int chord) { return static_cast<std::uint8_t>(heldKey(voice) + chord % 7); }

void addBytes(std::uint64_t& hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;   // 64-bit FNV-1a
    }
}

} // namespace

bool fixedRenderChecksum(const std::string& pluginPath, std::uint64_t& checksum, float& peak, std::string& error) {
    ::setenv("KELVANTI_RANDOM_SEED", kSeed, 1);
    EngineRig rig(pluginPath, kRate, kBlock);
    ::unsetenv("KELVANTI_RANDOM_SEED");
    if (!rig.ok()) {
        error = rig.error();
        return false;
    }
    auto& p = rig.plugin();
    checksum = 0xcbf29ce484222325ull;
    peak = 0.0f;
    // Short decays and every note released, so each chord's voices have ended
    // before the next one and every chord finds its voices free.
    for (VstInt32 decay : {2, 8, 15, 20}) p.setParameter(decay, kShortDecay);   // the four decays
    for (int b = 0; b < kBlocks; ++b) {
        // Chords of 24 notes at offsets inside the block, released in two
        // halves; waveform, drive and noise mix changes between blocks.
        const int phase = b % kChordBlocks;
        const int chord = b / kChordBlocks;
        if (phase == 0) {
            for (int v = 0; v < 24; ++v)
                rig.queueMidi((v * 11 + chord) % kBlock, 0x90, key(v, chord),
                              static_cast<std::uint8_t>(40 + (v * 37 + chord) % 88));
        }
        if (phase == 20 || phase == 30) {
            for (int v = phase == 20 ? 0 : 1; v < 24; v += 2) rig.queueMidi((v * 5) % kBlock, 0x80, key(v, chord), 64);
        }
        if (b % 60 == 30) p.setParameter(10, 0.5f * static_cast<float>((b / 60) % 3));
        if (b % 50 == 10) p.setParameter(4, 0.2f + 0.1f * static_cast<float>(b % 7));   // Timbre Drive
        if (b % 70 == 5) p.setParameter(17, 0.1f * static_cast<float>(b % 11));
        rig.process();
        for (int c = 0; c < 2; ++c) {
            const auto& samples = rig.output().channel(c);
            addBytes(checksum, samples.data(), samples.size() * sizeof(float));
            for (float x : samples) peak = std::max(peak, std::fabs(x));
        }
    }
    return true;
}

} // namespace bench
