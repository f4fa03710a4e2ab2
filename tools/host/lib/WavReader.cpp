#include "tools/host/lib/WavReader.h"
#include "tools/host/lib/FileBytes.h"
#include <cstring>

namespace kelvanti_host {
namespace {

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t get32(const uint8_t* p) { return static_cast<uint32_t>(get16(p)) | static_cast<uint32_t>(get16(p + 2)) << 16; }

bool fail(std::string& error, const std::string& what) {
    error = "WAV: " + what;
    return false;
}

} // namespace

bool parseWav(const uint8_t* data, std::size_t size, WavAudio& audio, std::string& error) {
    audio = WavAudio{};
    if (data == nullptr || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return fail(error, "no RIFF/WAVE header");
    const uint8_t* format = nullptr;
    const uint8_t* samples = nullptr;
    std::size_t sampleBytes = 0;
    std::size_t pos = 12;
    while (size - pos >= 8) {
        const uint8_t* chunk = data + pos;
        const uint32_t length = get32(chunk + 4);
        pos += 8;
        if (length > size - pos) return fail(error, "chunk length " + std::to_string(length) + " runs past the end");
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) return fail(error, "\"fmt \" chunk of " + std::to_string(length) + " bytes");
            format = data + pos;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            samples = data + pos;
            sampleBytes = length;
        }
        pos += length;
        if (length % 2 != 0 && pos < size) ++pos;  // chunks are padded to even sizes
    }
    if (format == nullptr) return fail(error, "no \"fmt \" chunk");
    if (samples == nullptr) return fail(error, "no \"data\" chunk");

    const uint16_t tag = get16(format);
    const int channels = get16(format + 2);
    const uint32_t sampleRate = get32(format + 4);
    const uint16_t blockAlign = get16(format + 12);
    const uint16_t bits = get16(format + 14);
    if (tag == kWavTagPcm && bits == 24) {
        audio.format = WavSampleFormat::Pcm24;
    } else if (tag == kWavTagFloat && bits == 32) {
        audio.format = WavSampleFormat::Float32;
    } else {
        return fail(error, "format tag " + std::to_string(tag) + " with " + std::to_string(bits) +
                               " bits (24-bit PCM or 32-bit float expected)");
    }
    if (channels == 0 || blockAlign != channels * bits / 8) return fail(error, "inconsistent channels and block size");
    if (sampleRate == 0 || sampleRate > 0x7FFFFFFF) return fail(error, "sample rate " + std::to_string(sampleRate));
    if (sampleBytes % blockAlign != 0) return fail(error, "data size is not a whole number of frames");

    audio.channels = channels;
    audio.sampleRate = static_cast<int>(sampleRate);
    const std::size_t count = sampleBytes / (bits / 8);
    audio.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (audio.format == WavSampleFormat::Pcm24) {
            const uint8_t* p = samples + i * 3;
            // Sign-extend the 24-bit code through the top of a 32-bit word.
            const uint32_t shifted = static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                     static_cast<uint32_t>(p[2]) << 24;
            const int32_t code = static_cast<int32_t>(shifted) >> 8;
            audio.samples[i] = static_cast<float>(code / 8388607.0);
        } else {
            const uint32_t bitsValue = get32(samples + i * 4);
            std::memcpy(&audio.samples[i], &bitsValue, sizeof bitsValue);
        }
    }
    return true;
}

bool readWav(const std::string& path, WavAudio& audio, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, kMaxWavFileBytes, bytes, error)) return false;
    if (!parseWav(bytes.data(), bytes.size(), audio, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace kelvanti_host
