#pragma once
// A 16-bit flag word, as carried by every parameter descriptor.
#include <cstdint>

class Flags_c {
public:
    void set(uint16_t mask) { bits_ = static_cast<uint16_t>(bits_ | mask); }
    void clear(uint16_t mask) { bits_ = static_cast<uint16_t>(bits_ & (0xffffu - mask)); }
    bool test(uint16_t mask) const { return (bits_ & mask) != 0; }
    void assign(uint16_t mask, bool on) { on ? set(mask) : clear(mask); }
    uint16_t bits() const { return bits_; }

private:
    uint16_t bits_ = 0;
};

// The meanings of a descriptor's flags.
namespace ParamFlag {
constexpr uint16_t MinShowsMinusInfinity = 1; // the minimum shows "-oo"
constexpr uint16_t MaxShowsInfinity = 2;      // the maximum shows "oo"
constexpr uint16_t ShowNoteName = 4;          // a note shows its name
constexpr uint16_t TextIsPath = 8;            // a text shows only its file name
constexpr uint16_t HideExtension = 16;        // a text shows without extension
} // namespace ParamFlag
