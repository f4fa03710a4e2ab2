// The same notes through the x86-64 and the 32-bit plug-in: each build writes
// its render beside the other's, and whichever finds the other's render
// compares the two sample by sample. `make test` runs the x86-64 check again
// after both builds with KELVANTI_REQUIRE_CROSS=1, so the comparison always
// happens there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/PluginRig.h"

namespace {

constexpr const char* kSeed = "424242";

std::string renderPath(bool wide) {
    return std::string(KELVANTI_CROSS_DIR) + "/render-" + (wide ? "x86-64" : "x86") + ".f32";
}

// A fixed performance: notes at offsets across block boundaries, several
// velocities and keys, waveform, volume and envelope changes between blocks,
// block sizes that change from call to call.
std::vector<float> renderPerformance() {
    ::setenv("KELVANTI_RANDOM_SEED", kSeed, 1);
    pluginrig::Rig rig(44100.0f, 1024);
    ::unsetenv("KELVANTI_RANDOM_SEED");
    if (!rig.plugin) return {};
    auto& p = *rig.plugin;
    const int sizes[] = {512, 300, 1024, 64, 777};
    const float waveforms[] = {0.0f, 0.5f, 1.0f};
    for (int b = 0; b < 160; ++b) {
        const int frames = sizes[b % 5];
        if (b % 20 == 0) p.setParameter(10, waveforms[(b / 20) % 3]);
        if (b % 9 == 0) p.setParameter(21, 0.5f + 0.05f * static_cast<float>(b % 7));
        if (b % 13 == 0) p.setParameter(2, 0.1f * static_cast<float>(b % 10));
        if (b % 17 == 0) p.setParameter(17, 0.1f * static_cast<float>(b % 11));
        vsthost::EventList events;
        if (b % 3 == 0) events.addMidi((b * 97) % frames, 0x90, static_cast<uint8_t>(36 + (b * 5) % 48), static_cast<uint8_t>(30 + (b * 13) % 98));
        if (b % 4 == 1) events.addMidi(frames - 1, 0x80, static_cast<uint8_t>(36 + ((b - 1) * 5) % 48), 64);
        rig.render(frames, &events);
    }
    std::vector<float> both;
    both.reserve(2 * rig.left.size());
    for (size_t i = 0; i < rig.left.size(); ++i) {
        both.push_back(rig.left[i]);
        both.push_back(rig.right[i]);
    }
    return both;
}

std::string bankPath(bool wide) {
    return std::string(KELVANTI_CROSS_DIR) + "/bank-" + (wide ? "x86-64" : "x86") + ".bin";
}

// Written beside and renamed into place, so that the other build, running
// at the same time, never reads a half-written file.
void writeWhole(const std::string& path, const void* bytes, size_t size) {
    std::filesystem::create_directories(KELVANTI_CROSS_DIR);
    const std::string temporary = path + ".writing-" + std::to_string(std::random_device{}());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        ASSERT_TRUE(out.good()) << temporary;
    }
    std::filesystem::rename(temporary, path);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<float> readRender(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<float> samples;
    float v;
    while (in.read(reinterpret_cast<char*>(&v), sizeof v)) samples.push_back(v);
    return samples;
}

TEST(ParamsCrossBuild, RendersAreRepeatableAndMatchTheOtherBuild) {
    const std::vector<float> mine = renderPerformance();
    ASSERT_GT(mine.size(), 100000u);
    EXPECT_GT(pluginrig::peakOf(mine, 0, mine.size()), 0.01);
    // The same seed gives the same render: only then can builds be compared.
    EXPECT_EQ(renderPerformance(), mine);

    const bool wide = sizeof(void*) == 8;
    writeWhole(renderPath(wide), mine.data(), mine.size() * sizeof(float));
    const std::string otherPath = renderPath(!wide);
    const char* require = std::getenv("KELVANTI_REQUIRE_CROSS");
    if (!std::filesystem::exists(otherPath)) {
        ASSERT_FALSE(require && *require == '1') << "no render of the other build at " << otherPath;
        GTEST_SKIP() << "the other build has not rendered yet";
    }
    const std::vector<float> other = readRender(otherPath);
    ASSERT_EQ(other.size(), mine.size());
    size_t worst = 0;
    double worstRelative = 0.0;
    for (size_t i = 0; i < mine.size(); ++i) {
        const double a = mine[i], b = other[i];
        const double scale = std::max({std::fabs(a), std::fabs(b), 1e-30});
        const double relative = std::fabs(a - b) / scale;
        if (relative > worstRelative) {
            worstRelative = relative;
            worst = i;
        }
    }
    EXPECT_LE(worstRelative, 1e-6) << "sample " << worst << ": " << mine[worst] << " against " << other[worst];
}

// A project saved by one build opens in the other: the bank chunk each
// build writes loads in the other and saves again byte for byte.
TEST(ParamsCrossBuild, BankChunksExchangeByteForByte) {
    pluginrig::Rig rig;
    ASSERT_TRUE(rig.plugin);
    auto& p = *rig.plugin;
    for (int i = 0; i < 25; ++i) p.setParameter(i, static_cast<float>((i * 37) % 101) / 100.0f);
    const std::vector<uint8_t> mine = p.getChunk(false);
    ASSERT_GT(mine.size(), 100u);

    const bool wide = sizeof(void*) == 8;
    writeWhole(bankPath(wide), mine.data(), mine.size());
    const std::string otherPath = bankPath(!wide);
    const char* require = std::getenv("KELVANTI_REQUIRE_CROSS");
    if (!std::filesystem::exists(otherPath)) {
        ASSERT_FALSE(require && *require == '1') << "no bank of the other build at " << otherPath;
        GTEST_SKIP() << "the other build has not saved a bank yet";
    }
    const std::vector<uint8_t> other = readBytes(otherPath);
    pluginrig::Rig fresh;
    ASSERT_TRUE(fresh.plugin);
    ASSERT_EQ(fresh.plugin->setChunk(other, false), static_cast<VstIntPtr>(other.size()));
    EXPECT_TRUE(fresh.plugin->getChunk(false) == other) << "the other build's bank did not save back unchanged";
    for (int i = 0; i < 25; ++i) EXPECT_FLOAT_EQ(fresh.plugin->getParameter(i), p.getParameter(i)) << i;
}

} // namespace
