#include "Correlation.h"

#include <algorithm>
#include <vector>

namespace lectorio {

namespace {

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
// One build for processors with AVX2 and a plain one, chosen at load time.
// Both perform the same IEEE multiplications and additions in the same order.
#define LECTORIO_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LECTORIO_CLONES
#endif

constexpr int kLanes = 16; // lags summed side by side

typedef double Double4 __attribute__((vector_size(32)));

// Sums lags first .. first + kLanes - 1 over the terms that every one of them
// has (i < n - first - kLanes + 1), leaving the sums in acc.
LECTORIO_CLONES
void SumBlock(const double* xd, int32_t common, int32_t first, double* acc) {
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

} // namespace

void CorrelationSums(const float* x, int32_t n, int32_t minLag, int32_t maxLag, double* r) {
    std::vector<double> xd(x, x + std::max<int32_t>(n, 0));
    int32_t lag = minLag;
    for (; lag + kLanes - 1 <= maxLag && lag + kLanes - 1 < n; lag += kLanes) {
        // Lane l has n - lag - l terms; all lanes share the first `common`.
        const int32_t common = n - (lag + kLanes - 1);
        double acc[kLanes];
        SumBlock(xd.data(), common, lag, acc);
        for (int l = 0; l < kLanes; ++l) {
            double sum = acc[l];
            for (int32_t i = common; i < n - lag - l; ++i)
                sum += xd[i + lag + l] * xd[i];
            r[lag + l - minLag] = sum;
        }
    }
    for (; lag <= maxLag; ++lag) {
        double sum = 0.0;
        for (int32_t i = 0; i < n - lag; ++i)
            sum += xd[i + lag] * xd[i];
        r[lag - minLag] = sum;
    }
}

} // namespace lectorio
