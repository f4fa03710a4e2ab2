#pragma once
// The one instrument of the plug-in: an Instrument_c with 24 voices that
// renders into the bus "OutBuf". Threads and locks as Instrument_c.
// Ownership: the plug-in, the globals and the bus are borrowed.
#include "framework/voice/Instrument_c.h"

class InBuffer2_c;
class Synth;
class ZendrixVoiceLanes;

class ZendrixInst_c : public Instrument_c {
public:
    static constexpr int32_t kVoices = 24;

    ZendrixInst_c() : Instrument_c(2) {}

    // Binds to the plug-in with 24 voices and no choke; keeps the globals'
    // row of the index and the output bus.
    void setup(Synth* synth, int32_t index, Part_c* globals, InBuffer2_c* outputBus);
    // "OutBuf" for bus 0, none otherwise.
    InBuffer2_c* getOutputBus(int32_t bus) override { return bus == 0 ? outputBus_ : nullptr; }
    // Renders two or more voices together through `lanes` when it can
    // (null: each voice alone). Borrowed; set on the opening thread.
    void setVoiceLanes(ZendrixVoiceLanes* lanes) { lanes_ = lanes; }
    void renderVoiceSet(int32_t n) override;
    Parameter_c* globalsRow() const { return globalsRow_; }

private:
    InBuffer2_c* outputBus_ = nullptr;
    Parameter_c* globalsRow_ = nullptr;
    ZendrixVoiceLanes* lanes_ = nullptr;
};
