// SPDX-License-Identifier: GPL-3.0-or-later
// Generated test recordings: stretches of tones and silence.
#pragma once

#include "TestFiles.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace lectorio::test {

// A stretch of a recording: `milliseconds` of a sine of `frequency` Hz
// (0 = silence) at `amplitude` (0..1).
struct Stretch {
    int milliseconds = 0;
    double frequency = 0.0;
    double amplitude = 0.5;
};

inline std::vector<int16_t> MakeSamples(uint32_t rate, const std::vector<Stretch>& stretches) {
    std::vector<int16_t> samples;
    for (const Stretch& s : stretches) {
        const int64_t count = static_cast<int64_t>(s.milliseconds) * rate / 1000;
        for (int64_t i = 0; i < count; ++i) {
            const double phase = 2.0 * M_PI * s.frequency * static_cast<double>(i) / rate;
            samples.push_back(static_cast<int16_t>(std::lround(s.amplitude * 32767.0 * std::sin(phase))));
        }
    }
    return samples;
}

} // namespace lectorio::test
