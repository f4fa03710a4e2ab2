// The tuning table: built-in scales, tuning files, step-size analysis and
// the recovery of a table left without frequencies.
#include "framework/settings/NoteFreqTable_c.h"
#include "framework/settings/TunFile.h"
#include "tests/unit/support/OsScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class Tuning : public ::testing::Test {
protected:
    void SetUp() override { table.defineSharedParameters(shared); }

    // Loads text as a tuning file through the "TUN-File Path" column.
    void load(const std::string& text) {
        const std::string path = scratch.write("scale.tun", text);
        table.setText(0, NoteFreqTable_c::kTunPath, path);
    }
    float entry(int key) const { return table.getFrequency(static_cast<float>(key)); }
    float stored(int key) const { return table.set()->cell(0, NoteFreqTable_c::kFrequencies)->getFloat(key); }

    ParaSet_c* shared = nullptr;
    NoteFreqTable_c table;
    OsScratchFolder scratch;
};

} // namespace

TEST_F(Tuning, BuiltInTableIsEqualTemperedAndInterpolates) {
    float equal[NoteFreqTable_c::kEntries];
    for (int key = 0; key < NoteFreqTable_c::kEntries; ++key) // 440 Hz at key 69, 12 keys an octave
        equal[key] = static_cast<float>(440.0 * std::pow(2.0, (key - 69) / 12.0));
    for (int key = 0; key <= 127; ++key)
        EXPECT_NEAR(entry(key), equal[key], equal[key] * 1e-6) << key;
    EXPECT_NEAR(entry(69), 440.0f, 1e-3f);
    EXPECT_FLOAT_EQ(table.getFrequency(69.5f), 0.5f * (entry(69) + entry(70)));
    EXPECT_FLOAT_EQ(table.getFrequency(-1.0f), entry(0) - (entry(1) - entry(0)));
    std::string name;
    table.getTextString(0, NoteFreqTable_c::kTunPath, name);
    EXPECT_EQ(name, "12 Tone Equal");

    table.buildBuiltinTable(NoteFreqTable_c::kTonewheel);
    table.getTextString(0, NoteFreqTable_c::kTunPath, name);
    EXPECT_EQ(name, "Tonewheel");
    EXPECT_NEAR(entry(60), equal[60], 1e-3f); // pitch class 0 is not detuned
    EXPECT_NEAR(entry(61) / equal[61], std::pow(2.0, 0.883 / 1200.0), 1e-6);
}

TEST_F(Tuning, NoteLinesSetOnlyTheKeysTheyName) {
    table.buildBuiltinTable(NoteFreqTable_c::kTonewheel);
    const float before60 = entry(60);
    const float before71 = entry(71);
    const float before128 = stored(128);
    load("note 69=6900\n"
         "NOTE 70 = 6900,0\r\n"
         "note 71=-100\n"
         "note 72=7000\n"
         "note 72=7100.5\n"
         "note 73\n"
         "note 200=100\n"
         "note 74=99999999999999999999999999999999999999999999\n");
    EXPECT_NEAR(entry(69), 440.0f, 1e-3f);
    EXPECT_NEAR(entry(70), 440.0f, 1e-3f);
    EXPECT_EQ(entry(71), before71);                         // negative cents rejected
    EXPECT_NEAR(entry(72), centsToFrequency(7100.5), 1e-2); // the later line wins
    EXPECT_NEAR(stored(127), centsToFrequency(100), 1e-5);  // key clamped to 127
    EXPECT_EQ(stored(128), before128);      // entry 128 never written
    EXPECT_EQ(entry(60), before60);
    EXPECT_TRUE(std::isfinite(entry(74)));
}

