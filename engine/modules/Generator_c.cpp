#include "engine/modules/Generator_c.h"

#include "framework/settings/NoteFreqTable_c.h"

#include <cstring>

void Generator_c::setOutputMode(int mode) {
    if (mode >= 0 && mode <= 2)
        mode_ = mode;
}

bool Generator_c::render(int n) {
    bool result;
    if (detuneSpread_ > 0.001f) {
        result = renderDetuned(n, detuneSpread_);
    } else {
        pitchFactor_ = 1.0f;
        result = renderMode(n, 0);
    }
    return result && resultMask_;
}

bool Generator_c::renderDetuned(int n, float spread) {
    pitchFactor_ = 1.0f;
    renderMode(n, 0);
    pitchFactor_ = 1.0f + 0.0011f * spread;
    const bool result = renderMode(n, 1);
    pitchFactor_ = 1.0f - 0.00117f * spread;
    renderMode(n, 2);
    if (copyCount_ == kMaxCopies) {
        pitchFactor_ = 1.0f - 0.00056f * spread;
        renderMode(n, 3);
        pitchFactor_ = 1.0f + 0.0006f * spread;
        renderMode(n, 4);
    }
    pitchFactor_ = 1.0f;
    return result;
}

bool Generator_c::renderMode(int n, int copy) {
    if (clearGates_ && gates_ && copy >= 0 && copy < kMaxCopies && gates_[copy] && n > 0)
        std::memset(gates_[copy], 0, static_cast<size_t>((n - 1) / 8 + 1));
    switch (mode_) {
    case 1: return renderThird(n, copy);
    case 2: return renderSecond(n, copy);
    default: return renderFirst(n, copy);
    }
}

float Generator_c::getNoteFrequency(float key) const {
    const NoteFreqTable_c* table = tuningTable();
    return table ? table->getFrequency(key) : 440.0f;
}
