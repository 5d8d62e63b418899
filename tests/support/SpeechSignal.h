// SPDX-License-Identifier: GPL-3.0-or-later
// The speech-like test signal shared by the engine's tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace lectorio::test {

// Speech-like test signal: syllables of a glottal pulse train through two
// resonances with a gliding fundamental (90 to 260 Hz), noise bursts for
// fricatives, pauses, and a little background noise, scaled to a peak of
// 20000. Deterministic per seed: tests store hashes of what the engine makes
// of it, so any change here changes those known answers.
inline std::vector<int16_t> SpeechLike(uint32_t rate, double seconds, uint32_t seed) {
    std::mt19937 random(seed);
    auto uniform = [&] { return (random() >> 8) * (1.0 / 16777216.0); }; // [0, 1)
    const int64_t n = static_cast<int64_t>(seconds * rate);
    std::vector<double> out(static_cast<size_t>(n));
    int64_t i = 0;
    double phase = 0.0, y1 = 0, y2 = 0, z1 = 0, z2 = 0;
    while (i < n) {
        const int kind = static_cast<int>(uniform() * 10); // 0-6 voiced, 7 fricative, 8-9 pause
        const int64_t length = static_cast<int64_t>((0.06 + 0.25 * uniform()) * rate);
        const double f0a = 90 + 170 * uniform(), f0b = 90 + 170 * uniform();
        const double formant = 300 + std::min(1800.0, rate / 6.0) * uniform();
        const double level = 2000 + 9000 * uniform();
        const double r = 0.97, c = 2 * r * std::cos(2 * M_PI * formant / rate);
        const double c2 = 2 * 0.93 * std::cos(2 * M_PI * (formant * 2.3) / rate);
        for (int64_t k = 0; k < length && i < n; ++k, ++i) {
            const double progress = static_cast<double>(k) / length;
            const double envelope = std::sin(M_PI * progress);
            double excitation = 0.0;
            if (kind <= 6) {
                phase += (f0a + (f0b - f0a) * progress) / rate;
                if (phase >= 1.0) {
                    phase -= 1.0;
                    excitation = 1.0;
                }
            } else if (kind == 7) {
                excitation = (uniform() - 0.5) * 0.6;
            }
            const double y = excitation + c * y1 - r * r * y2;
            y2 = std::exchange(y1, y);
            const double z = y + c2 * z1 - 0.93 * 0.93 * z2;
            z2 = std::exchange(z1, z);
            out[i] = level * envelope * (kind <= 6 ? 0.08 * z : 2.0 * excitation) + 30 * (uniform() - 0.5);
        }
    }
    const auto [lowest, highest] = std::ranges::minmax(out);
    const double peak = std::max({1.0, -lowest, highest});
    std::vector<int16_t> samples(static_cast<size_t>(n));
    for (int64_t k = 0; k < n; ++k)
        samples[k] = static_cast<int16_t>(std::lround(out[k] * (20000.0 / peak)));
    return samples;
}

} // namespace lectorio::test
