// What a musician hears through a host: a tuning that arrives in a bank,
// the global tune away from 440 Hz, a chunk loaded while a note rings, and
// the noise at every block size the host may choose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/PluginRig.h"
#include "tests/unit/support/SignalMeasure.h"

namespace {

using pluginrig::Rig;

constexpr float kRate = 44100.0f;
constexpr int kNoiseMix = 17;   // 0: the oscillator alone
constexpr int kBaseDecay = 8;   // 1: longest
constexpr int kNoiseDecay = 20;
constexpr int kMainVolume = 21;

// ------------------------------------------------------------ bank blocks

struct Block {
    size_t offset;
    std::string tag;
    size_t size;
};

uint32_t wordAt(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// The blocks of a bank: tag (first character in the high byte), size, order.
std::vector<Block> blocksOf(const std::vector<uint8_t>& bank) {
    std::vector<Block> blocks;
    for (size_t at = 0; at + 12 <= bank.size();) {
        const uint32_t tag = wordAt(bank, at);
        const size_t size = wordAt(bank, at + 4);
        if (size < 12 || size > bank.size() - at) break;
        blocks.push_back({at, {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)}, size});
        at += size & ~size_t(3);
    }
    return blocks;
}

// The first block with the tag; size 0 when there is none.
Block findBlock(const std::vector<uint8_t>& bank, const std::string& tag) {
    for (const Block& b : blocksOf(bank))
        if (b.tag == tag) return b;
    return {0, tag, 0};
}

float floatAt(const std::vector<uint8_t>& b, size_t at) {
    float f;
    std::memcpy(&f, &b[at], 4);
    return f;
}

// Doubles every frequency of the 'TUN0' block: its 129 entries are found as
// the run of floats that reads 440 Hz at key 69 and 880 Hz at key 81.
bool doubleTuning(std::vector<uint8_t>& bank) {
    const Block tuning = findBlock(bank, "TUN0");
    for (size_t at = tuning.offset + 12; at + 129 * 4 <= tuning.offset + tuning.size; at += 4) {
        if (std::fabs(floatAt(bank, at + 69 * 4) - 440.0f) < 0.01f &&
            std::fabs(floatAt(bank, at + 81 * 4) - 880.0f) < 0.02f &&
            std::fabs(floatAt(bank, at) - 8.1758f) < 0.001f) {
            for (int key = 0; key < 129; ++key) {
                const float doubled = 2.0f * floatAt(bank, at + key * 4);
                std::memcpy(&bank[at + key * 4], &doubled, 4);
            }
            return true;
        }
    }
    return false;
}

// Sets "Glo Tune" (tenths of Hz) in every 'SYG0' set chunk of a bank: its
// own block and the one inside each stored program. In each, 440.0 Hz is
// the only word 4400. Answers the chunks changed.
int setGlobalTune(std::vector<uint8_t>& bank, uint32_t tenths) {
    const uint32_t tag = uint32_t('S') << 24 | uint32_t('Y') << 16 | uint32_t('G') << 8 | uint32_t('0');
    int changed = 0;
    for (size_t chunk = 0; chunk + 12 <= bank.size(); chunk += 4) {
        if (wordAt(bank, chunk) != tag) continue;
        const size_t end = std::min(bank.size(), chunk + wordAt(bank, chunk + 4));
        size_t found = 0, count = 0;
        for (size_t at = chunk + 12; at + 4 <= end; at += 4) {
            if (wordAt(bank, at) == 4400) {
                found = at;
                ++count;
            }
        }
        if (count != 1) return -1;
        for (int i = 0; i < 4; ++i) bank[found + i] = uint8_t(tenths >> (8 * i));
        ++changed;
    }
    return changed;
}

// ------------------------------------------------------------ spectra

struct Partial {
    double hz;
    double power;
};

// The partials of x[from, from + n) (n a power of two, Hann window) that
// come within 20 dB of the strongest, with interpolated frequencies.
std::vector<Partial> strongPartials(const std::vector<float>& x, size_t from, size_t n, double rate) {
    std::vector<float> windowed(n);
    for (size_t i = 0; i < n; ++i)
        windowed[i] = float(x[from + i] * (0.5 - 0.5 * std::cos(2.0 * measure::kPi * double(i) / double(n))));
    const std::vector<double> p = measure::powerSpectrum(windowed, n);
    const double top = *std::max_element(p.begin() + 1, p.end());
    std::vector<Partial> partials;
    for (size_t k = 2; k + 1 < p.size(); ++k) {
        if (!(p[k] > p[k - 1] && p[k] >= p[k + 1] && p[k] > top * 0.01)) continue;
        const double a = std::log(p[k - 1]), b = std::log(p[k]), c = std::log(p[k + 1]);
        const double shift = 0.5 * (a - c) / (a - 2.0 * b + c);
        partials.push_back({(double(k) + shift) * rate / double(n), p[k]});
    }
    return partials;
}

// One note of key 69, the oscillator alone with a long decay, 1.5 s.
std::vector<float> renderA4(Rig& rig) {
    auto& p = *rig.plugin;
    p.setParameter(kNoiseMix, 0.0f);
    p.setParameter(kBaseDecay, 1.0f);
    rig.note(rig.block, 0, 69, 100);
    rig.renderSilence(int(1.5f * kRate));
    return rig.left;
}

TEST(SoundHost, ATuningInABankIsHeard) {
    struct Case {
        const char* what;
        bool doubled;
        double hz;
    } cases[] = {{"the bank as saved", false, 440.0}, {"every frequency of its tuning doubled", true, 880.0}};
    for (const Case& c : cases) {
        Rig rig(kRate, 512);
        ASSERT_TRUE(rig.plugin);
        std::vector<uint8_t> bank = rig.plugin->getChunk(false);
        ASSERT_FALSE(bank.empty());
        if (c.doubled) {
            ASSERT_TRUE(doubleTuning(bank));
        }
        ASSERT_EQ(rig.plugin->setChunk(bank, false), VstIntPtr(bank.size())) << c.what;
        const std::vector<float> out = renderA4(rig);
        const auto partials = strongPartials(out, 4096, 32768, kRate);
        ASSERT_FALSE(partials.empty()) << c.what;
        EXPECT_NEAR(partials.front().hz, c.hz, c.hz * 0.002) << c.what << ": the lowest strong partial";
    }
}

TEST(SoundHost, GlobalTuneKeepsTheNoteHarmonic) {
    struct Case {
        uint32_t tenths;
        double hz;
    } cases[] = {{4400, 440.0}, {4153, 415.3}, {4662, 466.2}};
    for (const Case& c : cases) {
        Rig rig(kRate, 512);
        ASSERT_TRUE(rig.plugin);
        std::vector<uint8_t> bank = rig.plugin->getChunk(false);
        ASSERT_EQ(setGlobalTune(bank, c.tenths), 2); // the settings and the program
        ASSERT_EQ(rig.plugin->setChunk(bank, false), VstIntPtr(bank.size()));
        const std::vector<float> out = renderA4(rig);
        const auto partials = strongPartials(out, 4096, 32768, kRate);
        ASSERT_GE(partials.size(), 2u) << c.hz << " Hz: the patch has overtones";
        EXPECT_NEAR(partials.front().hz, c.hz, c.hz * 0.002) << c.hz << " Hz: nothing below the fundamental";
        for (const Partial& partial : partials) {
            const double harmonic = partial.hz / c.hz;
            EXPECT_NEAR(harmonic, std::round(harmonic), 0.01) << c.hz << " Hz: a partial at " << partial.hz;
        }
    }
}

// ------------------------------------------------------------ loads while a note rings

double largestStep(const std::vector<float>& x, size_t from, size_t to) {
    double step = 0.0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, x.size()); ++i)
        step = std::max(step, std::fabs(double(x[i]) - double(x[i - 1])));
    return step;
}

