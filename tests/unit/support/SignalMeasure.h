#pragma once
// Measurement helpers for the sound tests: frequency by interpolated zero
// crossings, single-bin DFT, power spectrum by FFT.
#include <cmath>
#include <complex>
#include <vector>

namespace measure {

constexpr double kPi = 3.14159265358979323846;

// Frequency from the first and last rising zero crossing (linearly
// interpolated) and the number of cycles between them.
inline double frequency(const std::vector<float>& x, double rate) {
    double first = -1.0, last = -1.0;
    int cycles = -1;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double t = (i - 1) + x[i - 1] / (static_cast<double>(x[i - 1]) - x[i]);
            if (first < 0.0) first = t;
            last = t;
            ++cycles;
        }
    }
    return cycles > 0 ? cycles * rate / (last - first) : 0.0;
}

// Magnitude of the DFT of x[start..start+n) at `cycles` cycles per n samples.
inline double binMagnitude(const std::vector<float>& x, size_t start, size_t n, double cycles) {
    std::complex<double> acc = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double ph = -2.0 * kPi * cycles * static_cast<double>(i) / static_cast<double>(n);
        acc += static_cast<double>(x[start + i]) * std::complex<double>(std::cos(ph), std::sin(ph));
    }
    return std::abs(acc);
}

// |X(k)|^2 for k = 0..n/2 of the first n (a power of two) samples.
inline std::vector<double> powerSpectrum(const std::vector<float>& x, size_t n) {
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) a[i] = x[i];
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2.0 * kPi / static_cast<double>(len);
        const std::complex<double> wl(std::cos(ang), std::sin(ang));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
    std::vector<double> p(n / 2 + 1);
    for (size_t k = 0; k <= n / 2; ++k) p[k] = std::norm(a[k]);
    return p;
}

inline double db(double ratio) { return 20.0 * std::log10(ratio); }

} // namespace measure
