#include "tools/host/lib/RenderSummary.h"
#include <cmath>
#include <cstdio>

namespace kelvanti_host {

void LevelMeter::add(const float* left, const float* right, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        for (const float sample : {left[i], right[i]}) {
            const float magnitude = std::fabs(sample);
            if (magnitude > peak_ || std::isnan(sample)) peak_ = magnitude;  // NaN must show, not hide
            sumOfSquares_ += static_cast<double>(sample) * sample;
            overFullScale_ += magnitude > 1.0f ? 1 : 0;
        }
    }
    frames_ += frames;
}

double LevelMeter::rms() const {
    return frames_ == 0 ? 0.0 : std::sqrt(sumOfSquares_ / (2.0 * static_cast<double>(frames_)));
}

std::string formatDecibels(double linear) {
    if (std::isnan(linear)) return "nan";
    if (!(linear > 0.0)) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", 20.0 * std::log10(linear));
    return text;
}

std::string formatRenderSummary(const RenderSummary& s) {
    char speed[32];
    if (s.wallSeconds > 0.0)
        std::snprintf(speed, sizeof speed, "%.1fx real time", s.audioSeconds / s.wallSeconds);
    else
        std::snprintf(speed, sizeof speed, "real time factor unmeasured");
    char voices[48];
    if (s.voicesUsed >= 0)
        std::snprintf(voices, sizeof voices, "%d voice%s (notes at once)", s.voicesUsed, s.voicesUsed == 1 ? "" : "s");
    else
        std::snprintf(voices, sizeof voices, "voices n/a");
    char text[256];
    std::snprintf(text, sizeof text, ": %.2f s, peak %s dBFS, RMS %s dBFS, %s, %s", s.audioSeconds,
                  formatDecibels(s.peak).c_str(), formatDecibels(s.rms).c_str(), voices, speed);
    std::string line = s.outputPath + text;
    if (s.clips && s.samplesOverFullScale > 0) {
        char clipped[128];
        std::snprintf(clipped, sizeof clipped, "; CLIPPED: %llu sample%s above full scale, peak %s dB over",
                      static_cast<unsigned long long>(s.samplesOverFullScale), s.samplesOverFullScale == 1 ? "" : "s",
                      formatDecibels(s.peak).c_str());
        line += clipped;
    }
    return line;
}

} // namespace kelvanti_host
