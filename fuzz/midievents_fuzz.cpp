// Feeds arbitrary host event lists and block sizes to the plug-in: every
// event's bytes, offset and type come from the input. Nothing may crash,
// and the outputs stay finite and within the block.
#include "engine/instrument/Zendrix_c.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
VstIntPtr fuzzHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Zendrix_c* plugin = [] {
        auto* p = new Zendrix_c(&fuzzHost);
        p->resume();
        return p;
    }();
    constexpr int kMaxFrames = 1100;
    static std::vector<float> left(kMaxFrames + 8), right(kMaxFrames + 8);
    std::vector<VstMidiEvent> midi;
    std::vector<VstEvent*> pointers;
    size_t at = 0;
    int frames = 1;
    if (size >= 2) {
        frames = 1 + (data[0] | (data[1] << 8)) % kMaxFrames;
        at = 2;
    }
    while (at + 8 <= size && midi.size() < 1000) {
        VstMidiEvent e{};
        e.type = data[at] % 4 == 0 ? kVstSysExType : kVstMidiType;
        int16_t offset;
        std::memcpy(&offset, data + at + 1, sizeof offset);
        e.deltaFrames = offset;
        std::memcpy(e.midiData, data + at + 3, 4);
        midi.push_back(e);
        at += 8;
    }
    for (auto& e : midi) pointers.push_back(reinterpret_cast<VstEvent*>(&e));
    std::vector<uint8_t> list(sizeof(VstEvents) + sizeof(VstEvent*) * (pointers.size() + 2));
    auto* events = reinterpret_cast<VstEvents*>(list.data());
    events->numEvents = static_cast<VstInt32>(pointers.size());
    // The list holds numEvents pointers although the record declares two.
    VstEvent** slots = events->events;
    for (size_t i = 0; i < pointers.size(); ++i) slots[i] = pointers[i];
    plugin->processEvents(events);
    const float guard = 12345.0f;
    left[static_cast<size_t>(frames)] = right[static_cast<size_t>(frames)] = guard;
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(nullptr, outputs, frames);
    if (left[static_cast<size_t>(frames)] != guard || right[static_cast<size_t>(frames)] != guard) __builtin_trap();
    for (int i = 0; i < frames; ++i)
        if (!std::isfinite(left[static_cast<size_t>(i)]) || !std::isfinite(right[static_cast<size_t>(i)]))
            __builtin_trap();
    return 0;
}
