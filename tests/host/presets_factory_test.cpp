// The factory banks (resources/banks, staged beside the library by the
// build) played through the built plug-in: every preset loads, sounds at a
// sensible level without clipping, ends within its own envelope times and
// differs from every other; the plug-in lists them as its programs and
// starts with the first of "Diverse". Both builds write their renders beside
// each other and compare them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/PluginRig.h"
#include "tools/host/lib/FxpFile.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSeed = "2121";
constexpr float kRate = 44100.0f;
constexpr int kKey = 60;

// Host parameters whose times bound a note's length.
constexpr int kBaseAttack = 6, kBaseHold = 7, kBaseDecay = 8, kNoiseAttack = 19, kNoiseDecay = 20;

struct Preset {
    std::string bank;
    std::string name;    // the file name without ".fxp": what a host lists
    fs::path path;
};

fs::path committedBanks() { return fs::path(KELVANTI_SOURCE_DIR) / "resources" / "banks"; }

std::vector<Preset> factoryPresets() {
    std::vector<Preset> presets;
    if (!fs::is_directory(committedBanks())) return presets;
    for (const auto& bank : fs::directory_iterator(committedBanks())) {
        if (!bank.is_directory()) continue;
        for (const auto& file : fs::directory_iterator(bank.path()))
            if (file.path().extension() == ".fxp")
                presets.push_back({bank.path().filename().string(), file.path().stem().string(), file.path()});
    }
    std::sort(presets.begin(), presets.end(),
              [](const Preset& a, const Preset& b) { return a.bank != b.bank ? a.bank < b.bank : a.name < b.name; });
    return presets;
}

