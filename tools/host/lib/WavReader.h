#pragma once
// Reads the WAV files the renderer writes (24-bit PCM or 32-bit float, any
// channel count), so tests can measure them. Every chunk length is checked
// against the bytes that remain.
#include "tools/host/lib/WavFormat.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

struct WavAudio {
    WavSampleFormat format = WavSampleFormat::Pcm24;
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;  // interleaved; 24-bit codes scaled by 1 / (2^23 − 1)

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    float sample(std::size_t frame, int channel) const {
        return samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    }
};

constexpr std::size_t kMaxWavFileBytes = std::size_t{1} << 30;

bool parseWav(const uint8_t* data, std::size_t size, WavAudio& audio, std::string& error);
bool readWav(const std::string& path, WavAudio& audio, std::string& error);

} // namespace kelvanti_host
