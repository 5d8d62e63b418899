// SPDX-License-Identifier: GPL-3.0-or-later
#include "Correlation.h"

#include <algorithm>
#include <bit>
#include <cmath>
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
#endif

// Kernels this processor runs, best first.
std::vector<Kernel> ChooseKernels() {
    std::vector<Kernel> kernels;
#ifdef LECTORIO_X86_KERNELS
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        kernels.push_back({32, SumBlockAvx2<8>});
#endif
    kernels.push_back({16, SumBlock16});
    return kernels;
}

const std::vector<Kernel>& Kernels() {
    static const std::vector<Kernel> kernels = ChooseKernels();
    return kernels;
}

} // namespace

int CorrelationKernelCount() {
    return static_cast<int>(Kernels().size());
}

void CorrelationSums(const float* x, int32_t n, int32_t minLag, int32_t maxLag, double* r, int kernelIndex) {
    const Kernel& kernel = Kernels().at(static_cast<size_t>(kernelIndex));
    if (minLag > maxLag)
        return;
    // Zeros after the frame let every lane of a block run as many terms as
    // its first lane: the extra products are zeros, and adding a zero never
    // changes a sum that started at +0 (such a sum is never -0).
    std::vector<double> xd(static_cast<size_t>(n + kernel.lanes), 0.0),
        acc(static_cast<size_t>(kernel.lanes));
    std::copy(x, x + n, xd.begin());
    for (int32_t lag = minLag; lag <= maxLag; lag += kernel.lanes) {
        kernel.sum(xd.data(), std::max<int32_t>(n - lag, 0), lag, acc.data());
        std::copy_n(acc.begin(), std::min(kernel.lanes, maxLag - lag + 1), r + (lag - minLag));
    }
}

double CorrelationSum(const float* x, int32_t n, int32_t lag) {
    double sum = 0.0;
    for (int32_t i = 0; i + lag < n; ++i)
        sum += static_cast<double>(x[i + lag]) * static_cast<double>(x[i]);
    return sum;
}

std::pair<double, double> CorrelationSumPair(const float* x, int32_t lagX, const float* y, int32_t lagY,
                                             int32_t n) {
    const int32_t termsX = std::max(n - lagX, 0), termsY = std::max(n - lagY, 0);
    double a = 0.0, b = 0.0;
    int32_t i = 0;
    for (; i < termsX && i < termsY; ++i) {
        a += static_cast<double>(x[i + lagX]) * static_cast<double>(x[i]);
        b += static_cast<double>(y[i + lagY]) * static_cast<double>(y[i]);
    }
    for (int32_t k = i; k < termsX; ++k)
        a += static_cast<double>(x[k + lagX]) * static_cast<double>(x[k]);
    for (int32_t k = i; k < termsY; ++k)
        b += static_cast<double>(y[k + lagY]) * static_cast<double>(y[k]);
    return {a, b};
}

namespace {

// The stages of a transform of size `half` down to h = 4, decimated in
// frequency, four butterflies at a time; stage h takes its twiddles cos + i sin
// from index h - 1.
inline __attribute__((always_inline)) void WideStagesBody(double* re, double* im, int32_t half,
                                                          const double* stageCos, const double* stageSin) {
    for (int32_t h = half / 2; h >= 4; h /= 2) {
        const double* wc = stageCos + h - 1;
        const double* ws = stageSin + h - 1;
        for (int32_t start = 0; start < half; start += 2 * h) {
            double* ar = re + start;
            double* ai = im + start;
            double* br = ar + h;
            double* bi = ai + h;
            for (int32_t j = 0; j < h; j += 4) {
                Double4 c, s, ur, ui, vr, vi;
                __builtin_memcpy(&c, wc + j, sizeof c);
                __builtin_memcpy(&s, ws + j, sizeof s);
                __builtin_memcpy(&ur, ar + j, sizeof ur);
                __builtin_memcpy(&ui, ai + j, sizeof ui);
                __builtin_memcpy(&vr, br + j, sizeof vr);
                __builtin_memcpy(&vi, bi + j, sizeof vi);
                const Double4 sumRe = ur + vr, sumIm = ui + vi, dr = ur - vr, di = ui - vi;
                const Double4 turnedRe = dr * c - di * s, turnedIm = dr * s + di * c;
                __builtin_memcpy(ar + j, &sumRe, sizeof sumRe);
                __builtin_memcpy(ai + j, &sumIm, sizeof sumIm);
                __builtin_memcpy(br + j, &turnedRe, sizeof turnedRe);
                __builtin_memcpy(bi + j, &turnedIm, sizeof turnedIm);
            }
        }
    }
}

using StagesFunction = void (*)(double*, double*, int32_t, const double*, const double*);

void WideStagesPortable(double* re, double* im, int32_t half, const double* stageCos,
                        const double* stageSin) {
    WideStagesBody(re, im, half, stageCos, stageSin);
}

#ifdef LECTORIO_X86_KERNELS
// Twice the registers of the portable build, which runs out of them.
__attribute__((target("avx2"))) void WideStagesAvx2(double* re, double* im, int32_t half,
                                                    const double* stageCos, const double* stageSin) {
    WideStagesBody(re, im, half, stageCos, stageSin);
}
#endif

StagesFunction WideStages() {
#ifdef LECTORIO_X86_KERNELS
    static const StagesFunction chosen = __builtin_cpu_supports("avx2") ? WideStagesAvx2 : WideStagesPortable;
    return chosen;
#else
    return WideStagesPortable;
#endif
}

// Products that the direct sums of lags minLag..maxLag (0 <= minLag) take.
double DirectWork(int32_t n, int32_t minLag, int32_t maxLag) {
    double work = 0.0;
    for (int32_t lag = minLag; lag <= maxLag && lag < n; ++lag)
        work += n - lag;
    return work;
}

// Two transforms of size m / 2, counted in products of the direct sums
// (a butterfly takes about as long as four of them).
double TransformWork(int32_t m) {
    return 4.0 * m * std::log2(static_cast<double>(m));
}

} // namespace

