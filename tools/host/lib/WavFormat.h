#pragma once
// The two WAV sample formats the renderer writes (and the test reader reads).
#include <cstdint>

namespace kelvanti_host {

enum class WavSampleFormat {
    Pcm24,    // format tag 1, 24-bit signed integers, clipped to ±1
    Float32,  // format tag 3, IEEE 754 single precision, with a "fact" chunk
};

constexpr uint16_t kWavTagPcm = 1;
constexpr uint16_t kWavTagFloat = 3;

} // namespace kelvanti_host
