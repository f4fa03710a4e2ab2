// The set chunk: exact bytes (the same in the 64-bit and the 32-bit build),
// round trips for every kind, tolerant and hostile reads, bounded writes.
#include "framework/model/ParaSet_c.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// An independent little-endian encoder for expected chunks.
struct Encoder {
    Bytes bytes;
    Encoder& word(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Encoder& floatWord(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return word(u);
    }
    // L, then the text, its zero and padding to a whole word.
    Encoder& text(const std::string& t) {
        const size_t padded = (t.size() + 4) / 4 * 4;
        word(static_cast<uint32_t>(padded));
        bytes.insert(bytes.end(), t.begin(), t.end());
        bytes.resize(bytes.size() + padded - t.size(), 0);
        return *this;
    }
    Encoder& raw(const std::string& t) {
        bytes.insert(bytes.end(), t.begin(), t.end());
        return *this;
    }
    Bytes finish() { // stores the length in word 1
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = static_cast<uint8_t>(bytes.size() >> (8 * i));
        return bytes;
    }
};

Bytes written(const ParaSet_c& set, int row = 0) {
    Bytes b(set.getChunkSize(row));
    b.resize(set.writeChunk(b.data(), b.size(), row));
    return b;
}

uint64_t fnv1a(const Bytes& b) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t c : b) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

const SetTypeId kAllKinds = makeSetTypeId("ALLK");
enum Column { Version, Amount, Knob, Channel, Key, Volume, Power, Name, Table, Pan, Spare, Columns };

// Bits of the float array's elements: ordinary values, -0, a denormal-free
// tiny value and a signalling NaN, which must survive in every build.
uint32_t tableBits(int i) {
    if (i == 7)
        return 0x80000000u;
    if (i == 9)
        return 0x7FA00001u;
    const float f = i == 8 ? 1e-30f : static_cast<float>(i) * 0.5f - 3.25f;
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// A set with a column of every kind, defaults on every row.
void defineAllKinds(ParaSet_c& set) {
    set.columnDefinition(Version)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    set.columnDefinition(Amount)->defineNumber("Amount", "", 0.0f, -1000, 1000, 2, 0);
    set.columnDefinition(Knob)->defineOptions("Knob Mode", "", 0, 1, 8, 0, "Circular Linear ");
    set.columnDefinition(Channel)->defineMidiChannel("Channel", 0, 16, 0);
    set.columnDefinition(Key)->defineNote("Key", 0, 128, 0, 60);
    set.columnDefinition(Volume)->defineLevelDb("Volume", -24, 6, 0, true);
    set.columnDefinition(Power)->defineSwitch("On/Off", 0);
    set.columnDefinition(Name)->defineText("Name", false, false, "Init");
    set.columnDefinition(Table)->defineFloatArray("Frequencies", 129);
    set.columnDefinition(Pan)->definePan("Pan", 0);
    set.columnDefinition(Spare)->definePlaceholder("Spare");
    set.copyRowZeroToAll();
}

void setNonDefaults(ParaSet_c& set, int row, const std::string& name) {
    set.setValue(row, Version, 300);
    set.setValue(row, Amount, -250);
    set.setValue(row, Knob, 1);
    set.setValue(row, Channel, 16);
    set.setValue(row, Key, 128);
    set.setValue(row, Volume, -121);
    set.setBool(row, Power, true);
    set.setText(row, Name, name);
    for (int i = 0; i < 129; ++i)
        set.cell(row, Table)->setFloatBits(i, tableBits(i));
    set.setValue(row, Pan, -100);
}

Bytes expectedAllKinds(const std::string& name) {
    Encoder e;
    e.word(static_cast<uint32_t>(kAllKinds)).word(0).word(0);
    e.word(300).word(static_cast<uint32_t>(-250)).text(" Linear ").word(16).word(128);
    e.word(static_cast<uint32_t>(-121)).word(1).text(name).word(129);
    for (int i = 0; i < 129; ++i)
        e.word(tableBits(i));
    e.word(static_cast<uint32_t>(-100));
    return e.finish();
}

std::string text319() {
    std::string t;
    for (int i = 0; i < 319; ++i)
        t.push_back(static_cast<char>('a' + i % 26));
    return t;
}

} // namespace

