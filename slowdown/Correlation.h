// SPDX-License-Identifier: GPL-3.0-or-later
// Short-time autocorrelation sums of the pitch analysis.
#pragma once

#include <cstdint>

namespace lectorio {

// r[L - minLag] = sum over i = 0 .. n - L - 1 of double(x[i + L]) * double(x[i]),
// for every lag L in minLag..maxLag (0 <= minLag <= maxLag), added up in order
// of increasing i. Lags of n or more give 0.
//
// Several lags are summed side by side in vector registers, each lane adding
// its own products in the same order as the plain loop, so every sum is bit
// for bit the plain one. The product of two floats is exact in double.
//
// Family 0 is the best kernel family the processor has (AVX-512, AVX2 with
// FMA, or the portable one, which is always last); the others are there so
// that tests can check every family on one machine.
void CorrelationSums(const float* x, int32_t n, int32_t minLag, int32_t maxLag, double* r, int family = 0);

// Number of kernel families available on this processor (at least 1).
int CorrelationKernelFamilies();

} // namespace lectorio
