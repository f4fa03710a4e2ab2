#include "tools/host/lib/HeldNotes.h"
#include <algorithm>

namespace kelvanti_host {
namespace {

constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;

} // namespace

void HeldNotes::apply(uint8_t status, uint8_t data1, uint8_t data2) {
    const int channel = status & 0x0F;
    const int kind = status & 0xF0;
    const std::size_t slot = static_cast<std::size_t>(channel * kKeys + (data1 & 0x7F));
    if (kind == 0x90 && data2 != 0) {
        if (!keys_[slot]) {
            keys_[slot] = true;
            ++held_;
            mostHeld_ = std::max(mostHeld_, held_);
        }
    } else if (kind == 0x80 || kind == 0x90) {
        if (keys_[slot]) {
            keys_[slot] = false;
            --held_;
        }
    } else if (kind == 0xB0 && (data1 == kAllSoundOff || data1 == kAllNotesOff)) {
        for (int key = 0; key < kKeys; ++key) {
            const std::size_t s = static_cast<std::size_t>(channel * kKeys + key);
            if (keys_[s]) {
                keys_[s] = false;
                --held_;
            }
        }
    }
}

} // namespace kelvanti_host
