#include "tools/host/lib/WavWriter.h"
#include <cmath>
#include <cstring>

namespace kelvanti_host {
namespace {

constexpr int kChannels = 2;
constexpr double kPcm24Scale = 8388607.0;  // 2^23 − 1: +1.0 and −1.0 map symmetrically

int bytesPerSample(WavSampleFormat format) { return format == WavSampleFormat::Pcm24 ? 3 : 4; }

// Bytes before the sample data: RIFF header, "fmt " chunk (16 bytes for PCM,
// 18 with the empty extension size for float), "fact" for float, "data" header.
std::size_t headerSize(WavSampleFormat format) { return format == WavSampleFormat::Pcm24 ? 44 : 58; }

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void putId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }

constexpr std::size_t kFlushBytes = 1 << 20;   // samples are written in pieces of about this size

} // namespace

int32_t pcm24FromSample(float sample) {
    if (std::isnan(sample)) return 0;
    const double clipped = sample > 1.0f ? 1.0 : sample < -1.0f ? -1.0 : static_cast<double>(sample);
    return static_cast<int32_t>(std::lround(clipped * kPcm24Scale));
}

uint64_t wavFileBytes(uint64_t frames, WavSampleFormat format) {
    return headerSize(format) + frames * static_cast<uint64_t>(bytesPerSample(format)) * kChannels;
}

bool wavFileFits(uint64_t frames, WavSampleFormat format) {
    const uint64_t limit = static_cast<uint64_t>(UINT32_MAX) + 8;   // the RIFF size excludes its first 8 bytes
    return frames <= limit / (static_cast<uint64_t>(bytesPerSample(format)) * kChannels) &&
           wavFileBytes(frames, format) <= limit;
}

WavWriter::~WavWriter() = default;

bool WavWriter::open(const std::string& path, int sampleRate, WavSampleFormat format, std::string& error,
                     uint64_t expectedFrames) {
    open_ = false;
    if (sampleRate <= 0) {
        error = "WAV sample rate must be positive";
        return false;
    }
    if (expectedFrames != kUnknownFrames && !wavFileFits(expectedFrames, format)) {
        error = "WAV file " + path + " would exceed 4 GiB";
        return false;
    }
    if (!file_.prepare(path, error)) return false;
    sampleRate_ = sampleRate;
    format_ = format;
    frames_ = 0;
    expectedFrames_ = expectedFrames;
    buffer_ = header(expectedFrames);   // a file's sizes are filled in by finish()
    open_ = true;
    return true;
}

std::vector<uint8_t> WavWriter::header(uint64_t frames) const {
    const uint32_t sampleBytes = static_cast<uint32_t>(bytesPerSample(format_));
    const uint32_t frameBytes = sampleBytes * kChannels;
    const bool known = frames != kUnknownFrames;
    // A stream of unknown length announces the largest sizes, as streaming tools do.
    const uint32_t dataBytes = known ? static_cast<uint32_t>(frames * frameBytes)
                                     : static_cast<uint32_t>(UINT32_MAX - (headerSize(format_) - 8));
    const uint32_t factFrames = known ? static_cast<uint32_t>(frames) : UINT32_MAX;
    const bool isFloat = format_ == WavSampleFormat::Float32;
    std::vector<uint8_t> out;
    putId(out, "RIFF");
    put32(out, static_cast<uint32_t>(headerSize(format_) - 8 + dataBytes));
    putId(out, "WAVE");
    putId(out, "fmt ");
    put32(out, isFloat ? 18 : 16);
    put16(out, isFloat ? kWavTagFloat : kWavTagPcm);
    put16(out, kChannels);
    put32(out, static_cast<uint32_t>(sampleRate_));
    put32(out, static_cast<uint32_t>(sampleRate_) * frameBytes);
    put16(out, frameBytes);
    put16(out, sampleBytes * 8);
    if (isFloat) {
        put16(out, 0);  // no format extension
        putId(out, "fact");
        put32(out, 4);
        put32(out, factFrames);
    }
    putId(out, "data");
    put32(out, dataBytes);
    return out;
}

bool WavWriter::flush(std::string& error) {
    if (buffer_.empty()) return true;
    const bool written = file_.write(buffer_.data(), buffer_.size(), error);
    buffer_.clear();
    return written;
}

bool WavWriter::write(const float* left, const float* right, std::size_t frames, std::string& error) {
    if (!open_) {
        error = "WAV writer is not open";
        return false;
    }
    if (!wavFileFits(frames_ + frames, format_) ||
        (expectedFrames_ != kUnknownFrames && frames_ + frames > expectedFrames_ && !file_.canRewrite())) {
        error = "WAV file " + file_.path() + " would exceed " +
                (wavFileFits(frames_ + frames, format_) ? "the length in its header" : "4 GiB");
        return false;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        for (const float sample : {left[i], right[i]}) {
            if (format_ == WavSampleFormat::Pcm24) {
                const uint32_t code = static_cast<uint32_t>(pcm24FromSample(sample));
                buffer_.push_back(static_cast<uint8_t>(code));
                buffer_.push_back(static_cast<uint8_t>(code >> 8));
                buffer_.push_back(static_cast<uint8_t>(code >> 16));
            } else {
                uint32_t bits;
                std::memcpy(&bits, &sample, sizeof bits);
                put32(buffer_, bits);
            }
        }
    }
    frames_ += frames;
    return buffer_.size() < kFlushBytes || flush(error);
}

bool WavWriter::finish(std::string& error) { return complete(error) && publish(error); }

bool WavWriter::complete(std::string& error) {
    if (!open_) {
        error = "WAV writer is not open";
        return false;
    }
    open_ = false;
    if (!flush(error)) return false;
    if (file_.canRewrite()) {
        const std::vector<uint8_t> sizes = header(frames_);
        if (!file_.rewrite(0, sizes.data(), sizes.size(), error)) return false;
    } else if (expectedFrames_ != kUnknownFrames && frames_ != expectedFrames_) {
        error = "WAV stream " + file_.path() + " ended after " + std::to_string(frames_) + " of the " +
                std::to_string(expectedFrames_) + " frames its header announced";
        return false;
    }
    return file_.complete(error);
}

} // namespace kelvanti_host
