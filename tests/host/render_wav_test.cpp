#include "tests/host/support/RenderRun.h"
#include "tools/host/lib/WavReader.h"
#include "tools/host/lib/WavWriter.h"
#include <gtest/gtest.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

using namespace kelvanti_host;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

using render_run::ScratchFolder;

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const float kLeft[] = {0.0f, 0.5f, 1.0f, 1.5f, std::numeric_limits<float>::quiet_NaN(), 1e-9f, 0.123456f};
const float kRight[] = {-0.5f, -1.0f, -2.0f, 0.25f, -0.75f, -1e-9f, -0.654321f};
constexpr std::size_t kFrames = std::size(kLeft);

void writeTestFile(const fs::path& path, WavSampleFormat format) {
    WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path.string(), 48000, format, error)) << error;
    // Two writes: the header must count both.
    ASSERT_TRUE(writer.write(kLeft, kRight, 3, error)) << error;
    ASSERT_TRUE(writer.write(kLeft + 3, kRight + 3, kFrames - 3, error)) << error;
    EXPECT_EQ(writer.framesWritten(), kFrames);
    ASSERT_TRUE(writer.finish(error)) << error;
}

} // namespace

TEST(WavFile, Pcm24HeaderBytesClippingAndRoundTrip) {
    ScratchFolder scratch; // each test its own folder, removed after it
    ASSERT_TRUE(scratch.ok());
    const fs::path path = scratch.file("out.wav");
    writeTestFile(path, WavSampleFormat::Pcm24);
    const Bytes bytes = fileBytes(path);
    const uint32_t dataBytes = kFrames * 6;
    const Bytes header = {'R', 'I', 'F', 'F', uint8_t(36 + dataBytes), 0, 0, 0, 'W', 'A', 'V', 'E',
                          'f', 'm', 't', ' ', 16, 0, 0, 0,
                          1, 0, 2, 0,                 // PCM, stereo
                          0x80, 0xBB, 0x00, 0x00,     // 48000 frames per second
                          0x00, 0x65, 0x04, 0x00,     // 288000 bytes per second
                          6, 0, 24, 0,                // 6 bytes per frame, 24 bits
                          'd', 'a', 't', 'a', uint8_t(dataBytes), 0, 0, 0};
    ASSERT_EQ(bytes.size(), header.size() + dataBytes);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44), header);
    // Frame 1: +0.5 -> 0x400000 (4194303.5 rounds up), -1.0 -> -(2^23 - 1) = 0x800001.
    EXPECT_EQ(Bytes(bytes.begin() + 50, bytes.begin() + 56), (Bytes{0x00, 0x00, 0x40, 0x01, 0x00, 0x80}));
    // Frame 2: +1.0 -> 0x7FFFFF, -2.0 clipped to -1.0.
    EXPECT_EQ(Bytes(bytes.begin() + 56, bytes.begin() + 62), (Bytes{0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80}));

    WavAudio audio;
    std::string error;
    ASSERT_TRUE(readWav(path.string(), audio, error)) << error;
    EXPECT_EQ(audio.format, WavSampleFormat::Pcm24);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.sampleRate, 48000);
    ASSERT_EQ(audio.frames(), kFrames);
    const double step = 1.0 / 8388607.0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const float inputs[2] = {kLeft[i], kRight[i]};
        for (int channel = 0; channel < 2; ++channel) {
            const float input = inputs[channel];
            const double expected = std::isnan(input) ? 0.0 : std::fmax(-1.0, std::fmin(1.0, input));
            EXPECT_NEAR(audio.sample(i, channel), expected, step * 0.5 + 1e-7) << i << "/" << channel;
        }
    }
}

