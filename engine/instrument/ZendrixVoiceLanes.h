#pragma once
// The instrument's voices rendered a slice at a time in vector lanes (see
// dsp::renderToneLanes): each voice's envelopes run on their own, groups of
// up to four voices render their oscillators and noises together into
// arrays of this object, and those are added into the output bus voice by
// voice in slot order, oscillator before noise, so every output sample
// receives the same additions in the same order as when each voice renders
// alone.
//
// Threads: render on the audio thread under the instrument's render locks.
// Ownership: the voices are borrowed (the plug-in's); the scratch is owned
// and sized at construction, so render allocates nothing.
#include "engine/dsp/ToneLanes.h"

#include <cstdint>

class InBuffer2_c;
class ZendrixTone_c;

class ZendrixVoiceLanes {
public:
    // voices[slot] is the voice of voice-table slot `slot`.
    void bind(ZendrixTone_c* voices, int32_t count) {
        voices_ = voices;
        count_ = count;
    }
    // The voice of a slot, or null.
    ZendrixTone_c* voice(int32_t slot) const;

    // One slice of n samples of the voices of `slots` (count of them, in slot
    // order) into `bus`; finished[i] tells whether voice slots[i] has
    // finished. Answers false, having changed nothing, when the slice cannot
    // be rendered this way (the caller then renders each voice itself): no
    // AVX2 kernel, a bus holding more than mono, a slice over 256 samples.
    bool render(const int32_t* slots, int32_t count, int32_t n, InBuffer2_c* bus, bool* finished);

    // Slices rendered this way so far (for tests; audio thread).
    int64_t slicesRendered() const { return slices_; }

private:
    int64_t slices_ = 0;
    ZendrixTone_c* voices_ = nullptr;
    int32_t count_ = 0;
    dsp::ToneLaneGroup group_;
    alignas(32) float oscOut_[dsp::kToneLanes][dsp::kMaxLaneSamples];
    alignas(32) float noiseOut_[dsp::kToneLanes][dsp::kMaxLaneSamples];
};