TEST(SoundHost, AChunkLoadedWhileANoteRingsFadesItOut) {
    for (const bool preset : {true, false}) {
        const char* what = preset ? "program chunk" : "bank chunk";
        Rig rig(kRate, 256);
        ASSERT_TRUE(rig.plugin);
        auto& p = *rig.plugin;
        p.setParameter(kNoiseMix, 0.0f); // the steps of the noise would hide a click
        p.setParameter(kBaseDecay, 1.0f);
        // The chunk brings a much quieter sound; the dying note keeps its own.
        p.setParameter(kMainVolume, 0.2f);
        const std::vector<uint8_t> chunk = p.getChunk(preset);
        ASSERT_FALSE(chunk.empty());
        p.setParameter(kMainVolume, 1.0f);
        rig.note(256, 0, 57, 120);
        rig.renderSilence(8192);
        const double peak = pluginrig::peakOf(rig.left, 0, rig.left.size());
        ASSERT_GT(peak, 0.05);
        // Stop where the wave is far from zero: a cut there is a click.
        while (std::fabs(rig.left.back()) < 0.7 * peak && rig.left.size() < 20000) rig.render(1);
        ASSERT_GE(std::fabs(rig.left.back()), 0.7 * peak);
        const size_t load = rig.left.size();
        const double ringing = largestStep(rig.left, 4096, load);
        ASSERT_EQ(p.setChunk(chunk, preset), VstIntPtr(chunk.size())) << what;
        rig.renderSilence(4096);
        EXPECT_LT(largestStep(rig.left, load - 1, rig.left.size()), ringing) << what;
        // Positive control: the note is gone soon after the load, not left ringing.
        EXPECT_LT(pluginrig::peakOf(rig.left, load + 1024, rig.left.size()), pluginrig::kSilence) << what;
        EXPECT_GT(pluginrig::peakOf(rig.left, load, load + 32), 0.1 * peak) << what << ": the fade is heard";
    }
}

