#pragma once
// A MIDI key and velocity; (-1, -1) when cleared. Passed by value.
#include <algorithm>
#include <cstdint>

class Note_c {
public:
    Note_c() = default;
    Note_c(int32_t key, int32_t velocity) : key(key), velocity(velocity) {}

    void set(int32_t k, int32_t v, int32_t /*ignored*/) { set(k, v); }
    void set(int32_t k, int32_t v) {
        key = k;
        velocity = v;
        clamp();
    }
    void clear() { key = velocity = -1; }
    bool isValidNoteOn() const { return inRange(key, 0, 127) && inRange(velocity, 1, 127); }
    bool isValid() const { return inRange(key, 0, 127) && inRange(velocity, 0, 127); }
    void clampNoteOn() {
        key = std::clamp(key, 0, 127);
        velocity = std::clamp(velocity, 1, 127);
    }
    void clamp() {
        key = std::clamp(key, 0, 127);
        velocity = std::clamp(velocity, 0, 127);
    }

    int32_t key = -1;
    int32_t velocity = -1;

protected:
    static bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }
};
