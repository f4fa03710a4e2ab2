#include "tools/host/lib/EventList.h"

#include <cstddef>

namespace vsthost {

void EventList::addMidi(VstInt32 deltaFrames, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = static_cast<VstInt32>(sizeof(VstMidiEvent));
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    midi_.push_back(event);
}

VstEvents* EventList::events() {
    const std::size_t pointers = midi_.size() > 2 ? midi_.size() : 2;
    const std::size_t bytes = offsetof(VstEvents, events) + pointers * sizeof(VstEvent*);
    block_.assign((bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr), 0);
    auto* record = reinterpret_cast<VstEvents*>(block_.data());
    record->numEvents = static_cast<VstInt32>(midi_.size());
    auto** table = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(record) + offsetof(VstEvents, events));
    for (std::size_t i = 0; i < midi_.size(); ++i) table[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
    return record;
}

} // namespace vsthost