// ------------------------------------------------------------ block sizes

// Notes that overlap, end, retrigger a key and reuse voices, with noise on.
std::vector<float> renderNotesInBlocksOf(int block) {
    struct NoteEvent {
        int at;
        uint8_t status, key, velocity;
    } const notes[] = {
        {100, 0x90, 60, 100},   {3001, 0x90, 64, 90},  {5000, 0x80, 60, 0},    {9003, 0x90, 60, 110},
        {9500, 0x90, 67, 80},   {14000, 0x80, 64, 0},  {20011, 0x90, 72, 127}, {26000, 0x90, 60, 70},
        {26000, 0x90, 48, 100}, {40000, 0x80, 67, 0},  {52007, 0x90, 64, 100}, {60000, 0x90, 67, 90},
    };
    Rig rig(kRate, block);
    if (!rig.plugin) return {};
    auto& p = *rig.plugin;
    p.setParameter(kNoiseMix, 0.5f);
    p.setParameter(kBaseDecay, 0.3f);
    p.setParameter(kNoiseDecay, 0.3f);
    const int total = 80000;
    size_t next = 0;
    for (int start = 0; start < total; start += block) {
        const int frames = std::min(block, total - start);
        vsthost::EventList events;
        for (; next < std::size(notes) && notes[next].at < start + frames; ++next)
            events.addMidi(notes[next].at - start, notes[next].status, notes[next].key, notes[next].velocity);
        rig.render(frames, &events);
    }
    return rig.left;
}

TEST(SoundHost, NoiseIsTheSameAtEveryBlockSize) {
    // Every instance starts from the same seed, as a repeated render must.
    auto render = [](int block) {
        ::setenv("KELVANTI_RANDOM_SEED", "12345", 1);
        std::vector<float> out = renderNotesInBlocksOf(block);
        ::unsetenv("KELVANTI_RANDOM_SEED");
        return out;
    };
    const std::vector<float> reference = render(4096);
    ASSERT_EQ(reference.size(), 80000u);
    // The noise is in it: its steps are far above the oscillator's.
    EXPECT_GT(largestStep(reference, 0, reference.size()), 0.05);
    // Each block starts with the plug-in's silence floor (-1e-7, +1e-7, ...,
    // restarting every 256 samples and at every block): blocks of 256 see
    // the same floor as blocks of 4096, odd sizes another one, which may
    // move a sample by the floor and the rounding of the sum.
    struct Case {
        int block;
        float tolerance;
    } const cases[] = {{256, 0.0f}, {37, 1e-6f}, {1, 1e-6f}};
    for (const Case& c : cases) {
        const std::vector<float> out = render(c.block);
        ASSERT_EQ(out.size(), reference.size()) << c.block;
        size_t firstDifference = out.size();
        for (size_t i = 0; i < out.size() && firstDifference == out.size(); ++i)
            if (!(std::fabs(out[i] - reference[i]) <= c.tolerance)) firstDifference = i;
        EXPECT_EQ(firstDifference, out.size()) << "blocks of " << c.block << ": " << out[firstDifference] << " against "
                                               << reference[firstDifference];
    }
}

} // namespace