FourierCorrelation::FourierCorrelation(int32_t n, int32_t maxLag) : n_(n) {
    int32_t m = 16;
    while (m < n_)
        m *= 2;
    // Lags up to m - n come out of the transform; twice the size leaves none
    // of the analysis' lags to the direct sums.
    if (TransformWork(2 * m) < TransformWork(m) + DirectWork(n_, m - n_ + 1, maxLag))
        m *= 2;
    size_ = m;
    const int32_t half = m / 2;
    firstDirect_ = std::min(m - n_, half) + 1;
    for (int32_t k = 0; k <= half; ++k) {
        const double angle = 2.0 * M_PI * k / m;
        cos_.push_back(std::cos(angle));
        sin_.push_back(std::sin(angle));
    }
    // Stage h (h = 1, 2, 4, ... < m / 2) uses exp(-2 pi i j / 2h) for j < h,
    // stored from index h - 1.
    for (int32_t h = 1; h < half; h *= 2) {
        for (int32_t j = 0; j < h; ++j) {
            stageCos_.push_back(cos_[j * (half / h)]);
            stageSin_.push_back(-sin_[j * (half / h)]);
        }
    }
    const int bits = std::countr_zero(static_cast<uint32_t>(half)); // half is a power of two
    for (int32_t i = 0; i < half; ++i) {
        int32_t r = 0;
        for (int32_t b = 0; b < bits; ++b)
            r = (r << 1) | ((i >> b) & 1);
        reversed_.push_back(r);
    }
}

void FourierCorrelation::Transform(double* re, double* im, int32_t half) const {
    WideStages()(re, im, half, stageCos_.data(), stageSin_.data());
    // The last two stages together: their twiddles are 1 and -i.
    for (int32_t s = 0; s < half; s += 4) {
        const double r0 = re[s] + re[s + 2], i0 = im[s] + im[s + 2];
        const double r2 = re[s] - re[s + 2], i2 = im[s] - im[s + 2];
        const double r1 = re[s + 1] + re[s + 3], i1 = im[s + 1] + im[s + 3];
        const double r3 = im[s + 1] - im[s + 3], i3 = re[s + 3] - re[s + 1]; // times -i
        re[s] = r0 + r1;
        im[s] = i0 + i1;
        re[s + 1] = r0 - r1;
        im[s + 1] = i0 - i1;
        re[s + 2] = r2 + r3;
        im[s + 2] = i2 + i3;
        re[s + 3] = r2 - r3;
        im[s + 3] = i2 - i3;
    }
}

