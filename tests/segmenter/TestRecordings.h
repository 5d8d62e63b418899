// SPDX-License-Identifier: GPL-3.0-or-later
// Generated recordings for the segmenter tests.
#pragma once

#include "TestFiles.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace lectorio::testing {

using test::ReadWave;
using test::Slurp;
using test::TempFolder;
using test::WriteWave;

// Square wave of +-amplitude (period 2 samples, zero mean over any even span).
inline void AddLoud(std::vector<int16_t>& x, int64_t from, int64_t count, int16_t amplitude = 10000) {
    for (int64_t i = 0; i < count; ++i)
        x[static_cast<size_t>(from + i)] = static_cast<int16_t>((i & 1) ? -amplitude : amplitude);
}

// A speech-like recording: bursts of noise of random length and loudness over
// a quiet noise floor.
inline std::vector<int16_t> SpeechLike(int64_t length, uint32_t rate, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<int16_t> x(static_cast<size_t>(length));
    std::normal_distribution<double> floor(0.0, 40.0);
    for (auto& v : x)
        v = static_cast<int16_t>(floor(random));
    std::uniform_real_distribution<double> seconds(0.05, 6.0);
    std::uniform_int_distribution<int> loud(500, 12000);
    int64_t p = static_cast<int64_t>(seconds(random) * rate);
    while (p < length) {
        const int64_t burst = std::min<int64_t>(static_cast<int64_t>(seconds(random) * rate), length - p);
        std::normal_distribution<double> voice(0.0, loud(random));
        for (int64_t i = 0; i < burst; ++i)
            x[static_cast<size_t>(p + i)] =
                static_cast<int16_t>(std::clamp(voice(random), -32768.0, 32767.0));
        p += burst + static_cast<int64_t>(seconds(random) * rate * 0.5);
    }
    return x;
}

} // namespace lectorio::testing