TEST(ModelSetChunk, SmallRowIsByteExact) {
    ParaSet_c set(makeSetTypeId("SMAL"), 1, 3);
    set.columnDefinition(0)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    set.columnDefinition(1)->defineOptions("Who", "", 0, 2, 3, 1, "youme it ");
    set.columnDefinition(2)->defineText("Tag", false, false, "abc");
    set.copyRowZeroToAll();
    const Bytes expected = {'L', 'A', 'M', 'S', 32, 0, 0, 0, 0,   0, 0, 0, 200, 0,   0, 0,
                            4,   0,   0,   0,   'm', 'e', ' ', 0, 4, 0, 0, 0, 'a', 'b', 'c', 0};
    EXPECT_EQ(written(set), expected);
    EXPECT_EQ(set.getChunkSize(0), 32u);

    // The header value is written; a negative one as 0.
    set.setHeaderValue(7);
    EXPECT_EQ(written(set)[8], 7);
    set.setHeaderValue(-3);
    EXPECT_EQ(written(set)[8], 0);

    // An empty text is L = 4 and four zeros; reading it empties the text.
    set.setText(0, 2, "");
    const Bytes empty = written(set);
    EXPECT_EQ(Bytes(empty.begin() + 24, empty.end()), (Bytes{4, 0, 0, 0, 0, 0, 0, 0}));
    set.setText(0, 2, "xyz");
    set.readChunk(empty.data(), empty.size(), 0);
    std::string text = "unchanged";
    set.getTextString(0, 2, text);
    EXPECT_EQ(text, "");
}

TEST(ModelSetChunk, EveryKindRoundTripsWithPinnedBytes) {
    ParaSet_c source(kAllKinds, 2, Columns);
    defineAllKinds(source);
    const std::string name = text319();
    setNonDefaults(source, 1, name);

    char shown[64];
    source.getValueText(1, Channel, shown, sizeof shown);
    EXPECT_STREQ(shown, "all");
    source.getValueText(1, Key, shown, sizeof shown);
    EXPECT_STREQ(shown, "all");
    source.getValueText(1, Volume, shown, sizeof shown);
    EXPECT_STREQ(shown, "-oo");
    EXPECT_EQ(source.getGain(1, Volume), 0.0f);

    const Bytes bytes = written(source, 1);
    const Bytes expected = expectedAllKinds(name);
    ASSERT_EQ(bytes, expected);
    // The same digest in the 64-bit and the 32-bit build: the bytes do not
    // depend on the build.
    EXPECT_EQ(fnv1a(bytes), 0x80aa57883f605b14ull);
    // The placeholder is counted but not written.
    EXPECT_EQ(source.getChunkSize(1), bytes.size() + 4);

    ParaSet_c target(kAllKinds, 3, Columns);
    defineAllKinds(target);
    EXPECT_EQ(target.readChunk(bytes.data(), bytes.size(), 2), bytes.size());
    EXPECT_EQ(target.getValue(2, Amount), -250);
    EXPECT_EQ(target.getValue(2, Knob), 1);
    EXPECT_EQ(target.getValue(2, Channel), 16);
    EXPECT_EQ(target.getValue(2, Key), 128);
    EXPECT_EQ(target.getValue(2, Volume), -121);
    EXPECT_EQ(target.getGain(2, Volume), 0.0f);
    EXPECT_TRUE(target.getBool(2, Power));
    std::string text;
    target.getTextString(2, Name, text);
    EXPECT_EQ(text, name);
    for (int i = 0; i < 129; ++i) {
        ASSERT_EQ(target.cell(2, Table)->getFloatBits(i), tableBits(i)) << i;
    }
    EXPECT_EQ(target.getValue(2, Pan), -100);
    EXPECT_EQ(written(target, 2), bytes);
    // Other rows were not touched; rows outside the set are clamped.
    EXPECT_EQ(target.getValue(1, Amount), 0);
    target.readChunk(bytes.data(), bytes.size(), 99);
    EXPECT_EQ(target.getValue(2, Amount), -250);
}

// A text of 319 bytes is stored whole; a longer one (a path in a deep
// folder) is stored empty, never cut into another path, and said once.
TEST(ModelSetChunk, TextsOver319BytesAreStoredEmptyNeverCut) {
    const std::string longText = text319() + "0123456789";
    for (const std::string& stored : {text319(), longText}) {
        ParaSet_c set(kAllKinds, 1, Columns);
        defineAllKinds(set);
        set.setText(0, Name, stored);
        ::testing::internal::CaptureStderr();
        const Bytes bytes = written(set);
        written(set);
        const std::string notices = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(set.getChunkSize(0), bytes.size() + 4);
        ParaSet_c back(kAllKinds, 1, Columns);
        defineAllKinds(back);
        back.readChunk(bytes.data(), bytes.size(), 0);
        std::string text;
        back.getTextString(0, Name, text);
        const bool fits = stored.size() <= 319;
        EXPECT_EQ(text, fits ? stored : "");
        EXPECT_EQ(notices.find(stored) != std::string::npos, !fits) << notices;
        EXPECT_EQ(notices.find(stored), notices.rfind(stored)) << notices;
    }
}

