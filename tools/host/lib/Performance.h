#pragma once
// What the renderer plays: MIDI channel messages and parameter changes, each
// at a time in seconds from the start. A MIDI file and the demo pattern both
// produce one; EventSchedule turns it into sample-exact blocks.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvanti_host {

// One channel voice message (status 0x80..0xEF). Messages of two bytes
// (program change, channel pressure) leave data2 at 0.
struct MidiEvent {
    double seconds = 0.0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    int channel() const { return status & 0x0F; }
    int kind() const { return status & 0xF0; }
    bool isNoteOn() const { return kind() == 0x90 && data2 != 0; }
    // A note-on with velocity 0 ends a note like a note-off does.
    bool isNoteOff() const { return kind() == 0x80 || (kind() == 0x90 && data2 == 0); }
};

// A host parameter write by name, the value normalised to 0..1.
struct ParameterChange {
    double seconds = 0.0;
    std::string name;
    float value = 0.0f;
};

// Both lists are in time order; events at the same time keep their order.
struct Performance {
    std::vector<MidiEvent> midi;
    std::vector<ParameterChange> parameterChanges;
};

} // namespace kelvanti_host
