// Host requests at the edges: a burst of program changes before the idle
// side runs, values of a part the plug-in does not have, and a stored
// option entry that is empty.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/PluginRig.h"
#include "tests/host/support/BankFolder.h"

namespace {

using pluginrig::Rig;

TEST(ParamsRequests, ABurstOfProgramChangesEndsAtTheLastOne) {
    const bankfolder::Bank& bank = bankfolder::bank();
    ASSERT_TRUE(bank.ok);
    Rig rig;   // before the host claims idle: nothing else drains meanwhile
    auto& p = *rig.plugin;
    ASSERT_EQ(p.program(), 0);
    // A host repeating two changes more often than the idle ring holds
    // records, then asking for the one it means.
    for (int i = 0; i < 800; ++i) p.setProgram(1 + i % 2);
    p.setProgram(7);
    p.dispatch(effIdle);
    EXPECT_EQ(p.program(), 7);
    EXPECT_EQ(p.programName(), bank.names[7]);
}

TEST(ParamsRequests, APartThePluginDoesNotHaveAnswersZero) {
    Rig rig;
    auto& p = *rig.plugin;
    for (int entry : {0, 4, 21}) {
        ASSERT_GT(p.getParameter(entry), 0.0f) << entry;   // the part that exists has a value
        for (int part : {1, 2, 255}) EXPECT_EQ(p.getParameter(part * 256 + entry), 0.0f) << part << " " << entry;
    }
}

// The text entry of column `column` (2 or more: the version word comes first,
// then texts) in the first block tagged `tag` of a program chunk; npos when
// the chunk holds no such entry.
size_t textEntryOffset(const std::vector<uint8_t>& chunk, const char tag[5], int column) {
    auto word = [&](size_t at) {
        uint32_t w = 0;
        std::memcpy(&w, &chunk[at], 4);
        return w;
    };
    const uint32_t wanted = (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16) |
                            (uint32_t(uint8_t(tag[2])) << 8) | uint32_t(uint8_t(tag[3]));
    size_t at = 0;
    while (at + 12 <= chunk.size()) {
        const uint32_t size = word(at + 4);
        if (size < 12 || at + size > chunk.size()) return std::string::npos;
        if (word(at) == wanted) {
            size_t entry = at + 16;   // after the header and the version
            for (int c = 1; c < column; ++c) entry += 4 + word(entry);
            return entry + 4 <= at + size ? entry : std::string::npos;
        }
        at += size;
    }
    return std::string::npos;
}

std::string entryText(const std::vector<uint8_t>& chunk, size_t entry) {
    return std::string(reinterpret_cast<const char*>(&chunk[entry + 4]));
}

TEST(ParamsRequests, AnEmptyStoredOptionEntrySelectsTheFirstEntry) {
    Rig rig;
    auto& p = *rig.plugin;
    std::vector<uint8_t> program = p.getChunk(true);
    // The wave table's "Unused" multiple (entries "1/4", "1/2", " 1 ", ...;
    // default " 1 ") is an option column the instrument never rewrites.
    const size_t entry = textEntryOffset(program, "TM00", 2);
    ASSERT_NE(entry, std::string::npos);
    ASSERT_EQ(entryText(program, entry), " 1 ");
    std::vector<uint8_t> other = program;
    std::memcpy(&other[entry + 4], "1/2", 3);
    std::vector<uint8_t> empty = program;
    std::memset(&empty[entry + 4], 0, 4);

    // Positive control: a stored entry is selected by its text.
    ASSERT_EQ(p.setChunk(other, true), static_cast<VstIntPtr>(other.size()));
    EXPECT_EQ(entryText(p.getChunk(true), entry), "1/2");
    ASSERT_EQ(p.setChunk(empty, true), static_cast<VstIntPtr>(empty.size()));
    EXPECT_EQ(entryText(p.getChunk(true), entry), "1/4");
}

} // namespace
