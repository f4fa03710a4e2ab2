#include "engine/modules/Modulator_c.h"

#include "engine/dsp/EnvelopeSegments.h"

void Modulator_c::setSampleRate(float rate) { Part_c::setSampleRate(rate * 0.125f); }

bool Modulator_c::bindOutputs(dsp::EnvelopeOutputs* outputs) {
    if (!outputs)
        return false;
    outputs_ = outputs;
    *outputs_ = dsp::EnvelopeOutputs{0.0f, 0.0f, dsp::kNoEnd};
    outputsBound();
    return true;
}

void Modulator_c::kill() {
    Part_c::kill();
    if (outputs_)
        dsp::killOutputs(*outputs_, controlRate());
}