TEST_F(Tuning, LineParserRejectsWhatIsNotANote) {
    TunLine line;
    EXPECT_TRUE(parseTunLine("  \x90note 1 2 = 1 2 0 0", line));
    EXPECT_EQ(line.key, 12);
    EXPECT_NEAR(line.frequency, centsToFrequency(1200), 1e-4);
    EXPECT_FALSE(parseTunLine("; note 69=6900", line));
    EXPECT_FALSE(parseTunLine("[Tuning]", line));
    EXPECT_FALSE(parseTunLine("note 69=+6900", line));
    // No cents digits: 0 cents; no key digits: key 0.
    line = TunLine{};
    EXPECT_TRUE(parseTunLine("note 69=", line));
    EXPECT_EQ(line.key, 69);
    EXPECT_NEAR(line.frequency, 8.1757989f, 1e-5f);
    line = TunLine{};
    EXPECT_TRUE(parseTunLine("note 70 = \r", line));
    EXPECT_EQ(line.key, 70);
    EXPECT_NEAR(line.frequency, 8.1757989f, 1e-5f);
    line.key = 99;
    EXPECT_TRUE(parseTunLine("note =6900", line));
    EXPECT_EQ(line.key, 0);
    EXPECT_NEAR(line.frequency, 440.0f, 1e-3f);
    EXPECT_FALSE(parseTunLine("note x=6900", line));
    EXPECT_FALSE(parseTunLine("note 69 6900", line));
    EXPECT_FALSE(parseTunLine("note 69=1.2.3", line));
    EXPECT_FALSE(parseTunLine("note 69=200000", line)); // beyond single precision
    EXPECT_FALSE(parseTunLine(std::string("note 69=") + std::string(5000, '9'), line));
    EXPECT_TRUE(parseTunLine(std::string("note ") + std::string(5000, '9') + "=0", line));
    EXPECT_EQ(line.key, 127);
}

TEST_F(Tuning, StepSizeFollowsAUniformScale) {
    // A quarter-tone scale: every neighbour ratio is 2^(1/24).
    std::string text = "; quarter tones\n[Exact Tuning]\n";
    for (int key = 0; key <= 127; ++key)
        text += "note " + std::to_string(key) + "=" + std::to_string(key * 50) + "\n";
    load(text);
    EXPECT_NEAR(table.getStepSize(), 12.0 * std::log2(std::pow(2.0, 1.0 / 24.0)), 1e-4);

    text = "note 60=6000\nnote 61=6150\nnote 62=6180\n"; // irregular
    load(text);
    EXPECT_EQ(table.getStepSize(), 1.0f);
}

TEST_F(Tuning, RealTuningFileWithSectionsLoads) {
    const std::string path = scratch.write("NoteFreqTables/Pythagorean.TUN",
                                           "; Pythagorean tuning\r\n"
                                           "; made by hand\r\n"
                                           "\r\n"
                                           "[Tuning]\r\n"
                                           "note 0=0\r\n"
                                           "note 1=113.685\r\n"
                                           "note 60 = 6000\r\n"
                                           "note 67 = 6701,955\r\n"
                                           "\r\n"
                                           "[Exact Tuning]\r\n"
                                           "basefreq=8.1757989156\r\n"
                                           "note 69=6905.865\r\n");
    // Asked for with another case, as a Windows preset would name it.
    std::string asked = path;
    asked.replace(asked.size() - 15, 15, "pythagorean.tun");
    table.setText(0, NoteFreqTable_c::kLoadCommand, asked);
    EXPECT_NEAR(entry(1), centsToFrequency(113.685), 1e-5);
    EXPECT_NEAR(entry(67), centsToFrequency(6701.955), 1e-2);
    EXPECT_NEAR(entry(69), centsToFrequency(6905.865), 1e-2);
    EXPECT_EQ(entry(68), NoteFreqTable_c().getFrequency(68.0f));
    // Nearly equal-tempered: uniform within 3%, so the step is the 42/43 ratio.
    EXPECT_NEAR(table.getStepSize(), 12.0 * std::log2(stored(43) / stored(42)), 1e-5);
}

TEST_F(Tuning, ResetOrEmptyChunkNeverLeavesASilentTable) {
    table.resetRows(0, 1);
    EXPECT_NEAR(entry(69), 440.0f, 1e-3f);
    EXPECT_NEAR(table.getStepSize(), 1.0f, 1e-4f);

    // A stored table of zeros (a broken chunk) is rebuilt on reading.
    uint8_t chunk[4096];
    for (int i = 0; i < NoteFreqTable_c::kEntries; ++i)
        table.set()->cell(0, NoteFreqTable_c::kFrequencies)->setFloat(i, 0.0f);
    const size_t n = table.writeChunk(0, chunk, sizeof chunk);
    ASSERT_GT(n, 0u);
    table.buildBuiltinTable(NoteFreqTable_c::kTonewheel);
    table.readChunk(chunk, n, 0);
    EXPECT_EQ(entry(69), NoteFreqTable_c().getFrequency(69.0f));
}
