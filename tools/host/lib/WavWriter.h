#pragma once
// Streams a stereo WAV file through an OutputFile: for a regular file the
// samples go to a temporary file beside the target and finish() fills in the
// sizes and renames it over the target, so the target is either the old file
// or the complete new one; a writer destroyed before finish() removes its
// temporary file. A device or FIFO is written as a stream whose header holds
// the sizes announced to open().
#include "tools/host/lib/OutputFile.h"
#include "tools/host/lib/WavFormat.h"
#include <cstddef>
#include <cstdint>
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
    // expectedFrames: the frames that will be written, for the header of a
    // stream (kUnknownFrames writes the streaming convention's largest sizes;
    // a stream then may hold any number). Refused when the file would pass
    // the format's 4 GiB limit.
    static constexpr uint64_t kUnknownFrames = UINT64_MAX;
    bool open(const std::string& path, int sampleRate, WavSampleFormat format, std::string& error,
              uint64_t expectedFrames = kUnknownFrames);
    bool write(const float* left, const float* right, std::size_t frames, std::string& error);
    // complete() then publish().
    bool finish(std::string& error);
    // The last samples and the sizes written, the file flushed to disk (or
    // the stream closed); a temporary file is not yet renamed.
    bool complete(std::string& error);
    // Renames the completed temporary file over the target (OutputFile::publish).
    bool publish(std::string& error) { return file_.publish(error); }

    uint64_t framesWritten() const { return frames_; }
    bool toStandardOutput() const { return file_.isStandardOutput(); }
    bool isStream() const { return file_.isStream(); }
    int descriptor() const { return file_.descriptor(); }

private:
    std::vector<uint8_t> header(uint64_t frames) const;
    bool flush(std::string& error);

    OutputFile file_;
    bool open_ = false;
    uint64_t expectedFrames_ = kUnknownFrames;
    int sampleRate_ = 0;
    WavSampleFormat format_ = WavSampleFormat::Pcm24;
    uint64_t frames_ = 0;
    std::vector<uint8_t> buffer_;
};

// The size of a WAV file of that many stereo frames, header included.
uint64_t wavFileBytes(uint64_t frames, WavSampleFormat format);
// Whether its RIFF size field can hold it (the format's 4 GiB limit).
bool wavFileFits(uint64_t frames, WavSampleFormat format);

// 24-bit code of a sample: clipped to ±1, scaled by 2^23 − 1, rounded half
// away from zero; NaN gives 0.
int32_t pcm24FromSample(float sample);

} // namespace kelvanti_host