TEST(WavFile, FloatHeaderWithFactChunkAndExactData) {
    ScratchFolder scratch; // each test its own folder, removed after it
    ASSERT_TRUE(scratch.ok());
    const fs::path path = scratch.file("out.wav");
    writeTestFile(path, WavSampleFormat::Float32);
    const Bytes bytes = fileBytes(path);
    const uint32_t dataBytes = kFrames * 8;
    const Bytes header = {'R', 'I', 'F', 'F', uint8_t(50 + dataBytes), 0, 0, 0, 'W', 'A', 'V', 'E',
                          'f', 'm', 't', ' ', 18, 0, 0, 0,
                          3, 0, 2, 0,                 // IEEE float, stereo
                          0x80, 0xBB, 0x00, 0x00,     // 48000
                          0x00, 0xDC, 0x05, 0x00,     // 384000 bytes per second
                          8, 0, 32, 0, 0, 0,          // 8 bytes per frame, 32 bits, no extension
                          'f', 'a', 'c', 't', 4, 0, 0, 0, uint8_t(kFrames), 0, 0, 0,
                          'd', 'a', 't', 'a', uint8_t(dataBytes), 0, 0, 0};
    ASSERT_EQ(bytes.size(), header.size() + dataBytes);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 58), header);
    // 0.5f is 0x3F000000, little-endian.
    EXPECT_EQ(Bytes(bytes.begin() + 66, bytes.begin() + 70), (Bytes{0x00, 0x00, 0x00, 0x3F}));

    WavAudio audio;
    std::string error;
    ASSERT_TRUE(readWav(path.string(), audio, error)) << error;
    EXPECT_EQ(audio.format, WavSampleFormat::Float32);
    ASSERT_EQ(audio.frames(), kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) {
        if (std::isnan(kLeft[i])) {
            EXPECT_TRUE(std::isnan(audio.sample(i, 0)));
        } else {
            EXPECT_EQ(audio.sample(i, 0), kLeft[i]) << i;
        }
        EXPECT_EQ(audio.sample(i, 1), kRight[i]) << i;
    }
}

TEST(WavFile, ReplacesTargetOnlyWhenFinished) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.ok());
    const fs::path path = scratch.file("out.wav");
    const fs::path dir = path.parent_path();
    std::ofstream(path) << "old";
    std::string error;
    {
        WavWriter writer;
        ASSERT_TRUE(writer.open(path.string(), 44100, WavSampleFormat::Pcm24, error)) << error;
        ASSERT_TRUE(writer.write(kLeft, kRight, kFrames, error)) << error;
        EXPECT_EQ(fileBytes(path), (Bytes{'o', 'l', 'd'}));  // the target is untouched while writing
    }  // abandoned: the temporary file goes, the target stays
    EXPECT_EQ(fileBytes(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    WavWriter writer;
    ASSERT_TRUE(writer.open(path.string(), 44100, WavSampleFormat::Float32, error)) << error;
    ASSERT_TRUE(writer.finish(error)) << error;
    EXPECT_EQ(fileBytes(path).size(), 58u);  // an empty render is still a valid file
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    WavWriter nowhere;
    EXPECT_FALSE(nowhere.open((dir / "missing" / "out.wav").string(), 44100, WavSampleFormat::Pcm24, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(nowhere.write(kLeft, kRight, 1, error));
}

TEST(WavFile, ReaderRefusesMalformedFiles) {
    ScratchFolder scratch; // each test its own folder, removed after it
    ASSERT_TRUE(scratch.ok());
    const fs::path path = scratch.file("out.wav");
    writeTestFile(path, WavSampleFormat::Pcm24);
    const Bytes good = fileBytes(path);

    auto errorOf = [](const Bytes& bytes) {
        WavAudio audio;
        std::string error;
        EXPECT_FALSE(parseWav(bytes.data(), bytes.size(), audio, error));
        return error;
    };
    Bytes dataTooLong = good;
    dataTooLong[40] += 1;  // the data chunk claims one byte more than there is
    Bytes sixteenBit = good;
    sixteenBit[34] = 16;
    Bytes partialFrame = good;
    partialFrame[40] -= 1;
    partialFrame.pop_back();

    EXPECT_NE(errorOf(dataTooLong).find("runs past the end"), std::string::npos);
    EXPECT_NE(errorOf(sixteenBit).find("16 bits"), std::string::npos);
    EXPECT_NE(errorOf(partialFrame).find("whole number of frames"), std::string::npos);
    EXPECT_NE(errorOf(Bytes(good.begin(), good.begin() + 36)).find("no \"data\" chunk"), std::string::npos);
    for (std::size_t size = 0; size < 44; ++size)
        EXPECT_FALSE(errorOf(Bytes(good.begin(), good.begin() + size)).empty()) << size;
}