TEST(ModelSetChunk, ShortLongAndLockedReadsAreTolerant) {
    ParaSet_c source(kAllKinds, 1, Columns);
    defineAllKinds(source);
    setNonDefaults(source, 0, "Pad");
    const Bytes full = written(source);

    ParaSet_c target(kAllKinds, 1, Columns);
    defineAllKinds(target);
    target.setValue(0, Version, 500);
    target.setValue(0, Amount, 999);
    target.setValue(0, Knob, 0);
    target.setValue(0, Channel, 3);

    // Ends after the second column: Version and Amount read; Knob and later kept.
    target.readChunk(full.data(), 12 + 8, 0);
    EXPECT_EQ(target.getValue(0, Version), 300);
    EXPECT_EQ(target.getValue(0, Amount), -250);
    EXPECT_EQ(target.getValue(0, Knob), 0);
    EXPECT_EQ(target.getValue(0, Channel), 3);
    // A column whose first word is cut is not reached (not reset either).
    target.setValue(0, Amount, 999);
    target.readChunk(full.data(), 12 + 4 + 3, 0);
    EXPECT_EQ(target.getValue(0, Amount), 999);

    // More entries than columns: the extra ones are ignored.
    ParaSet_c fewer(kAllKinds, 1, 2);
    fewer.columnDefinition(0)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    fewer.columnDefinition(1)->defineNumber("Amount", "", 0.0f, -1000, 1000, 2, 0);
    EXPECT_EQ(fewer.readChunk(full.data(), full.size(), 0), full.size());
    EXPECT_EQ(fewer.getValue(0, Amount), -250);
    // Fewer entries than columns: the set's extra columns keep their values.
    target.setValue(0, Pan, 40);
    const Bytes two = written(fewer);
    target.readChunk(two.data(), two.size(), 0);
    EXPECT_EQ(target.getValue(0, Pan), 40);

    // Unknown option text selects the default.
    Bytes unknown = full;
    std::memcpy(&unknown[12 + 8 + 4], "Spiral  ", 8);
    target.readChunk(unknown.data(), unknown.size(), 0);
    EXPECT_EQ(target.getValue(0, Knob), 0);

    // While read-locked nothing changes.
    ParaSet_c locked(kAllKinds, 1, Columns);
    defineAllKinds(locked);
    locked.lockReads(true);
    EXPECT_EQ(locked.readChunk(full.data(), full.size(), 0), full.size());
    EXPECT_EQ(locked.getValue(0, Amount), 0);
    locked.resetAll(); // refused too
    locked.lockReads(false);
    locked.readChunk(full.data(), full.size(), 0);
    EXPECT_EQ(locked.getValue(0, Amount), -250);

    // Nothing to read.
    EXPECT_EQ(locked.readChunk(nullptr, 10, 0), 0u);
    EXPECT_EQ(locked.readChunk(full.data(), 5, 0), 5u);
    EXPECT_EQ(locked.getValue(0, Amount), -250);
}

