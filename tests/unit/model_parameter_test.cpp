// Parameter cells: definers, display texts, normalisation, ranges and texts.
#include "framework/model/ParaSet_c.h"
#include "framework/model/Parameter_c.h"
#include "os/Locale.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

// A display text with the user's decimal separator in place of '.'.
std::string dec(std::string text) {
    for (char& c : text)
        if (c == '.')
            c = os::userDecimalSeparator();
    return text;
}

std::string shown(const Parameter_c& p, size_t size = 64) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    p.formatValue(buffer, size);
    return buffer;
}

// One cell with a descriptor of its own, as row 0 of a set binds it.
struct Cell {
    ParaSet_c set{makeSetTypeId("TEST"), 2, 1};
    Parameter_c& p = *set.columnDefinition(0);
};

} // namespace

TEST(ModelParameter, NumbersShowDigitsSignsUnitsAndCut) {
    Cell c;
    c.p.defineNumber("Amount", "", 0.0f, -1000, 1000, 2, 0);
    c.p.setValue(-50);
    EXPECT_EQ(shown(c.p), dec("-0.50"));
    c.p.setValue(-200);
    EXPECT_EQ(shown(c.p), dec("-2.00"));
    c.p.setValue(-250);
    EXPECT_EQ(shown(c.p), dec("-2.50"));
    c.p.setValue(705);
    EXPECT_EQ(shown(c.p), dec("7.05"));
    EXPECT_FLOAT_EQ(c.p.displayValue(), 7.05f);
    // Clamped into the range.
    c.p.setValue(5000);
    EXPECT_EQ(c.p.value(), 1000);

    Cell percent;
    percent.p.defineNumber("Depth", "%", 0.0f, -100, 100, 2, 0);
    percent.p.setValue(-50);
    EXPECT_EQ(shown(percent.p), "-50");

    // The display cut keeps n characters, one more for a negative fraction.
    Cell cut;
    cut.p.defineNumber("Time", "s", 0.0f, -100000, 100000, 3, 0, 4);
    cut.p.setValue(12345);
    EXPECT_EQ(shown(cut.p), dec("12.3"));
    cut.p.setValue(-345);
    EXPECT_EQ(shown(cut.p), dec("-0.34"));

    // Infinity flags at the ends.
    cut.p.setMaxInfinite(true);
    cut.p.setValue(100000);
    EXPECT_EQ(shown(cut.p), "oo");
    EXPECT_TRUE(cut.p.isAtInfinity());

    // Digits are clamped to 0..8 and the scale follows.
    Cell wide;
    wide.p.defineNumber("Wide", "", 0.0f, 0, 100, 12, 5);
    EXPECT_EQ(wide.p.descriptor()->digits, 8);
    EXPECT_EQ(wide.p.descriptor()->scale, 100000000);

    // The buffer is always ended within its length.
    c.p.setValue(-250);
    EXPECT_EQ(shown(c.p, 3), "-2");
    char one[1] = {'x'};
    c.p.formatValue(one, 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(ModelParameter, LevelsChannelsNotesAndPan) {
    Cell level;
    level.p.defineLevelDb("Volume", -24, 6, 0, true);
    EXPECT_EQ(level.p.descriptor()->min, -121);
    EXPECT_EQ(level.p.descriptor()->max, 30);
    EXPECT_EQ(level.p.descriptor()->unit, "dB");
    level.p.setValue(-121);
    EXPECT_EQ(shown(level.p), "-oo");
    EXPECT_EQ(level.p.gain(), 0.0f);
    level.p.setValue(-120);
    EXPECT_EQ(shown(level.p), "-24");
    level.p.setValue(-7);
    EXPECT_EQ(shown(level.p), dec("-1.4"));
    level.p.setValue(7);
    EXPECT_EQ(shown(level.p), dec("1.4"));
    level.p.setValue(30);
    EXPECT_EQ(shown(level.p), dec("6.0"));
    EXPECT_NEAR(level.p.gain(), 2.0f, 1e-4f);
    level.p.setValue(0);
    EXPECT_EQ(level.p.gain(), 1.0f);
    level.p.setValue(-30);
    EXPECT_NEAR(level.p.gain(), 0.5f, 1e-5f);

    // Without the switch the minimum is an ordinary level.
    Cell plain;
    plain.p.defineLevelDb("Trim", 0, 12, 0, false);
    EXPECT_EQ(shown(plain.p), dec("0.0"));
    EXPECT_EQ(plain.p.gain(), 1.0f);

    Cell channel;
    channel.p.defineMidiChannel("Channel", 0, 16, 0);
    EXPECT_EQ(shown(channel.p), "01");
    channel.p.setValue(16);
    EXPECT_EQ(shown(channel.p), "all");
    channel.p.setValue(9);
    EXPECT_EQ(shown(channel.p), "10");

    Cell note;
    note.p.defineNote("Key", 0, 128, 0, 36);
    EXPECT_EQ(shown(note.p), "C1");
    note.p.setValue(60);
    EXPECT_EQ(shown(note.p), "C3");
    note.p.setValue(61);
    EXPECT_EQ(shown(note.p), "C#3");
    note.p.setValue(0);
    EXPECT_EQ(shown(note.p), "C-2");
    note.p.setValue(128);
    EXPECT_EQ(shown(note.p), "all");
    // A key below 0 has no name (and must not index outside the names).
    note.p.setFromValue(-5);
    EXPECT_EQ(shown(note.p), "");

    Cell cents;
    cents.p.defineNote("Tune", 0, 12700, 2, 6050);
    EXPECT_EQ(shown(cents.p), "C3 50c");

    Cell realPan;
    realPan.p.definePlaceholder("x"); // redefining a cell is allowed
    realPan.p.definePan("Pan", 0);
    realPan.p.setValue(-50);
    EXPECT_EQ(shown(realPan.p), dec("L 0.50"));
    realPan.p.setValue(0);
    EXPECT_EQ(shown(realPan.p), "  < C >  ");
    realPan.p.setValue(100);
    EXPECT_EQ(shown(realPan.p), dec("  1.00 R"));
    realPan.p.setValue(-100);
    EXPECT_EQ(shown(realPan.p), dec("L 1.00"));
}

TEST(ModelParameter, OptionsAndSwitchesUseEntriesByteForByte) {
    Cell knob;
    knob.p.defineOptions("Knob Mode", "", 0, 1, 8, 0, "Circular Linear ");
    knob.p.setValue(1);
    EXPECT_EQ(shown(knob.p), " Linear ");
    char entry[16];
    knob.p.getOptionText(entry, sizeof entry);
    EXPECT_STREQ(entry, " Linear ");

    // Search hits only at entry boundaries; legacy texts next; else the default.
    static const char* const legacy[] = {"OldOne  OldTwo  ", nullptr};
    Cell mode;
    mode.p.defineOptions("Mode", "", 0, 2, 8, 2, "Alpha   Beta    Gamma   ", legacy);
    mode.p.setOptionByText("Beta    ");
    EXPECT_EQ(mode.p.value(), 1);
    EXPECT_EQ(mode.p.findOption("Gamma   "), 2);
    mode.p.setOptionByText("eta"); // inside an entry: no hit
    EXPECT_EQ(mode.p.value(), 2);
    mode.p.setValue(0);
    mode.p.setOptionByText("OldTwo  ");
    EXPECT_EQ(mode.p.value(), 1);
    EXPECT_EQ(mode.p.findOption("OldTwo  "), 0); // legacy is not searched here
    mode.p.setValue(0);
    mode.p.setOptionByText("Nothing");
    EXPECT_EQ(mode.p.value(), 2);

    // Width 0 or no option text: no hit, never a division by zero.
    Cell zero;
    zero.p.defineOptions("Zero", "", 0, 3, 0, 1, "abc");
    zero.p.setOptionByText("abc");
    EXPECT_EQ(zero.p.value(), 1);
    EXPECT_EQ(zero.p.findOption("abc"), 0);
    EXPECT_EQ(shown(zero.p), "");
    Cell none;
    none.p.defineOptions("None", "", 0, 3, 4, 1, nullptr); // refused: nothing defined
    EXPECT_EQ(none.p.kind(), ParamKind::None);
    none.p.setOptionByText("abc");
    EXPECT_EQ(none.p.value(), 0);
    Cell tooWide;
    tooWide.p.defineOptions("Wide", "", 0, 3, 32, 1, "x");
    EXPECT_EQ(tooWide.p.kind(), ParamKind::None);

    // A range longer than the entries: the missing entries show nothing.
    Cell shortText;
    shortText.p.defineOptions("Short", "", 0, 5, 3, 0, "OneTwo");
    shortText.p.setValue(1);
    EXPECT_EQ(shown(shortText.p), "Two");
    shortText.p.setValue(4);
    EXPECT_EQ(shown(shortText.p), "");
    shortText.p.getOptionText(entry, sizeof entry);
    EXPECT_STREQ(entry, "");

    Cell sw;
    sw.p.defineSwitch("On/Off", 7);
    EXPECT_EQ(sw.p.value(), 1);
    EXPECT_EQ(shown(sw.p), "On ");
    EXPECT_TRUE(sw.p.isOn());
    sw.p.setBool(false);
    EXPECT_EQ(shown(sw.p), "Off");
    sw.p.setFromValue(2);
    EXPECT_EQ(shown(sw.p), "");
    Cell off;
    off.p.defineSwitch("Mute", -3);
    EXPECT_EQ(off.p.value(), 0);
}

TEST(ModelParameter, NormalisationCurvesAndStepSize) {
    Cell lin;
    lin.p.defineNumber("Lin", "", 0.0f, 0, 127, 0, 0);
    lin.p.setNormalized(1.0f);
    EXPECT_EQ(lin.p.value(), 127);
    lin.p.setNormalized(0.5f);
    EXPECT_EQ(lin.p.value(), 63);
    lin.p.setNormalized(0.0f);
    EXPECT_EQ(lin.p.value(), 0);
    lin.p.setNormalized(7.0f);
    EXPECT_EQ(lin.p.value(), 127);
    lin.p.setNormalized(-1.0f);
    EXPECT_EQ(lin.p.value(), 0);

    // Every value survives get-then-set, curved both ways and across zero.
    struct Range { float curve; int32_t min, max; };
    for (const Range r : {Range{4.0f, 0, 127}, Range{4.0f, -1000, 1000}, Range{-3.0f, -100, 20000},
                          Range{0.0f, -100, 100}}) {
        Cell c;
        c.p.defineNumber("C", "", r.curve, r.min, r.max, 0, r.min);
        for (int32_t v = r.min; v <= r.max; ++v) {
            c.p.setValue(v);
            const float x = c.p.normalized();
            c.p.setNormalized(x);
            ASSERT_EQ(c.p.value(), v) << "curve " << r.curve << " x " << x;
        }
    }

    // The step is that of one unit at the bottom, and leaves the cell as it was.
    Cell curved;
    curved.p.defineNumber("Curved", "", 4.0f, 0, 1000, 0, 0);
    curved.p.setValue(777);
    const int32_t valueBefore = curved.p.value();
    const float normBefore = curved.p.normalized();
    const float up = curved.p.getStepSize(1);
    const float down = curved.p.getStepSize(-1);
    EXPECT_EQ(curved.p.value(), valueBefore);
    const float normAfter = curved.p.normalized();
    EXPECT_EQ(std::memcmp(&normBefore, &normAfter, sizeof normAfter), 0);
    EXPECT_GT(up, 0.0f);
    EXPECT_EQ(down, -up);
    curved.p.setValue(1);
    const float one = curved.p.normalized();
    curved.p.setValue(0);
    EXPECT_FLOAT_EQ(up, (one - curved.p.normalized()) * 1.001f);

    // Default position: 0.5 for an empty range.
    Cell flat;
    flat.p.defineNumber("Flat", "", 0.0f, 5, 5, 0, 5);
    EXPECT_FLOAT_EQ(flat.p.normalizedDefault(), 0.5f);
    flat.p.setNormalized(0.9f);
    EXPECT_EQ(flat.p.value(), 5);
}

TEST(ModelParameter, PrivateRangesLeaveOtherRowsShared) {
    ParaSet_c set(makeSetTypeId("RNGE"), 3, 2);
    set.columnDefinition(0)->defineNumber("Cutoff", "", 0.0f, 0, 100, 0, 80);
    set.columnDefinition(1)->defineOptions("Wave", "", 0, 3, 4, 0, "SineTri Saw Sqr ");
    set.copyRowZeroToAll();

    EXPECT_FALSE(set.setMax(1, 0, -5)); // below min: refused
    EXPECT_TRUE(set.setMax(1, 0, 50));
    EXPECT_EQ(set.getValue(1, 0), 50);
    EXPECT_EQ(set.cell(1, 0)->descriptor()->defaultValue, 50);
    EXPECT_EQ(set.cell(0, 0)->descriptor()->max, 100);
    EXPECT_EQ(set.cell(2, 0)->descriptor()->max, 100);
    set.setValue(2, 0, 90);
    EXPECT_EQ(set.getValue(2, 0), 90);
    set.setValue(1, 0, 90);
    EXPECT_EQ(set.getValue(1, 0), 50);

    EXPECT_FALSE(set.setMin(1, 0, 0));  // equal to min: refused
    EXPECT_FALSE(set.setMin(1, 0, 60)); // above max: refused
    EXPECT_TRUE(set.setMin(1, 0, 10));
    EXPECT_EQ(set.cell(0, 0)->descriptor()->min, 0);

    // A raised option minimum keeps every value's entry.
    char text[16];
    set.setValue(2, 1, 2);
    EXPECT_TRUE(set.setMin(2, 1, 1));
    EXPECT_FALSE(set.setMin(2, 1, 0)); // lower: refused for options
    set.getValueText(2, 1, text, sizeof text);
    EXPECT_STREQ(text, "Saw ");
    set.setText(2, 1, "Tri ");
    EXPECT_EQ(set.getValue(2, 1), 1);
    set.setText(2, 1, "Sine");
    EXPECT_EQ(set.getValue(2, 1), 1); // gone from this row: the default (raised to 1)
    set.getValueText(0, 1, text, sizeof text);
    EXPECT_STREQ(text, "Sine");

    // Copying a row with a private descriptor gives the copy its own.
    set.copyRowZeroToAll();
    ParaSet_c other(makeSetTypeId("RNGE"), 2, 1);
    other.columnDefinition(0)->defineNumber("X", "", 0.0f, 0, 10, 0, 0);
    other.setMax(0, 0, 5);
    other.copyRowZeroToAll();
    EXPECT_NE(other.cell(0, 0)->descriptor(), other.cell(1, 0)->descriptor());
    EXPECT_EQ(other.cell(1, 0)->descriptor()->max, 5);
    // Destroying both sets frees every private copy once (sanitizer build).
}

TEST(ModelParameter, TextsFloatsAndResets) {
    Cell path;
    path.p.defineText("TUN-File Path", true, true, nullptr);
    path.p.setText("C:\\Tunings\\Werck.TUN");
    EXPECT_EQ(shown(path.p), "Werck");
    path.p.setText("/home/u/scales/just.v2.tun");
    EXPECT_EQ(shown(path.p), "just.v2");
    char small[5];
    path.p.getText(small, sizeof small);
    EXPECT_STREQ(small, "/hom");
    std::string whole;
    path.p.getTextString(whole);
    EXPECT_EQ(whole, "/home/u/scales/just.v2.tun");

    // An empty text stays empty on reset; an owned one returns to the default.
    Cell named;
    named.p.defineText("Name", false, false, "Init");
    EXPECT_EQ(named.p.textView(), "Init");
    named.p.setText("Lead");
    named.p.resetToDefault();
    EXPECT_EQ(named.p.textView(), "Init");
    named.p.setText("");
    named.p.resetToDefault();
    EXPECT_EQ(named.p.textView(), "");
    EXPECT_EQ(shown(named.p), "");

    Cell floats;
    floats.p.defineFloatArray("Frequencies", 129);
    EXPECT_EQ(floats.p.floatCount(), 129);
    floats.p.setFloat(-4, 1.5f);
    EXPECT_EQ(floats.p.getFloat(0), 1.5f);
    floats.p.setFloat(500, 2.5f);
    EXPECT_EQ(floats.p.getFloat(128), 2.5f);
    EXPECT_EQ(floats.p.getFloat(1000), 2.5f);
    floats.p.resetToDefault();
    EXPECT_EQ(floats.p.getFloat(0), 0.0f);
    EXPECT_EQ(floats.p.getFloat(128), 0.0f);

    // A cell without descriptor answers 0 and ignores changes.
    Parameter_c bare;
    bare.setValue(5);
    bare.setText("x");
    bare.setFloat(0, 1.0f);
    EXPECT_EQ(bare.value(), 0);
    EXPECT_EQ(bare.getFloat(0), 0.0f);
    EXPECT_EQ(shown(bare), "");
    char name[30];
    bare.getName(name, sizeof name);
    EXPECT_STREQ(name, "");

    // Names and units are handed out cut to 23 characters.
    Cell longName;
    longName.p.defineNumber("A very long parameter name indeed", "unitunitunitunitunitunitunit", 0.0f, 0, 1, 0, 0);
    longName.p.getName(name, sizeof name);
    EXPECT_EQ(std::strlen(name), 23u);
    longName.p.getUnit(name, sizeof name);
    EXPECT_EQ(std::strlen(name), 23u);
}
