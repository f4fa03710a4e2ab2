#include "tests/conformance/support/GuardedAudio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace conformance {
namespace {

// A bit pattern no plug-in writes by accident (a NaN with a payload).
constexpr std::uint32_t kGuardBits = 0x7FC0BEEFu;

float guardValue() {
    float value;
    std::memcpy(&value, &kGuardBits, sizeof value);
    return value;
}

bool isGuard(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kGuardBits;
}

} // namespace

GuardedAudio::GuardedAudio(int inputs, int outputs, int maxFrames) : maxFrames_(maxFrames) {
    const std::size_t length = static_cast<std::size_t>(maxFrames + 2 * kGuardSamples);
    inputChannels_.assign(static_cast<std::size_t>(inputs), std::vector<float>(length, 0.0f));
    outputChannels_.assign(static_cast<std::size_t>(outputs), std::vector<float>(length, 0.0f));
    for (auto& channel : inputChannels_) inputPointers_.push_back(channel.data() + kGuardSamples);
    for (auto& channel : outputChannels_) outputPointers_.push_back(channel.data() + kGuardSamples);
    inputPointers_.push_back(nullptr);    // never an empty table
    outputPointers_.push_back(nullptr);
}

void GuardedAudio::arm(int frames) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (auto& channel : outputChannels_) {
        std::fill(channel.begin(), channel.end(), guardValue());
        std::fill(channel.begin() + kGuardSamples, channel.begin() + kGuardSamples + frames, nan);
    }
    for (auto& channel : inputChannels_) std::fill(channel.begin(), channel.end(), 0.0f);
}

std::string GuardedAudio::fault(int frames) const {
    for (std::size_t c = 0; c < outputChannels_.size(); ++c) {
        const std::vector<float>& channel = outputChannels_[c];
        const std::string where = "output " + std::to_string(c);
        for (std::size_t i = 0; i < channel.size(); ++i) {
            const bool inBlock = i >= kGuardSamples && i < static_cast<std::size_t>(kGuardSamples + frames);
            if (!inBlock) {
                if (!isGuard(channel[i])) return where + " written outside the block of " + std::to_string(frames);
                continue;
            }
            const float sample = channel[i];
            const std::string at = where + " sample " + std::to_string(i - kGuardSamples) + " of " +
                                   std::to_string(frames);
            if (std::isnan(sample)) return at + " is NaN (left unwritten or computed)";
            if (std::isinf(sample)) return at + " is infinite";
            if (std::fpclassify(sample) == FP_SUBNORMAL) return at + " is subnormal";
        }
    }
    return {};
}

float GuardedAudio::peak(int frames) const {
    float largest = 0.0f;
    for (const auto& channel : outputChannels_) {
        for (int i = 0; i < frames; ++i) {
            largest = std::max(largest, std::fabs(channel[static_cast<std::size_t>(kGuardSamples + i)]));
        }
    }
    return largest;
}

} // namespace conformance
