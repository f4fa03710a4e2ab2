#pragma once
// The tone source of a voice ('GO11'): two-operator wave-table FM (see
// dsp::FmOscillator). At note on it takes its three tables from the wave
// selectors and its increments, mix and drive from the instrument row; the
// voice then drives it with its timbre, amplitude and pitch arrays.
// Audio thread only; sources and arrays are borrowed from the plug-in.
#include "engine/dsp/FmOscillator.h"
#include "engine/modules/Generator_c.h"

class WaveROM_c;

class ZenOsc_c : public Generator_c {
public:
    enum Column {
        kVersion = 0, kS0OnOff, kDrive, kBalance, kTimbreRange, kBaseRange, kPitchTimbre, kPitchBase,
        kEnvDepth, kSpread, kVelTimbre, kColumns
    };

    ZenOsc_c() : Generator_c(false) {}

    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    SetTypeId getTypeId() const override { return makeSetTypeId("GO11"); }
    int noteEvent(int row, Note_c note, bool reused, bool legato) override;
    // Adds n samples into the output bus from the bound control arrays, which
    // must hold a value for every control step that begins within n.
    bool render(int n) override;

    void setSources(const WaveROM_c* a, const WaveROM_c* b, const WaveROM_c* c, const float* timbre,
                    const float* amplitude, const float* pitch);
    // The multiplier of the modulator while "PitTim" is off and of the
    // carrier while "PitBas" is off: the plug-in's tune ratio.
    void setTuneRatioSource(const std::atomic<float>* ratio) { osc_.setTuneRatioSource(ratio); }
    void setVelocityTimbre(float v) { osc_.setVelocityTimbre(v); }

    dsp::FmOscillator& kernel() { return osc_; }

private:
    const WaveROM_c* sources_[3] = {};
    const float* timbre_ = nullptr;
    const float* amplitude_ = nullptr;
    const float* pitch_ = nullptr;
    dsp::FmOscillator osc_;
};
