#include "tools/host/lib/WavWriter.h"
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

int32_t pcm24FromSample(float sample) {
    if (std::isnan(sample)) return 0;
    const double clipped = sample > 1.0f ? 1.0 : sample < -1.0f ? -1.0 : static_cast<double>(sample);
    return static_cast<int32_t>(std::lround(clipped * kPcm24Scale));
}

WavWriter::~WavWriter() { discard(); }

void WavWriter::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        ::unlink(temporaryPath_.c_str());
    }
}

bool WavWriter::open(const std::string& path, int sampleRate, WavSampleFormat format, std::string& error) {
    discard();
    if (sampleRate <= 0) {
        error = "WAV sample rate must be positive";
        return false;
    }
    static std::atomic<unsigned> counter{0};
    path_ = path;
    temporaryPath_ = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = systemError("cannot create", temporaryPath_);
        return false;
    }
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        error = systemError("cannot open", temporaryPath_);
        ::close(fd);
        ::unlink(temporaryPath_.c_str());
        return false;
    }
    sampleRate_ = sampleRate;
    format_ = format;
    frames_ = 0;
    return writeHeader(error);  // sizes 0 for now; finish() rewrites it
}

bool WavWriter::writeHeader(std::string& error) {
    const uint32_t sampleBytes = static_cast<uint32_t>(bytesPerSample(format_));
    const uint32_t frameBytes = sampleBytes * kChannels;
    const uint32_t dataBytes = static_cast<uint32_t>(frames_ * frameBytes);
    const bool isFloat = format_ == WavSampleFormat::Float32;
    std::vector<uint8_t> header;
    putId(header, "RIFF");
    put32(header, static_cast<uint32_t>(headerSize(format_) - 8 + dataBytes));
    putId(header, "WAVE");
    putId(header, "fmt ");
    put32(header, isFloat ? 18 : 16);
    put16(header, isFloat ? kWavTagFloat : kWavTagPcm);
    put16(header, kChannels);
    put32(header, static_cast<uint32_t>(sampleRate_));
    put32(header, static_cast<uint32_t>(sampleRate_) * frameBytes);
    put16(header, frameBytes);
    put16(header, sampleBytes * 8);
    if (isFloat) {
        put16(header, 0);  // no format extension
        putId(header, "fact");
        put32(header, 4);
        put32(header, static_cast<uint32_t>(frames_));
    }
    putId(header, "data");
    put32(header, dataBytes);
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        error = systemError("cannot write", temporaryPath_);
        return false;
    }
    return true;
}

bool WavWriter::write(const float* left, const float* right, std::size_t frames, std::string& error) {
    if (file_ == nullptr) {
        error = "WAV writer is not open";
        return false;
    }
    const uint64_t frameBytes = static_cast<uint64_t>(bytesPerSample(format_)) * kChannels;
    if ((frames_ + frames) * frameBytes + headerSize(format_) - 8 > UINT32_MAX) {
        error = "WAV file " + path_ + " would exceed 4 GiB";
        return false;
    }
    buffer_.clear();
    buffer_.reserve(frames * frameBytes);
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
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        error = systemError("cannot write", temporaryPath_);
        return false;
    }
    frames_ += frames;
    return true;
}

bool WavWriter::finish(std::string& error) {
    if (file_ == nullptr) {
        error = "WAV writer is not open";
        return false;
    }
    if (!writeHeader(error)) return false;
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
        error = systemError("cannot write", temporaryPath_);
        return false;
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0 || std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        error = closed != 0 ? systemError("cannot write", temporaryPath_) : systemError("cannot replace", path_);
        ::unlink(temporaryPath_.c_str());
        return false;
    }
    return true;
}

} // namespace kelvanti_host
