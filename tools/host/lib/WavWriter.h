#pragma once
// Streams a stereo WAV file. Samples go to a temporary file beside the
// target; finish() fills in the sizes and renames it over the target, so the
// target is either the old file or the complete new one. A writer destroyed
// before finish() removes its temporary file.
#include "tools/host/lib/WavFormat.h"
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kelvanti_host {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Each call returns false with a one-line error on failure; after a
    // failure only the destructor is useful.
    bool open(const std::string& path, int sampleRate, WavSampleFormat format, std::string& error);
    bool write(const float* left, const float* right, std::size_t frames, std::string& error);
    bool finish(std::string& error);

    uint64_t framesWritten() const { return frames_; }

private:
    bool writeHeader(std::string& error);
    void discard();

    std::string path_;
    std::string temporaryPath_;
    std::FILE* file_ = nullptr;
    int sampleRate_ = 0;
    WavSampleFormat format_ = WavSampleFormat::Pcm24;
    uint64_t frames_ = 0;
    std::vector<uint8_t> buffer_;
};

// 24-bit code of a sample: clipped to ±1, scaled by 2^23 − 1, rounded half
// away from zero; NaN gives 0.
int32_t pcm24FromSample(float sample);

} // namespace kelvanti_host
