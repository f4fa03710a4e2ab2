// The FXP program file: exact header bytes, identity round trips, and the
// files the reader must refuse.
#include "framework/synth/FxpFormat.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
const char kIds[] = "HRVK,HRVO";

Bytes someChunk(size_t n) {
    Bytes chunk(n);
    for (size_t i = 0; i < n; ++i)
        chunk[i] = static_cast<uint8_t>(i * 7 + 3);
    return chunk;
}

uint32_t bigEndianAt(const Bytes& b, size_t at) {
    return (static_cast<uint32_t>(b[at]) << 24) | (static_cast<uint32_t>(b[at + 1]) << 16) |
           (static_cast<uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

void putBigEndianAt(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

fxp::DecodeResult decode(const Bytes& file, fxp::ProgramFile& out) {
    return fxp::decodeProgramFile(file.data(), file.size(), kIds, out);
}

} // namespace

TEST(ChunksFxp, HeaderIsBigEndianAsTheFormatSays) {
    const Bytes chunk = someChunk(40);
    const Bytes file = fxp::encodeProgramFile(fxp::fourCharCode("HRVK"), "Warm Pad", chunk.data(), chunk.size());
    ASSERT_EQ(file.size(), 100u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
    EXPECT_EQ(bigEndianAt(file, 4), 92u); // the file's length - 8
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "FPCh");
    EXPECT_EQ(bigEndianAt(file, 12), 1u);
    EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "HRVK");
    EXPECT_EQ(bigEndianAt(file, 20), 1u);
    EXPECT_EQ(bigEndianAt(file, 24), 1u);
    EXPECT_EQ(std::string(file.begin() + 28, file.begin() + 36), "Warm Pad");
    for (size_t i = 36; i < 56; ++i)
        EXPECT_EQ(file[i], 0) << i;
    EXPECT_EQ(bigEndianAt(file, 56), 40u);
    EXPECT_EQ(Bytes(file.begin() + 60, file.end()), chunk);
}

TEST(ChunksFxp, EncodeThenDecodeIsAnIdentity) {
    for (size_t n : {1u, 4u, 333u, 70000u}) {
        const Bytes chunk = someChunk(n);
        const Bytes file = fxp::encodeProgramFile(fxp::fourCharCode("HRVK"), "Bass 1", chunk.data(), chunk.size());
        fxp::ProgramFile program;
        ASSERT_EQ(decode(file, program), fxp::DecodeResult::Ok) << n;
        EXPECT_EQ(program.chunk, chunk);
        EXPECT_EQ(program.name, "Bass 1");
        EXPECT_EQ(program.pluginId, fxp::fourCharCode("HRVK"));
        EXPECT_EQ(fxp::encodeProgramFile(program.pluginId, program.name, program.chunk.data(), program.chunk.size()),
                  file);
    }
}

TEST(ChunksFxp, LongNamesAreCutToTwentySevenCharacters) {
    const std::string name(319, 'n');
    const Bytes chunk = someChunk(8);
    const Bytes file = fxp::encodeProgramFile(fxp::fourCharCode("HRVK"), name, chunk.data(), chunk.size());
    ASSERT_EQ(file.size(), 68u);
    EXPECT_EQ(file[28 + 26], 'n');
    EXPECT_EQ(file[28 + 27], 0);
    EXPECT_EQ(bigEndianAt(file, 56), 8u);
    fxp::ProgramFile program;
    ASSERT_EQ(decode(file, program), fxp::DecodeResult::Ok);
    EXPECT_EQ(program.name, std::string(27, 'n'));
    EXPECT_TRUE(fxp::encodeProgramFile(1, "x", chunk.data(), 0).empty());
    EXPECT_TRUE(fxp::encodeProgramFile(1, "x", nullptr, 8).empty());
}

TEST(ChunksFxp, AcceptsTheListedIdentifiersInEitherByteOrder) {
    const Bytes chunk = someChunk(12);
    Bytes file = fxp::encodeProgramFile(fxp::fourCharCode("HRVK"), "p", chunk.data(), chunk.size());
    fxp::ProgramFile program;
    for (const char* id : {"HRVK", "KVRH", "HRVO", "OVRH"}) {
        std::copy(id, id + 4, file.begin() + 16);
        EXPECT_EQ(decode(file, program), fxp::DecodeResult::Ok) << id;
    }
    for (const char* id : {"XXXX", "HRVX", "VKHR", "hrvk"}) {
        std::copy(id, id + 4, file.begin() + 16);
        EXPECT_EQ(decode(file, program), fxp::DecodeResult::ForeignPlugin) << id;
    }
    const uint8_t hrvk[4] = {'H', 'R', 'V', 'K'};
    EXPECT_FALSE(fxp::identifierAccepted(hrvk, ""));
    EXPECT_FALSE(fxp::identifierAccepted(hrvk, "HRV,KHRVK"));
    EXPECT_TRUE(fxp::identifierAccepted(hrvk, "ABCD,HRVK"));
}

TEST(ChunksFxp, RefusesBrokenFilesAndLeavesTheResultUntouched) {
    const Bytes chunk = someChunk(16);
    const Bytes good = fxp::encodeProgramFile(fxp::fourCharCode("HRVK"), "keep", chunk.data(), chunk.size());
    struct Case {
        const char* what;
        void (*mutate)(Bytes&);
        fxp::DecodeResult expected;
    };
    const Case cases[] = {
        {"n = 0", [](Bytes& f) { putBigEndianAt(f, 56, 0); }, fxp::DecodeResult::BadChunkSize},
        {"n top bit", [](Bytes& f) { putBigEndianAt(f, 56, 0x80000010u); }, fxp::DecodeResult::BadChunkSize},
        {"n past the file", [](Bytes& f) { putBigEndianAt(f, 56, 17); }, fxp::DecodeResult::BadChunkSize},
        {"n over the limit",
         [](Bytes& f) {
             f.resize(60 + 4000001);
             putBigEndianAt(f, 56, 4000001);
         },
         fxp::DecodeResult::BadChunkSize},
        {"FxCk", [](Bytes& f) { std::copy_n("FxCk", 4, f.begin() + 8); }, fxp::DecodeResult::NotAnOpaqueProgram},
        {"bank", [](Bytes& f) { std::copy_n("FBCh", 4, f.begin() + 8); }, fxp::DecodeResult::NotAnOpaqueProgram},
        {"no CcnK", [](Bytes& f) { std::copy_n("CcnX", 4, f.begin()); }, fxp::DecodeResult::NotAChunkFile},
        {"XXXX", [](Bytes& f) { std::copy_n("XXXX", 4, f.begin() + 16); }, fxp::DecodeResult::ForeignPlugin},
        {"short", [](Bytes& f) { f.resize(59); }, fxp::DecodeResult::TooShort},
        {"header only", [](Bytes& f) { f.resize(60); }, fxp::DecodeResult::BadChunkSize},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        c.mutate(file);
        fxp::ProgramFile program;
        program.name = "untouched";
        program.chunk = {9};
        EXPECT_EQ(decode(file, program), c.expected) << c.what;
        EXPECT_EQ(program.name, "untouched") << c.what;
        EXPECT_EQ(program.chunk, Bytes{9}) << c.what;
    }
    fxp::ProgramFile program;
    EXPECT_EQ(fxp::decodeProgramFile(nullptr, 100, kIds, program), fxp::DecodeResult::TooShort);
}

TEST(ChunksFxp, TheByteSizeFieldIsNotTrusted) {
    // Files written before carry 0 there; a trailing extra byte is ignored.
    const Bytes chunk = someChunk(20);
    Bytes file = fxp::encodeProgramFile(fxp::fourCharCode("HRVO"), "old", chunk.data(), chunk.size());
    putBigEndianAt(file, 4, 0);
    file.push_back(0x55);
    fxp::ProgramFile program;
    ASSERT_EQ(decode(file, program), fxp::DecodeResult::Ok);
    EXPECT_EQ(program.chunk, chunk);
}
