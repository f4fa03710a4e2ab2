#include "engine/instrument/ZendrixInst_c.h"

#include "engine/instrument/ZendrixTone_c.h"
#include "engine/instrument/ZendrixVoiceLanes.h"
#include "framework/synth/Synth.h"

void ZendrixInst_c::setup(Synth* synth, int32_t index, Part_c* globals, InBuffer2_c* outputBus) {
    setHost(synth, index, kVoices, false);
    outputBus_ = outputBus;
    globalsRow_ = globals ? globals->getRowParameters(index, 0) : nullptr;
}

void ZendrixInst_c::renderVoiceSet(int32_t n) {
    // Fewer voices gain nothing from the lanes (see dsp::kFewestLanes).
    if (!lanes_ || !host() || voicesInUse() < dsp::kFewestLanes) {
        Instrument_c::renderVoiceSet(n);
        return;
    }
    int32_t slots[kVoices];
    int32_t count = 0;
    PolyNoteTable_c& table = host()->voiceTable();
    VoiceNote note{};
    for (int32_t slot = table.findFirstOf(instrumentIndex(), &note); slot >= 0;
         slot = table.findNextOf(instrumentIndex(), &note)) {
        // Only this instrument's own voices can share lanes.
        if (count == kVoices || !host()->getVoice(slot) ||
            static_cast<Tone_c*>(lanes_->voice(slot)) != host()->getVoice(slot)) {
            Instrument_c::renderVoiceSet(n);
            return;
        }
        slots[count++] = slot;
    }
    bool finished[kVoices];
    if (count < dsp::kFewestLanes || !lanes_->render(slots, count, n, outputBus_, finished)) {
        Instrument_c::renderVoiceSet(n);
        return;
    }
    setCurrentVoice(slots[count - 1]);
    rewindRamps();
    for (int32_t i = 0; i < count; ++i)
        if (finished[i]) host()->updateNotesOn(slots[i]);
}
