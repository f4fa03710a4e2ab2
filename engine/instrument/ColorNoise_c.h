#pragma once
// The noise source of a voice ('GCN0'): coloured noise (see
// dsp::ColouredNoise) whose filter corner follows the key and "Color", set
// at note on from the instrument row. Audio thread only; the amplitude
// array is borrowed from the plug-in.
#include "engine/dsp/ColouredNoise.h"
#include "engine/modules/Generator_c.h"

class ColorNoise_c : public Generator_c {
public:
    enum Column { kVersion = 0, kOffOn, kLevel, kColor, kColumns };

    ColorNoise_c() : Generator_c(false) {}

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("GCN0"); }
    // Nothing happens while the sample rate is not above 1.
    int noteEvent(int row, Note_c note, bool reused, bool legato) override;
    // Adds n samples into the output bus from the bound amplitude array, which
    // must hold a value for every control step that begins within n.
    bool render(int n) override;

    void setAmplitudeSource(const float* amplitude) { amplitude_ = amplitude; }
    // Seeds the generator of the run start positions.
    void seed(uint32_t seed) { noise_.seed(seed); }

    dsp::ColouredNoise& kernel() { return noise_; }

private:
    const float* amplitude_ = nullptr;
    dsp::ColouredNoise noise_;
};
