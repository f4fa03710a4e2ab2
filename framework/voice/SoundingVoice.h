#pragma once
// One sounding voice as the plug-in base and the instruments drive it: a part
// tree node that starts notes, renders, and takes pressure offsets. The voice
// base of the sound modules implements it; this layer knows nothing more.
//
// Threads: noteOn, render, the offsets and the zone gain run on the audio
// thread and neither allocate nor lock.
#include "framework/model/NoteC_c.h"
#include "framework/model/PartGroup_c.h"

#include <cstdint>

class SoundingVoice : public PartGroup_c {
public:
    using PartGroup_c::noteOn;
    // Starts a note of the instrument at instrumentIndex.
    virtual void noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) = 0;
    // Renders n samples; true when the voice has finished and its slot may be freed.
    virtual bool render(int32_t n) = 0;
    // Poly pressure (A) and channel pressure (B).
    virtual void setOffsetA(float x) = 0;
    virtual void setOffsetB(float x) = 0;

    // The note's key-zone weight, its gain factor where parts share keys; the
    // plug-in sets it before noteOn only when it has several parts (else 1).
    void setZoneGain(float gain) { zoneGain_ = gain; }
    float zoneGain() const { return zoneGain_; }

private:
    float zoneGain_ = 1.0f;
};