// The m real values v are transformed as the m / 2 complex ones
// z[j] = v[2j] + i v[2j+1]. With Z their transform, the even values transform
// to E[k] = (Z[k] + conj Z[-k]) / 2, the odd ones to O[k] = (Z[k] - conj Z[-k])
// / 2i, and bin k of v is E[k] + exp(-2 pi i k / m) O[k]; bin m/2 - k comes
// from the same two values of Z.
void FourierCorrelation::Sums(const float* x, int32_t minLag, int32_t maxLag, double* r, double* work) const {
    const int32_t m = size_, half = m / 2;
    double* re = work;
    double* im = work + half;
    double* power = work + m; // bins 0 .. m / 2
    const int32_t pairs = n_ / 2;
    for (int32_t j = 0; j < pairs; ++j) {
        re[j] = x[2 * j];
        im[j] = x[2 * j + 1];
    }
    std::fill(re + pairs, re + half, 0.0);
    std::fill(im + pairs, im + half, 0.0);
    if (n_ % 2 != 0)
        re[pairs] = x[n_ - 1];
    Transform(re, im, half);
    // Z[k] is at reversed_[k].
    power[0] = (re[0] + im[0]) * (re[0] + im[0]);
    power[half] = (re[0] - im[0]) * (re[0] - im[0]);
    for (int32_t k = 1; k <= half / 2; ++k) {
        const int32_t a = reversed_[k], b = reversed_[half - k];
        const double zr = re[a], zi = im[a], cr = re[b], ci = im[b];
        const double evenRe = 0.5 * (zr + cr), evenIm = 0.5 * (zi - ci);
        const double oddRe = 0.5 * (zi + ci), oddIm = -0.5 * (zr - cr);
        // exp(-2 pi i k / m) O[k], and for bin m/2 - k, where E and O are
        // conjugated and the twiddle's cosine changes sign, its conjugate negated.
        const double turnedRe = cos_[k] * oddRe + sin_[k] * oddIm;
        const double turnedIm = cos_[k] * oddIm - sin_[k] * oddRe;
        power[k] = (evenRe + turnedRe) * (evenRe + turnedRe) + (evenIm + turnedIm) * (evenIm + turnedIm);
        power[half - k] =
            (evenRe - turnedRe) * (evenRe - turnedRe) + (turnedIm - evenIm) * (turnedIm - evenIm);
    }
    // The power spectrum is real and even (power[m - k] = power[k]), so its
    // transform R is real, m times the circular correlation, and a cosine
    // transform of power[0 .. m/2]. With a = power[k] + power[m/2 - k] and
    // b = power[k] - power[m/2 - k], R[2j] and R[2j+1] - R[2j-1] are the real
    // part and the negated imaginary part of bin j of the transform of the
    // m/2 real values a - 2 sin(2 pi k / m) b, and R[1] is the sum of
    // b cos(2 pi k / m). That transform takes half the work of the first.
    const int32_t quarter = half / 2;
    double evenSum = 0.0, oddSum = 0.0; // of the even and odd k, as two chains
    for (int32_t q = 0; q < quarter; ++q) {
        const int32_t k = 2 * q;
        const double a0 = power[k] + power[half - k], b0 = power[k] - power[half - k];
        const double a1 = power[k + 1] + power[half - k - 1], b1 = power[k + 1] - power[half - k - 1];
        re[q] = a0 - 2.0 * sin_[k] * b0;
        im[q] = a1 - 2.0 * sin_[k + 1] * b1;
        evenSum += b0 * cos_[k];
        oddSum += b1 * cos_[k + 1];
    }
    double odd = evenSum + oddSum; // R[1], then R[3], R[5], ...
    Transform(re, im, quarter);
    const int32_t lastFourier = std::min(maxLag, firstDirect_ - 1);
    const double scale = 1.0 / m; // exact: m is a power of two
    for (int32_t j = 0; 2 * j <= lastFourier; ++j) {
        // Bin j of the m/2 real values, as in the first transform; Z[k] of
        // the transform of size m/4 is at reversed_[k] / 2.
        const int32_t a = reversed_[j & (quarter - 1)] / 2, b = reversed_[-j & (quarter - 1)] / 2;
        const double zr = re[a], zi = im[a], cr = re[b], ci = im[b];
        const double evenRe = 0.5 * (zr + cr), evenIm = 0.5 * (zi - ci);
        const double oddRe = 0.5 * (zi + ci), oddIm = -0.5 * (zr - cr);
        const double binRe = evenRe + cos_[2 * j] * oddRe + sin_[2 * j] * oddIm;
        const double binIm = evenIm + cos_[2 * j] * oddIm - sin_[2 * j] * oddRe;
        odd -= binIm; // bin 0 is real: its imaginary part is exactly 0
        if (2 * j >= minLag)
            r[2 * j - minLag] = binRe * scale;
        if (2 * j + 1 >= minLag && 2 * j + 1 <= lastFourier)
            r[2 * j + 1 - minLag] = odd * scale;
    }
    const int32_t firstDirect = std::max(minLag, firstDirect_);
    CorrelationSums(x, n_, firstDirect, maxLag, r + (firstDirect - minLag));
}

} // namespace lectorio
