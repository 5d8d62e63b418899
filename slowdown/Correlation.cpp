// SPDX-License-Identifier: GPL-3.0-or-later
#include "Correlation.h"

#include <algorithm>
#include <vector>

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define LECTORIO_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace lectorio {

namespace {

// A block kernel sums `lanes` consecutive lags starting at `first` over the
// terms i < common, leaving the sums in acc. Each lane adds its products in
// order of increasing i, like the plain loop.
using BlockKernel = void (*)(const double* xd, int32_t common, int32_t first, double* acc);

struct Kernel {
    int lanes;
    BlockKernel sum;
};

typedef double Double4 __attribute__((vector_size(32)));

// Portable build: multiply, then add.
void SumBlock16(const double* xd, int32_t common, int32_t first, double* acc) {
    Double4 a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
    const double* shifted = xd + first;
    for (int32_t i = 0; i < common; ++i) {
        const double b = xd[i];
        const Double4 v = {b, b, b, b};
        Double4 s0, s1, s2, s3;
        __builtin_memcpy(&s0, shifted + i, sizeof s0);
        __builtin_memcpy(&s1, shifted + i + 4, sizeof s1);
        __builtin_memcpy(&s2, shifted + i + 8, sizeof s2);
        __builtin_memcpy(&s3, shifted + i + 12, sizeof s3);
        a0 += s0 * v;
        a1 += s1 * v;
        a2 += s2 * v;
        a3 += s3 * v;
    }
    __builtin_memcpy(acc, &a0, sizeof a0);
    __builtin_memcpy(acc + 4, &a1, sizeof a1);
    __builtin_memcpy(acc + 8, &a2, sizeof a2);
    __builtin_memcpy(acc + 12, &a3, sizeof a3);
}

#ifdef LECTORIO_X86_KERNELS
// Processors with fused multiply-add. The product of two floats widened to
// double is exact, so rounding it once together with the addition gives the
// very sum that a multiply followed by an add gives.
template <int kAccumulators>
__attribute__((target("avx2,fma"))) void SumBlockAvx2(const double* xd, int32_t common, int32_t first,
                                                      double* acc) {
    __m256d a[kAccumulators];
    for (auto& v : a)
        v = _mm256_setzero_pd();
    const double* shifted = xd + first;
    for (int32_t i = 0; i < common; ++i) {
        const __m256d v = _mm256_set1_pd(xd[i]);
        const double* s = shifted + i;
        // Unrolled, so that the accumulators stay in registers.
#pragma GCC unroll 8
        for (int k = 0; k < kAccumulators; ++k)
            a[k] = _mm256_fmadd_pd(_mm256_loadu_pd(s + 4 * k), v, a[k]);
    }
    for (int k = 0; k < kAccumulators; ++k)
        _mm256_storeu_pd(acc + 4 * k, a[k]);
}

template <int kAccumulators>
__attribute__((target("avx512f"))) void SumBlockAvx512(const double* xd, int32_t common, int32_t first,
                                                       double* acc) {
    __m512d a[kAccumulators];
    for (auto& v : a)
        v = _mm512_setzero_pd();
    const double* shifted = xd + first;
    for (int32_t i = 0; i < common; ++i) {
        const __m512d v = _mm512_set1_pd(xd[i]);
        const double* s = shifted + i;
#pragma GCC unroll 8
        for (int k = 0; k < kAccumulators; ++k)
            a[k] = _mm512_fmadd_pd(_mm512_loadu_pd(s + 8 * k), v, a[k]);
    }
    for (int k = 0; k < kAccumulators; ++k)
        _mm512_storeu_pd(acc + 8 * k, a[k]);
}
#endif

// Kernel families this processor runs, best first. Within a family the
// widest kernel comes first; the last one also takes the lags left over at
// the end of the range.
using Family = std::vector<Kernel>;

std::vector<Family> ChooseFamilies() {
    std::vector<Family> families;
#ifdef LECTORIO_X86_KERNELS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        families.push_back({{64, SumBlockAvx512<8>}, {16, SumBlockAvx512<2>}});
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        families.push_back({{32, SumBlockAvx2<8>}, {16, SumBlockAvx2<4>}});
#endif
    families.push_back({{16, SumBlock16}});
    return families;
}

const std::vector<Family>& Families() {
    static const std::vector<Family> families = ChooseFamilies();
    return families;
}

} // namespace

int CorrelationKernelFamilies() {
    return static_cast<int>(Families().size());
}

void CorrelationSums(const float* x, int32_t n, int32_t minLag, int32_t maxLag, double* r, int family) {
    const std::vector<Family>& families = Families();
    const Family& kernels =
        families[std::clamp<size_t>(static_cast<size_t>(std::max(family, 0)), 0, families.size() - 1)];
    // Zeros after the frame let every lane of a block run as many terms as
    // its first lane: the extra products are zeros, and adding a zero never
    // changes a sum that started at +0 (such a sum is never -0).
    constexpr int32_t kWidest = 64;
    const int32_t count = std::max<int32_t>(n, 0);
    std::vector<double> xd(static_cast<size_t>(count + kWidest), 0.0);
    std::copy(x, x + count, xd.begin());
    double acc[kWidest];
    int32_t lag = minLag;
    for (size_t k = 0; k < kernels.size(); ++k) {
        const Kernel& kernel = kernels[k];
        const bool last = k + 1 == kernels.size();
        // The narrowest kernel also takes the lags left over at the end.
        while (lag <= maxLag && (last || maxLag - lag + 1 >= kernel.lanes)) {
            kernel.sum(xd.data(), std::max<int32_t>(count - lag, 0), lag, acc);
            for (int l = 0; l < kernel.lanes && lag + l <= maxLag; ++l)
                r[lag + l - minLag] = acc[l];
            lag += kernel.lanes;
        }
    }
}

} // namespace lectorio
