#pragma once
// Base of the envelopes: a modulator whose stages may be curved, drawn as up
// to 32 linear segments (dsp::EnvelopeSegments, kept by the envelope kernel),
// and whose times a modulation value can scale.
#include "engine/dsp/EnvelopeSegments.h"
#include "engine/modules/Modulator_c.h"

class Envelope_c : public Modulator_c {
public:
    // time × about 2^(-4 × clamp(modulation / 2, -1, 1)); never negative.
    static float scaleTime(float time, float modulation) { return dsp::scaleTimeByModulation(time, modulation); }
};