// A folder of this process's own, removed at exit.
struct Scratch {
    Scratch() {
        std::random_device seed;
        path = fs::temp_directory_path() / ("kelvanti-factory-" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(path);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

// A fixed-seed instance whose data folder is `data` (empty: no preset loads at start).
std::unique_ptr<pluginrig::Rig> makeRig(const fs::path& data) {
    ::setenv("KELVANTI_DATA_DIR", data.string().c_str(), 1);
    ::setenv("KELVANTI_RANDOM_SEED", kSeed, 1);
    auto rig = std::make_unique<pluginrig::Rig>(kRate, 512);
    ::unsetenv("KELVANTI_RANDOM_SEED");
    ::unsetenv("KELVANTI_DATA_DIR");
    return rig;
}

double seconds(vsthost::PluginInstance& plugin, int index) {
    std::string text = plugin.parameterDisplay(index);
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    EXPECT_TRUE(end && end != text.c_str() && *end == '\0') << "parameter " << index << " shows '" << text << "'";
    return value;
}

// One note of a tenth of a second, then silence until `total` frames.
std::vector<float> playNote(pluginrig::Rig& rig, int key, int velocity, int total) {
    rig.left.clear();
    rig.right.clear();
    const int gate = static_cast<int>(0.1f * kRate);
    rig.note(rig.block, 0, key, velocity);
    rig.renderSilence(gate - rig.block);
    rig.note(rig.block, 0, key, 0);
    rig.renderSilence(total - gate - rig.block);
    return rig.left;
}

long lastSound(const std::vector<float>& x) {
    for (size_t i = x.size(); i-- > 0;)
        if (std::fabs(x[i]) > pluginrig::kSilence) return static_cast<long>(i);
    return -1;
}

double dbfs(double peak) { return 20.0 * std::log10(std::max(peak, 1e-12)); }

struct Measured {
    std::vector<float> note;    // key 60, velocity 100
    double peak100 = 0.0;
    double loudest127 = 0.0;    // over keys 36, 60, 84 at velocity 127
    double expectedEnd = 0.0;   // seconds: the longer of the base and noise envelopes
    long last = -1;             // last sample above the silence
};

Measured measure(const Preset& preset, const fs::path& emptyData) {
    Measured m;
    kelvanti_host::ChunkPreset file;
    std::string error;
    if (!kelvanti_host::readChunkPreset(preset.path.string(), file, error)) {
        ADD_FAILURE() << error;
        return m;
    }
    auto rig = makeRig(emptyData);
    if (!rig->plugin) return m;
    auto& p = *rig->plugin;
    EXPECT_EQ(file.pluginId, p.effect()->uniqueID) << preset.name;
    EXPECT_EQ(file.programName, preset.name) << "the file's own program name";
    if (p.setChunk(file.chunk, true) == 0) {
        ADD_FAILURE() << preset.bank << "/" << preset.name << ": the plug-in refused the chunk";
        return m;
    }
    // The note's length follows the preset's own envelope times (the noise
    // envelope holds as long as the base envelope).
    const double hold = seconds(p, kBaseHold);
    m.expectedEnd = std::max(seconds(p, kBaseAttack) + hold + seconds(p, kBaseDecay),
                             seconds(p, kNoiseAttack) + hold + seconds(p, kNoiseDecay));
    const int total = static_cast<int>((m.expectedEnd + 0.5) * kRate);
    m.note = playNote(*rig, kKey, 100, total);
    m.peak100 = pluginrig::peakOf(m.note, 0, m.note.size());
    m.last = lastSound(m.note);
    for (int key : {36, 60, 84}) {
        // Lower keys last longer (key scaling: 2.6 times at key 36).
        const std::vector<float> loud = playNote(*rig, key, 127, 3 * total);
        m.loudest127 = std::max({m.loudest127, pluginrig::peakOf(loud, 0, loud.size()),
                                 pluginrig::peakOf(rig->right, 0, rig->right.size())});
        EXPECT_LT(lastSound(loud), static_cast<long>(loud.size()) - rig->block)
            << preset.name << " key " << key << " still sounds at the end";
    }
    return m;
}

// 64-bit FNV-1a over the preset files: renders of different bank contents are never compared.
uint64_t contentHash(const std::vector<Preset>& presets) {
    uint64_t h = 1469598103934665603ull;
    for (const Preset& preset : presets) {
        std::ifstream in(preset.path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (char c : preset.bank + "/" + preset.name) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
        for (char c : bytes) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    }
    return h;
}

std::string crossPath(uint64_t hash, bool wide) {
    char name[64];
    std::snprintf(name, sizeof name, "/presets-%016llx-%s.f32", static_cast<unsigned long long>(hash),
                  wide ? "x86-64" : "x86");
    return std::string(KELVANTI_CROSS_DIR) + name;
}

TEST(FactoryBanks, ThreeBanksOfWellNamedPresets) {
    const std::vector<Preset> presets = factoryPresets();
    std::map<std::string, std::vector<std::string>> banks;
    for (const Preset& preset : presets) banks[preset.bank].push_back(preset.name);
    ASSERT_GE(banks.size(), 3u) << "no factory banks under " << committedBanks();
    EXPECT_GE(banks["Diverse"].size(), 32u);
    for (const auto& [bank, names] : banks) {
        EXPECT_GE(names.size(), 8u) << bank;
        EXPECT_LE(names.size(), 128u) << bank << ": a host lists 128 programs";
        for (size_t i = 0; i < names.size(); ++i) {
            // Hosts show 23 characters; the number in front keeps the order the bank was laid out in.
            EXPECT_LE(names[i].size(), 23u) << bank << "/" << names[i];
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "%02zu ", i + 1);
            EXPECT_EQ(names[i].rfind(prefix, 0), 0u) << bank << "/" << names[i];
        }
    }
}

TEST(FactoryBanks, EveryPresetLoadsSoundsAndEndsInTime) {
    const std::vector<Preset> presets = factoryPresets();
    ASSERT_FALSE(presets.empty());
    Scratch empty;
    std::vector<Measured> all;
    std::vector<float> renders;
    for (const Preset& preset : presets) {
        SCOPED_TRACE(preset.bank + "/" + preset.name);
        Measured m = measure(preset, empty.path);
        ASSERT_FALSE(m.note.empty());
        const double peak = dbfs(m.peak100);
        EXPECT_GE(peak, -18.0) << "too quiet at velocity 100";
        EXPECT_LE(peak, -1.0) << "too loud at velocity 100";
        EXPECT_LT(m.loudest127, 1.0) << "clips at velocity 127: " << dbfs(m.loudest127) << " dBFS";
        // The voice ends when its envelopes do (control steps of 8 samples
        // and the decay's segments round up a little), and not long before.
        const double end = static_cast<double>(m.last) / kRate;
        EXPECT_LE(end, m.expectedEnd * 1.03 + 0.01) << "sounds past its decay";
        EXPECT_GE(end, m.expectedEnd * 0.5) << "ends well before its decay";
        renders.insert(renders.end(), m.note.begin(), m.note.end());
        all.push_back(std::move(m));
    }
    // No two presets sound alike: the first half second differs clearly.
    const size_t span = static_cast<size_t>(0.5f * kRate);
    for (size_t a = 0; a < all.size(); ++a)
        for (size_t b = a + 1; b < all.size(); ++b) {
            double difference = 0.0;
            for (size_t i = 0; i < span && i < all[a].note.size() && i < all[b].note.size(); ++i)
                difference = std::max(difference, std::fabs(static_cast<double>(all[a].note[i]) - all[b].note[i]));
            EXPECT_GT(difference, 0.05) << presets[a].bank << "/" << presets[a].name << " and " << presets[b].bank
                                        << "/" << presets[b].name << " render alike";
        }

    // The other build renders the same presets the same.
    const bool wide = sizeof(void*) == 8;
    const uint64_t hash = contentHash(presets);
    fs::create_directories(KELVANTI_CROSS_DIR);
    const std::string mine = crossPath(hash, wide);
    const std::string temporary = mine + ".writing-" + std::to_string(std::random_device{}());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(renders.data()), static_cast<std::streamsize>(renders.size() * 4));
        ASSERT_TRUE(out.good());
    }
    fs::rename(temporary, mine);
    const std::string other = crossPath(hash, !wide);
    const char* require = std::getenv("KELVANTI_REQUIRE_CROSS");
    if (!fs::exists(other)) {
        ASSERT_FALSE(require && *require == '1') << "no render of the other build at " << other;
        GTEST_SKIP() << "the other build has not rendered these presets yet";
    }
    std::ifstream in(other, std::ios::binary);
    std::vector<float> theirs(renders.size() + 1);
    in.read(reinterpret_cast<char*>(theirs.data()), static_cast<std::streamsize>(theirs.size() * 4));
    ASSERT_EQ(static_cast<size_t>(in.gcount()), renders.size() * 4) << other;
    theirs.pop_back();
    double worst = 0.0;
    for (size_t i = 0; i < renders.size(); ++i) {
        const double scale = std::max({std::fabs(renders[i]), std::fabs(theirs[i]), 1e-30f}) * 1.0;
        worst = std::max(worst, std::fabs(static_cast<double>(renders[i]) - theirs[i]) / scale);
    }
    EXPECT_LE(worst, 1e-6);
}

// The banks as the plug-in finds them beside the library: the programs are
// the sorted file names of "Diverse", and the first one sounds at start.
TEST(FactoryBanks, ThePlugInListsDiverseAndStartsWithItsFirstPreset) {
    const std::vector<Preset> presets = factoryPresets();
    std::vector<Preset> diverse;
    for (const Preset& preset : presets)
        if (preset.bank == "Diverse") diverse.push_back(preset);
    ASSERT_FALSE(diverse.empty());
    Scratch data, empty;
    fs::copy(committedBanks(), data.path / "Kelvanti Banks", fs::copy_options::recursive);

    // The references first: the instance that opens the bank stores its
    // first preset as the default, which later instances of this process
    // would load too.
    const int total = static_cast<int>(1.5f * kRate);
    kelvanti_host::ChunkPreset first;
    std::string error;
    ASSERT_TRUE(kelvanti_host::readChunkPreset(diverse[0].path.string(), first, error)) << error;
    auto loaded = makeRig(empty.path);
    ASSERT_TRUE(loaded->plugin);
    ASSERT_NE(loaded->plugin->setChunk(first.chunk, true), 0);
    const std::vector<float> firstPreset = playNote(*loaded, kKey, 100, total);
    auto bare = makeRig(empty.path);
    ASSERT_TRUE(bare->plugin);
    const std::vector<float> noBank = playNote(*bare, kKey, 100, total);

    auto rig = makeRig(data.path);
    ASSERT_TRUE(rig->plugin);
    auto& p = *rig->plugin;
    for (size_t i = 0; i < diverse.size(); ++i) EXPECT_EQ(p.programNameIndexed(static_cast<int>(i)), diverse[i].name);
    EXPECT_EQ(p.programNameIndexed(static_cast<int>(diverse.size())), "empty");
    const std::vector<float> atStart = playNote(*rig, kKey, 100, total);
    EXPECT_EQ(atStart, firstPreset);
    EXPECT_NE(atStart, noBank);
}

} // namespace
