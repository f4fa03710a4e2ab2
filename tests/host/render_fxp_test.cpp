// The chunk preset file: the exact bytes written, the round trip, and every
// size field checked against the bytes there are.
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/FileBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/support/RenderRun.h"

namespace {

using namespace kelvanti_host;

ChunkPreset samplePreset() {
    ChunkPreset preset;
    preset.pluginId = 0x4852564B;   // HRVK
    preset.pluginVersion = 1100;
    preset.numParams = 26;
    preset.programName = "Basic Kit";
    preset.chunk = {1, 2, 3, 4, 5};
    return preset;
}

bool parses(const std::vector<uint8_t>& bytes, ChunkPreset& preset, std::string& error) {
    return parseChunkPreset(bytes.data(), bytes.size(), preset, error);
}

TEST(FxpFile, WritesTheBigEndianHeaderAndReadsItBack) {
    const std::vector<uint8_t> bytes = chunkPresetBytes(samplePreset());
    ASSERT_EQ(bytes.size(), 65u);
    const std::vector<uint8_t> header = {'C', 'c', 'n', 'K', 0, 0, 0, 57,  'F', 'P', 'C', 'h', 0, 0, 0, 1,
                                         'H', 'R', 'V', 'K', 0, 0, 4, 0x4C, 0,   0,   0,   26};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "Basic Kit");
    for (std::size_t i = 28 + 9; i < 56; ++i) EXPECT_EQ(bytes[i], 0) << i;   // the name field is zero-filled
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 56, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 5, 1, 2, 3, 4, 5}));

    ChunkPreset read;
    std::string error;
    ASSERT_TRUE(parses(bytes, read, error)) << error;
    EXPECT_EQ(read.pluginId, 0x4852564B);
    EXPECT_EQ(read.pluginVersion, 1100);
    EXPECT_EQ(read.numParams, 26);
    EXPECT_EQ(read.programName, "Basic Kit");
    EXPECT_EQ(read.chunk, samplePreset().chunk);
}

TEST(FxpFile, LongNamesAreCutAndEmptyChunksAllowed) {
    ChunkPreset preset = samplePreset();
    preset.programName = std::string(40, 'x');
    preset.chunk.clear();
    const std::vector<uint8_t> bytes = chunkPresetBytes(preset);
    ASSERT_EQ(bytes.size(), kFxpHeaderBytes);
    EXPECT_EQ(bytes[28 + 26], 'x');
    EXPECT_EQ(bytes[28 + 27], 0);   // the terminator always fits
    ChunkPreset read;
    std::string error;
    ASSERT_TRUE(parses(bytes, read, error)) << error;
    EXPECT_EQ(read.programName, std::string(27, 'x'));
    EXPECT_TRUE(read.chunk.empty());

    // A name field without a terminator (written by another host) still reads 27 characters.
    std::vector<uint8_t> unterminated = bytes;
    unterminated[28 + 27] = 'y';
    ASSERT_TRUE(parses(unterminated, read, error)) << error;
    EXPECT_EQ(read.programName, std::string(27, 'x'));
}

TEST(FxpFile, SizesAndMagicsAreChecked) {
    const std::vector<uint8_t> good = chunkPresetBytes(samplePreset());
    struct Case {
        const char* what;
        std::size_t at;           // byte to change (or the new size, for resize cases)
        std::vector<uint8_t> put; // empty: cut the file to `at` bytes
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"empty", 0, {}, "too short"},
        {"header only in part", 59, {}, "too short"},
        {"chunk cut short", 64, {}, "chunk size 5 exceeds the 4 bytes"},
        {"chunk size far too large", 56, {0xFF, 0xFF, 0xFF, 0xFF}, "chunk size 4294967295 exceeds"},
        {"header size larger than the file", 4, {0, 0, 0, 58}, "header size 58 does not fit"},
        {"header size smaller than the chunk", 4, {0, 0, 0, 56}, "header size 56 does not fit"},
        {"header size huge", 4, {0xFF, 0xFF, 0xFF, 0xF0}, "does not fit"},
        {"no CcnK", 0, {'C', 'c', 'n', 'k'}, "no 'CcnK'"},
        {"a parameter preset", 8, {'F', 'x', 'C', 'k'}, "only 'FPCh'"},
        {"a bank file", 8, {'F', 'B', 'C', 'h'}, "not a chunk preset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        if (c.put.empty())
            bytes.resize(c.at);
        else
            std::copy(c.put.begin(), c.put.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.at));
        ChunkPreset read;
        read.programName = "untouched";
        std::string error;
        EXPECT_FALSE(parses(bytes, read, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    // Bytes after the chunk that the header size covers are tolerated, not read.
    std::vector<uint8_t> padded = good;
    padded.push_back(0xAA);
    padded[7] = 58;
    ChunkPreset read;
    std::string error;
    ASSERT_TRUE(parses(padded, read, error)) << error;
    EXPECT_EQ(read.chunk, samplePreset().chunk);
}

TEST(FxpFile, FilesAreReplacedWholeThroughATemporaryFile) {
    render_run::ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string path = folder.file("a.fxp");
    ASSERT_TRUE(render_run::writeFile(path, {'o', 'l', 'd'}));
    std::string error;
    ASSERT_TRUE(writeChunkPreset(path, samplePreset(), error)) << error;
    ChunkPreset read;
    ASSERT_TRUE(readChunkPreset(path, read, error)) << error;
    EXPECT_EQ(read.programName, "Basic Kit");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.fxp"});

    EXPECT_FALSE(writeChunkPreset(folder.file("missing/b.fxp"), samplePreset(), error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(readChunkPreset(folder.file("missing.fxp"), read, error));
    EXPECT_EQ(error.rfind(folder.file("missing.fxp") + ": ", 0), 0u) << error;
    ASSERT_TRUE(render_run::writeFile(path, {'C', 'c', 'n', 'K'}));
    EXPECT_FALSE(readChunkPreset(path, read, error));
    EXPECT_EQ(error, path + ": too short for a preset file (4 bytes)");
}

} // namespace
