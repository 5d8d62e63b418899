// SPDX-License-Identifier: GPL-3.0-or-later
// Signals for the slow-down tests: sines, whose right answers are known, and
// the shared speech-like signal.
#pragma once

#include "PitchAnalyzer.h"
#include "SpeechSignal.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace lectorio::testing {

using namespace test; // TempFolder, WriteWave, SpeechLike, Fnv1a, ...

inline std::vector<int16_t> Sine(double frequency, double amplitude, uint32_t rate, int64_t n) {
    std::vector<int16_t> s(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i)
        s[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2.0 * M_PI * frequency * i / rate)));
    return s;
}

// An analyzer prepared for `rate` with the usual range of 40 to 400 Hz.
inline void PrepareAt(PitchAnalyzer& analysis, int32_t rate) {
    analysis.fs = rate;
    analysis.Prepare();
}

// The pitch track of `samples` at `rate`.
inline PitchTrack TrackOf(const std::vector<int16_t>& samples, int32_t rate, int threads = 1) {
    PitchAnalyzer analysis;
    PrepareAt(analysis, rate);
    analysis.RunOnSamples(samples.data(), static_cast<int64_t>(samples.size()), threads);
    return analysis.Track();
}

} // namespace lectorio::testing
