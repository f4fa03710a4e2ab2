// Feeds arbitrary bytes to the MIDI file reader. Beyond not crashing, a
// successful parse must yield channel messages in time order.
#include "tools/host/lib/MidiFile.h"
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<kelvanti_host::MidiEvent> events;
    std::string error;
    if (!kelvanti_host::parseMidiFile(data, size, events, error)) {
        if (error.empty() || !events.empty()) __builtin_trap();
        return 0;
    }
    double previous = 0.0;
    for (const auto& e : events) {
        if (e.status < 0x80 || e.status >= 0xF0 || e.data1 > 0x7F || e.data2 > 0x7F) __builtin_trap();
        if (!std::isfinite(e.seconds) || e.seconds < previous || e.seconds > kelvanti_host::kMaxMidiSeconds)
            __builtin_trap();
        previous = e.seconds;
    }
    return 0;
}
