// One reading of texts: well-formed UTF-8 as characters, every other byte as
// Windows-1252 on its own; stepping back, cutting and reading forward agree.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "os/TextEncoding.h"

namespace {

// The characters of a text read from the front.
std::vector<uint32_t> codePoints(const std::string& text) {
    std::vector<uint32_t> out;
    for (size_t at = 0; at < text.size();) {
        const os::TextCharacter c = os::characterAt(text, at);
        out.push_back(c.codePoint);
        at += c.length;
    }
    return out;
}

TEST(OsTextEncoding, Utf8IsReadAsCharactersAndEveryOtherByteAsWindows1252) {
    const struct {
        const char* what;
        std::string bytes;
        std::vector<uint32_t> characters;
    } cases[] = {
        {"ascii", "Ab 1", {'A', 'b', ' ', '1'}},
        {"e acute typed", "caf\xC3\xA9", {'c', 'a', 'f', 0xE9}},
        {"e acute stored by Windows", "caf\xE9", {'c', 'a', 'f', 0xE9}},
        {"euro both ways", "\xE2\x82\xAC\x80", {0x20AC, 0x20AC}},
        {"quotes, dash of Windows", "\x93x\x94\x96", {0x201C, 'x', 0x201D, 0x2013}},
        {"unassigned byte", "\x81", {0x81}},
        {"four bytes", "\xF0\x9F\x98\x80!", {0x1F600, '!'}},
        {"overlong slash", "\xC0\xAF", {0xC0, 0xAF}},
        {"surrogate", "\xED\xA0\x80", {0xED, 0xA0, 0x20AC}},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", {0xF4, 0x90, 0x20AC, 0x20AC}},
        {"cut short at the end", "a\xE2\x82", {'a', 0xE2, 0x201A}},
        {"lead before a lead", "\xC3\xC3\xA9", {0xC3, 0xE9}},
        {"copyright signs of Windows", "\xA9\xA9", {0xA9, 0xA9}},
    };
    for (const auto& c : cases) EXPECT_EQ(codePoints(c.bytes), c.characters) << c.what;
    EXPECT_EQ(os::characterAt("a", 1).length, 0u);
    EXPECT_EQ(os::utf8Of(0xE9), "\xC3\xA9");
    EXPECT_EQ(os::utf8Of(0xD800), "");
    EXPECT_EQ(os::utf8Of(0x110000), "");
    EXPECT_EQ(os::utf8Of(0x1F600), "\xF0\x9F\x98\x80");
}

TEST(OsTextEncoding, StepsBackAndCutsLandWhereReadingFromTheFrontDoes) {
    // Texts of random bytes, rich in lead and continuation bytes.
    std::mt19937 random(2024);
    const uint8_t pool[] = {'a', 0x80, 0x8F, 0xA9, 0xBF, 0xC2, 0xC3, 0xE2, 0xED, 0xF0, 0xF4, 0x9F, 0x82};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const size_t length = random() % 12;
        for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(pool[random() % sizeof pool]));
        std::vector<size_t> starts;   // every character's start, and the end
        for (size_t at = 0; at < text.size(); at += os::characterAt(text, at).length) starts.push_back(at);
        starts.push_back(text.size());
        for (size_t i = 1; i < starts.size(); ++i)
            ASSERT_EQ(os::previousCharacterStart(text, starts[i]), starts[i - 1]) << round;
        for (size_t limit = 0; limit <= text.size() + 1; ++limit) {
            size_t expected = 0;
            for (size_t start : starts)
                if (start <= limit) expected = start;
            ASSERT_EQ(os::characterBoundaryAtOrBefore(text, limit), expected) << round << " " << limit;
        }
    }
    EXPECT_EQ(os::previousCharacterStart("", 0), 0u);
}

} // namespace
