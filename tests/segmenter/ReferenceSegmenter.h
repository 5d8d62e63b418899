// SPDX-License-Identifier: GPL-3.0-or-later
// A slow, plainly written detector for comparison with SegmentRecording: the
// whole input in memory, one frame at a time, the window summed afresh every
// frame, no block rotation. It yields the parts (absolute, inclusive sample
// ranges) and the label file text a run must produce.
#pragma once

#include "SegmentationOptions.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace lectorio::testing {

struct ReferencePart {
    int32_t number = 0;
    int64_t from = 0; // inclusive
    int64_t to = 0;   // inclusive; to < from means an empty file
};

struct ReferenceRun {
    std::vector<ReferencePart> parts;
    std::vector<int32_t> errorNumbers; // numbers used up by "Error In Segmentation!"
    std::string label;                 // label file text
};

inline ReferenceRun RunReference(const std::vector<int16_t>& x, uint32_t rate, const SegmentationOptions& o) {
    const int64_t kBlock = 5000000;
    ReferenceRun run;
    run.label = "#\n";
    const int64_t total = static_cast<int64_t>(x.size());
    const int64_t L = rate < 10000   ? 200
                      : rate < 15000 ? 250
                      : rate < 20000 ? 400
                      : rate < 30000 ? 500
                                     : 1000;
    const int32_t H = o.energyHistory < 1 ? 1 : o.energyHistory;
    const float M = static_cast<float>(static_cast<double>(o.maxSegmentLength) * rate);
    auto limit = [&](float f) {
        return static_cast<int64_t>(static_cast<double>(M) * static_cast<double>(f));
    };
    auto line = [&](double t, char kind, int32_t n) {
        char b[128];
        std::snprintf(b, sizeof b, "%f 121 %c%d\n", t, kind, n);
        run.label += b;
    };

    // Beyond these fractions of M, speech ends at this fraction of the window.
    const std::pair<float, double> rows[] = {{0.95f, 0.45}, {0.9f, 0.425}, {0.85f, 0.4}, {0.8f, 0.375},
                                             {0.75f, 0.35}, {0.7f, 0.325}, {0.65f, 0.3}};
    std::vector<uint8_t> window(static_cast<size_t>(H), 0);
    bool inSpeech = false;
    int64_t S0 = 0, E0 = 0, P = 0, frame = 0;
    float mult = 1.0f;
    int32_t count = 0;
    float lastEnd = 0.0f;

    for (int64_t base = 0;; base += kBlock) {
        const int64_t n = total - base < kBlock ? total - base : kBlock;
        long double exact = 0;
        for (int64_t i = 0; i < n; ++i)
            exact += x[static_cast<size_t>(base + i)];
        const float m =
            n > 0 ? static_cast<float>(static_cast<double>(exact) / static_cast<double>(n)) : 0.0f;
        const int64_t frames = static_cast<int64_t>(static_cast<double>(n) / static_cast<double>(L) + 0.5);
        for (int64_t k = 0; k < frames; ++k, P += L, ++frame) {
            double sum = 0;
            for (int64_t i = 0; i < L; ++i) {
                const int64_t p = P + i;
                const double v = p < total ? x[static_cast<size_t>(p)] : 0;
                sum += (v - static_cast<double>(m)) * (v - static_cast<double>(m));
            }
            const float e = static_cast<float>(0.07543712854385376 * sum / static_cast<double>(L));
            window[static_cast<size_t>(frame % H)] = e > o.sampleThreshold;
            int32_t A = 0;
            for (uint8_t w : window)
                A += w;
            if (!inSpeech && (A > static_cast<float>(H) * o.startThreshold || P - S0 > 5000000)) {
                int64_t start = P - L * H;
                if (start < base)
                    start = base;
                if (E0 > start && E0 - start < 1250000)
                    start = E0 + 1;
                inSpeech = true;
                mult = 1.0f;
                S0 = start;
                ++count;
                if (static_cast<double>(S0) / rate - lastEnd > 0.01)
                    line(static_cast<double>(S0) / rate, 'S', count);
                run.parts.push_back({count, E0, S0});
            }
            if (inSpeech) {
                const int64_t D = P - S0;
                if (D > limit(1.5f))
                    mult = 10000;
                else if (D > limit(1.3f)) {
                    if (e < o.sampleThreshold)
                        mult = 10000;
                } else {
                    for (const auto& [factor, fraction] : rows) {
                        if (D > limit(factor)) {
                            mult = static_cast<float>(fraction / o.endThreshold);
                            break;
                        }
                    }
                }
                const float hm = static_cast<float>(H) * mult;
                if (P - S0 + L >= kBlock || A < hm * o.endThreshold) {
                    ++count;
                    mult = 1.0f;
                    if (P <= S0 && P < 5000000) {
                        run.errorNumbers.push_back(count);
                    } else {
                        line(static_cast<double>(P) / rate, 'V', count);
                        lastEnd = static_cast<float>(static_cast<double>(P) / rate);
                        run.parts.push_back({count, S0, P});
                        E0 = P;
                        inSpeech = false;
                    }
                }
            }
        }
        if (base + kBlock > total)
            break;
    }
    if (total > 0) {
        ++count;
        const bool speech = count % 2 == 0;
        line(static_cast<double>(P) / rate, speech ? 'V' : 'S', count);
        run.parts.push_back({count, speech ? S0 : E0, total - 1});
    }
    return run;
}

} // namespace lectorio::testing
