#pragma once
// Decodes the non-registered parameter-number protocol (controllers 99/98
// select, 6/38 data entry) into single (number, value) messages, per MIDI
// channel. Runs on the thread that delivers MIDI; no lock, no allocation.
#include "framework/platform/OsLib_c.h"

#include <cstdint>

class NRPN_c {
public:
    // Milliseconds, wrapping at 2^32; context is the one given with the clock.
    using Clock = uint32_t (*)(const void* context);

    // The clock times the select window: the plug-in's note clock (the
    // audio's time of the message), a test's own, or without one the system
    // millisecond clock.
    explicit NRPN_c(Clock clock = nullptr, const void* clockContext = nullptr);

    // Feeds one controller message. True when a parameter message is
    // complete: number then holds the parameter number (0..16383) and value
    // the data (0..127 after coarse data, 0..16383 after fine data).
    // Otherwise false, number and value unchanged.
    bool process(int channel, int& number, int& value);

private:
    struct ChannelState {
        int32_t numberMsb = -1;      // -1: not selected
        int32_t numberLsb = -1;
        bool selectPending = false;  // a select is waiting for its first data
        uint32_t selectTime = 0;     // when that select came
        int32_t dataMsb = 0;         // last coarse data value
    };

    static constexpr int kChannels = 16;
    // The first data after a select counts only within this window.
    static constexpr int32_t kSelectWindowMs = 1000;

    OsLib_c os_;
    Clock clock_;
    const void* clockContext_;
    ChannelState channels_[kChannels];
};