TEST(ModelSetChunk, LengthsInTheBytesAreNeverTrusted) {
    ParaSet_c set(kAllKinds, 1, Columns);
    defineAllKinds(set);

    // A text whose L runs past the end and has no zero: cut at the end, then stop.
    Encoder huge;
    huge.word(static_cast<uint32_t>(kAllKinds)).word(0).word(0);
    huge.word(300).word(5).text("Linear  ").word(2).word(61).word(10).word(1);
    huge.word(0xFFFFFFFFu).raw("Bass");
    Bytes b = huge.finish();
    set.setValue(0, Pan, 33);
    set.readChunk(b.data(), b.size(), 0);
    std::string text;
    set.getTextString(0, Name, text);
    EXPECT_EQ(text, "Bass");
    EXPECT_EQ(set.getValue(0, Key), 61);
    EXPECT_EQ(set.getValue(0, Pan), 33); // not reached

    // A float count larger than the chunk: as many floats as fit, then stop.
    Encoder floats;
    floats.word(static_cast<uint32_t>(kAllKinds)).word(0).word(0);
    floats.word(300).word(5).text("Linear  ").word(2).word(61).word(10).word(1).text("X");
    floats.word(0x40000000u).floatWord(440.0f).floatWord(880.0f);
    b = floats.finish();
    set.readChunk(b.data(), b.size(), 0);
    EXPECT_EQ(set.cell(0, Table)->getFloat(0), 440.0f);
    EXPECT_EQ(set.cell(0, Table)->getFloat(1), 880.0f);
    EXPECT_EQ(set.cell(0, Table)->getFloat(2), 0.0f);
    EXPECT_EQ(set.getValue(0, Pan), 33);

    // More floats than the array holds: the extra ones land on the last element.
    Encoder many;
    many.word(static_cast<uint32_t>(kAllKinds)).word(0).word(0);
    many.word(300).word(5).text("Linear  ").word(2).word(61).word(10).word(1).text("X");
    many.word(131);
    for (int i = 0; i < 131; ++i)
        many.floatWord(static_cast<float>(i));
    many.word(static_cast<uint32_t>(-7));
    b = many.finish();
    set.readChunk(b.data(), b.size(), 0);
    EXPECT_EQ(set.cell(0, Table)->getFloat(127), 127.0f);
    EXPECT_EQ(set.cell(0, Table)->getFloat(128), 130.0f);
    EXPECT_EQ(set.getValue(0, Pan), -7);

    // Out-of-range values are clamped.
    Encoder wild;
    wild.word(static_cast<uint32_t>(kAllKinds)).word(0).word(0);
    wild.word(0x7FFFFFFFu).word(0x80000000u);
    b = wild.finish();
    set.readChunk(b.data(), b.size(), 0);
    EXPECT_EQ(set.getValue(0, Version), 9900);
    EXPECT_EQ(set.getValue(0, Amount), -1000);
}

TEST(ModelSetChunk, WritesStayWithinCapacity) {
    ParaSet_c set(kAllKinds, 1, Columns);
    defineAllKinds(set);
    setNonDefaults(set, 0, "Strings");
    const size_t exact = written(set).size();
    for (size_t capacity : {size_t{0}, size_t{11}, size_t{12}, exact / 2, exact - 1}) {
        Bytes buffer(exact + 16, 0xAB);
        EXPECT_EQ(set.writeChunk(buffer.data(), capacity, 0), 0u) << capacity;
        for (size_t i = capacity; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xAB) << "capacity " << capacity << " byte " << i;
    }
    Bytes buffer(exact);
    EXPECT_EQ(set.writeChunk(buffer.data(), exact, 0), exact);
    EXPECT_EQ(set.writeChunk(nullptr, 100, 0), 0u);

    ParaSet_c invalid(kAllKinds, 0, 3);
    EXPECT_FALSE(invalid.isValid());
    EXPECT_EQ(invalid.getChunkSize(0), 0u);
    EXPECT_EQ(invalid.writeChunk(buffer.data(), buffer.size(), 0), 0u);
    EXPECT_EQ(invalid.readChunk(buffer.data(), buffer.size(), 0), 0u);
}

TEST(ModelSetChunk, CopiedRowsOwnTheirStorage) {
    ParaSet_c set(kAllKinds, 3, Columns);
    defineAllKinds(set);
    setNonDefaults(set, 0, "Row zero");
    set.copyRowZeroToAll();
    EXPECT_TRUE(set.isDefined());
    set.setText(1, Name, "Row one");
    set.cell(1, Table)->setFloat(5, 99.0f);
    std::string text;
    set.getTextString(0, Name, text);
    EXPECT_EQ(text, "Row zero");
    set.getTextString(2, Name, text);
    EXPECT_EQ(text, "Row zero");
    EXPECT_EQ(set.cell(0, Table)->getFloatBits(5), tableBits(5));
    EXPECT_EQ(set.cell(2, Table)->getFloatBits(5), tableBits(5));
    EXPECT_EQ(written(set, 2), written(set, 0));
    // Copying again replaces what the rows held (no leak, no double free).
    set.copyRowZeroToAll();
    set.getTextString(1, Name, text);
    EXPECT_EQ(text, "Row zero");

    // Row and column arguments: rows outside answer nothing, columns clamp.
    EXPECT_EQ(set.getRowParameters(3), nullptr);
    EXPECT_EQ(set.getRowParameters(-1), nullptr);
    EXPECT_EQ(set.getRowParameters(1), set.cell(1, 0));
    EXPECT_EQ(set.getValue(7, Amount), 0);
    EXPECT_EQ(set.getValue(0, -5), 300);
    set.setValue(0, 500, 50); // the last column, the placeholder: no effect on others
    EXPECT_EQ(set.getValue(0, Pan), -100);
}
