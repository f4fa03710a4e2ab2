#include "engine/dsp/NoiseTable.h"

#include "os/Random.h"

namespace dsp {

void fillNoiseTable(float* table, os::Random15& random) {
    for (int i = 0; i < kNoiseTableSize; ++i)
        table[i] = static_cast<float>(random.next()) / 32767.0f * 2.0f - 1.0f;
}

const float* sharedNoiseTable() {
    struct Holder {
        float values[kNoiseTableSize];
        Holder() {
            os::Random15 random(1);
            fillNoiseTable(values, random);
        }
    };
    static const Holder holder;
    return holder.values;
}

} // namespace dsp
