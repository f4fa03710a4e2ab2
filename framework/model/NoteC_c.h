#pragma once
// A note with its MIDI channel; (-1, -1, -1) when cleared. The channel takes
// part in every test and clamp (0..15).
#include "framework/model/Note_c.h"

class NoteC_c : public Note_c {
public:
    NoteC_c() = default;
    NoteC_c(int32_t key, int32_t velocity, int32_t channel) : Note_c(key, velocity), channel(channel) { clamp(); }

    void set(int32_t k, int32_t v, int32_t ch) {
        Note_c::set(k, v);
        channel = std::clamp(ch, 0, 15);
    }
    void set(int32_t k, int32_t v) { Note_c::set(k, v); }
    void clear() {
        Note_c::clear();
        channel = -1;
    }
    bool isValidNoteOn() const { return Note_c::isValidNoteOn() && inRange(channel, 0, 15); }
    bool isValid() const { return Note_c::isValid() && inRange(channel, 0, 15); }
    void clampNoteOn() {
        Note_c::clampNoteOn();
        channel = std::clamp(channel, 0, 15);
    }
    void clamp() {
        Note_c::clamp();
        channel = std::clamp(channel, 0, 15);
    }

    int32_t channel = -1;
};
