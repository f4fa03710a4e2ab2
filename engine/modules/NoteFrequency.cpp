#include "engine/modules/NoteFrequency.h"

#include <cmath>

namespace dsp {

void fillEqualTemperament(float* table) {
    for (int i = 0; i < kFrequencyTableSize; ++i)
        table[i] = static_cast<float>(8.175798915643707 * std::pow(2.0, i * 0.083333333333333));
}

float interpolateFrequency(const float* table, float key) {
    // Truncate toward zero and clamp to 0..126 without converting an
    // out-of-range or NaN float to int.
    int n;
    if (!(key >= 1.0f)) n = 0;
    else if (key >= 126.0f) n = 126;
    else n = static_cast<int>(key);
    return table[n] + (table[n + 1] - table[n]) * (key - static_cast<float>(n));
}

const float* equalTemperamentTable() {
    struct Holder {
        float values[kFrequencyTableSize];
        Holder() { fillEqualTemperament(values); }
    };
    static const Holder holder; // thread-safe one-time construction
    return holder.values;
}

} // namespace dsp
