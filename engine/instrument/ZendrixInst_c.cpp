#include "engine/instrument/ZendrixInst_c.h"

void ZendrixInst_c::setup(Synth* synth, int32_t index, Part_c* globals, InBuffer2_c* outputBus) {
    setHost(synth, index, kVoices, false);
    outputBus_ = outputBus;
    globalsRow_ = globals ? globals->getRowParameters(index, 0) : nullptr;
}
