// SPDX-License-Identifier: GPL-3.0-or-later
// Short-time autocorrelation sums of the pitch analysis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace lectorio {

// r[L - minLag] = sum over i = 0 .. n - L - 1 of double(x[i + L]) * double(x[i]),
// for every lag L in minLag..maxLag (0 <= minLag, 0 <= n; no lag at all when
// minLag > maxLag), added up in order of increasing i. Lags of n or more give 0.
//
// Several lags are summed side by side in vector registers, each lane adding
// its own products in the same order as the plain loop, so every sum is bit
// for bit the plain one. The product of two floats is exact in double.
//
// Kernel 0 is the best one the processor has (AVX2 with FMA, or the portable
// one, which is always last); the others, up to CorrelationKernelCount() - 1,
// are there so that tests can check every kernel on one machine.
void CorrelationSums(const float* x, int32_t n, int32_t minLag, int32_t maxLag, double* r, int kernel = 0);

// Number of kernels available on this processor (at least 1).
int CorrelationKernelCount();

// One sum of CorrelationSums, added up by the plain loop: the same value.
double CorrelationSum(const float* x, int32_t n, int32_t lag);

// CorrelationSum of x at lagX and of y at lagY (both of n samples), the two
// added up side by side.
std::pair<double, double> CorrelationSumPair(const float* x, int32_t lagX, const float* y, int32_t lagY,
                                             int32_t n);

// Approximate correlation sums of frames of n samples through the fast
// Fourier transform of the frame padded with zeros to a power of two m:
// r = inverse transform of |transform of x|^2. The lags where the padding
// is too short for the circular sum to equal the plain one (lags above
// m - n) are summed directly by CorrelationSums instead, when that is
// cheaper than a transform twice as long.
//
// Each approximation is within kError * energy of the CorrelationSums value,
// where energy is the sum of x[i]^2 (taken in double). A rounding analysis of
// the radix-2 transforms bounds their error by about c * sqrt(m) * log2(m) *
// u * energy with c a small constant and u = 2^-53; the running sum that
// gives the odd lags adds at most m * u * energy, and the sums of
// CorrelationSums are themselves within n * u * energy of the exact ones.
// Together that stays under 1e-11 * energy for every frame length the
// analysis uses (up to m = 32768), and the errors met in practice are near
// 1e-16 * energy. kError is a hundred times above the bound, so that nothing
// hinges on the constant c.
class FourierCorrelation {
public:
    static constexpr double kError = 1e-9;

    // For frames of n samples and lags up to maxLag (0 <= n, 0 <= maxLag).
    FourierCorrelation(int32_t n, int32_t maxLag);

    // Doubles of scratch space that Sums needs.
    size_t WorkSize() const { return 2 * static_cast<size_t>(size_); }

    // r[L - minLag] for L in minLag..maxLag (within the constructor's range),
    // from the n samples at x.
    void Sums(const float* x, int32_t minLag, int32_t maxLag, double* r, double* work) const;

private:
    // The complex transform of size `half` (m / 2 or m / 4), in place on
    // separate real and imaginary parts; bin k ends at index reversed_[k]
    // (for m / 2; reversed_[k] / 2 for m / 4).
    void Transform(double* re, double* im, int32_t half) const;

    int32_t n_;
    int32_t size_;                            // m
    int32_t firstDirect_;                     // lags from here on are summed directly
    std::vector<double> cos_;                 // cos(2 pi k / m), k = 0 .. m / 2
    std::vector<double> sin_;                 // sin(2 pi k / m)
    std::vector<double> stageCos_, stageSin_; // the twiddles of each stage, in order
    std::vector<int32_t> reversed_;           // bit-reversed indices of m / 2
};

} // namespace lectorio
