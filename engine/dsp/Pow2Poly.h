#pragma once
// The cheap 2^(4x) used for pitch and time modulation: a cubic in x raised
// to the fourth power (exact at x = 0, about 2^4 at x = 1). Keeping the
// polynomial rather than exp2 is part of the sound: pitch-envelope depths
// land slightly off equal temperament.

namespace dsp {

inline double pow2Poly(double x) {
    const double p = 1.0 + x * (0.695218770961068 + x * (0.2480732860777168 + x * 0.05362607007876781));
    const double p2 = p * p;
    return p2 * p2;
}

} // namespace dsp
