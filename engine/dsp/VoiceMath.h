#pragma once
// Per-note and per-render values of a voice: the velocity timbre, the
// oscillator/noise balance, the note level and the exactness randomisation
// (the velocity blend and key position are the voice base's).
// Plain functions; callable from any thread.
#include "os/Random.h"

#include <cmath>

namespace dsp {

// "Vel->Timbre" (normalised 0..1) applied to the velocity blend: 1 at 0 %,
// 2.82 at 100 % and full velocity.
inline float velocityTimbre(float amount, float blend) {
    return 1.0f - amount + amount * (blend + 1.0f) * 1.41f;
}

// "Osc Bal" 0..1: below 0.5 the noise fades out, above it the oscillator.
struct SourceMix {
    float oscillator;
    float noise;
};
inline SourceMix sourceMix(float balance) {
    if (balance < 0.5f) return {1.0f, 2.0f * balance};
    return {2.0f * (1.0f - balance), 1.0f};
}

// Level factor of a note: (blend + 1) × main gain × 0.5 × level randomness.
inline float noteLevel(float blend, float mainGain, float levelRandomness) {
    return (blend + 1.0f) * mainGain * 0.5f * levelRandomness;
}

// Exactness randomisation drawn at note on: both factors exactly 1 when
// exactness is 1.00 or off; level within 1 - 5.5 × (1 - exactness) .. 1,
// timbre within 1 - 25 × (1 - exactness) .. 1.
struct NoteRandomness {
    float level;
    float timbre;
};
inline NoteRandomness drawNoteRandomness(os::Random15& random, float exactness, bool on) {
    const float x = on ? 1.0f - exactness : 0.0f;
    const float r1 = static_cast<float>(random.next()) * (1.0f / 32767.0f);
    const float r2 = static_cast<float>(random.next()) * (1.0f / 32767.0f);
    return {1.0f - r1 * 5.5f * x, 1.0f - r2 * 25.0f * x};
}

// Pitch offset of the global tune: log2(tune / 440 Hz) / 4, so that the
// oscillator's pitch factor of it gives about the tune ratio. tuneTenths is
// the stored "Glo Tune" value (4400 = 440.0 Hz).
inline float tuneOffset(float tuneTenths) {
    return static_cast<float>(std::log(tuneTenths * 0.00022727273) * 0.36067376022224085);
}
inline float tuneRatio(float tuneTenths) {
    return static_cast<float>(std::exp2(4.0 * (std::log(tuneTenths * 0.00022727273) * 0.36067376022224085)));
}

} // namespace dsp
