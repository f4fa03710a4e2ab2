#pragma once
// Level measurement and the one-line summary kelvanti-render prints.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvanti_host {

// Accumulates peak and RMS over every sample of both channels, block by block.
class LevelMeter {
public:
    void add(const float* left, const float* right, std::size_t frames);
    float peak() const { return peak_; }  // largest magnitude
    double rms() const;                   // 0 before any sample
    uint64_t frames() const { return frames_; }
    // Samples (of either channel) beyond full scale: clipped in PCM output.
    uint64_t samplesOverFullScale() const { return overFullScale_; }

private:
    float peak_ = 0.0f;
    uint64_t overFullScale_ = 0;
    double sumOfSquares_ = 0.0;
    uint64_t frames_ = 0;
};

struct RenderSummary {
    std::string outputPath;
    double audioSeconds = 0.0;
    float peak = 0.0f;
    double rms = 0.0;
    // Notes held at once at most, as the host sent them; a plug-in's own
    // voice use is not visible to a host. Negative: unknown ("voices n/a").
    int voicesUsed = 0;
    double wallSeconds = 0.0;  // time the render took
    // PCM output clips what lies beyond full scale; float output keeps it.
    bool clips = false;
    uint64_t samplesOverFullScale = 0;
};

// A level in dB relative to full scale, "-inf" for silence: "-6.0", "-inf".
std::string formatDecibels(double linear);

// "out.wav: 8.00 s, peak -3.1 dBFS, RMS -18.4 dBFS, 12 voices (notes at once), 35.2x real time";
// clipped PCM output adds "; CLIPPED: 1234 samples above full scale, peak 2.3 dB over".
std::string formatRenderSummary(const RenderSummary& summary);

} // namespace kelvanti_host
