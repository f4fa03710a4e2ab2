#pragma once
// A list of MIDI events for one process block, laid out as a VstEvents record.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/sdk/VstInterface.h"

namespace vsthost {

class EventList {
public:
    // deltaFrames: the sample offset of the event inside the block.
    void addMidi(VstInt32 deltaFrames, std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0);
    void clear() { midi_.clear(); }
    std::size_t size() const { return midi_.size(); }
    bool empty() const { return midi_.empty(); }
    const std::vector<VstMidiEvent>& midiEvents() const { return midi_; }

    // The record for effProcessEvents; valid until the list changes.
    VstEvents* events();

private:
    std::vector<VstMidiEvent> midi_;
    std::vector<VstIntPtr> block_;   // VstEvents header and pointer table, pointer-aligned
};

} // namespace vsthost
