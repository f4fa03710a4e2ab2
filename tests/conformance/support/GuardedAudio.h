#pragma once
// Process buffers the way a careful host checks them: outputs start as NaN so
// a channel left unwritten shows, guard samples around every channel catch
// writes outside the block, and the written samples must be finite and normal.
#include <string>
#include <vector>

namespace conformance {

class GuardedAudio {
public:
    GuardedAudio(int inputs, int outputs, int maxFrames);

    float** inputs() { return inputPointers_.data(); }
    float** outputs() { return outputPointers_.data(); }
    int maxFrames() const { return maxFrames_; }

    // Refills outputs with NaN and guards with their pattern before a block.
    void arm(int frames);
    // The first fault of the block just processed: a guard touched, a sample
    // left unwritten, not finite or subnormal. Empty when clean.
    std::string fault(int frames) const;
    // Largest magnitude of the block just processed (0 for a silent block).
    float peak(int frames) const;

private:
    static constexpr int kGuardSamples = 16;
    int maxFrames_;
    std::vector<std::vector<float>> inputChannels_;
    std::vector<std::vector<float>> outputChannels_;
    std::vector<float*> inputPointers_;
    std::vector<float*> outputPointers_;
};

} // namespace conformance
