#pragma once
// Base of the sound sources (oscillator, noise). A render call renders the
// source once, or, with a detune spread, as up to five copies at slightly
// different pitches; each copy goes through one of three render variants
// chosen by the output mode. Audio thread only; the gate arrays are borrowed.
#include "framework/model/Part_c.h"
#include <cstdint>

class Generator_c : public Part_c {
public:
    static constexpr int kMaxCopies = 5;

    // Every render result is AND-ed with resultMask.
    explicit Generator_c(bool resultMask) : resultMask_(resultMask) {}

    // Output mode 0, 1 or 2 selects the first, third or second render variant.
    void setOutputMode(int mode);
    // Per copy one gate byte per 8 samples; null for none.
    void setGateArray(uint8_t* const* gates) { gates_ = gates; }
    void setClearGates(bool on) { clearGates_ = on; }
    void setDetuneSpread(float spread) { detuneSpread_ = spread; }
    // 3 or 5 copies when detuned.
    void setCopyCount(int count) { copyCount_ = count == 3 ? 3 : kMaxCopies; }

    virtual bool render(int n);
    // Copies 0, 1, 2 (and 3, 4 with five copies) at their pitch factors;
    // answers copy 1's result.
    bool renderDetuned(int n, float spread);
    bool renderMode(int n, int copy);

    // Pitch factor of the copy being rendered (1 outside detuned rendering).
    float pitchFactor() const { return pitchFactor_; }
    int outputMode() const { return mode_; }

    // Frequency in Hz of a fractional key through the attached tuning table;
    // 440 Hz without one.
    float getNoteFrequency(float key) const;

protected:
    virtual bool renderFirst(int /*n*/, int /*copy*/) { return false; }
    virtual bool renderSecond(int /*n*/, int /*copy*/) { return false; }
    virtual bool renderThird(int /*n*/, int /*copy*/) { return false; }

private:
    bool resultMask_;
    int mode_ = 0;
    uint8_t* const* gates_ = nullptr;
    bool clearGates_ = false;
    float detuneSpread_ = 0.0f;
    float pitchFactor_ = 1.0f;
    int copyCount_ = kMaxCopies;
};
