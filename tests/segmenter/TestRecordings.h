// Helpers of the segmenter tests: temporary folders, generated recordings,
// reading files back.
#pragma once

#include "WaveFile.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace lectorio::testing {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    explicit TempFolder(const std::string& tag) {
        path = fs::temp_directory_path() / ("lectorio-" + tag + "-" + std::to_string(::getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline void WriteWav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
                     uint16_t bits = 16, uint16_t channels = 1, uint16_t tag = kFormatPcm) {
    auto w = CreateWaveFile(path, rate, bits, channels, tag);
    w->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size()));
    w->Close();
}

inline std::vector<int16_t> ReadAll(const std::string& path) {
    auto w = OpenWaveFile(path);
    std::vector<int16_t> out(static_cast<size_t>(std::max<int64_t>(w->frameCount, 0)));
    const int64_t n = w->ReadMonoSamples(out.data(), static_cast<int64_t>(out.size()));
    out.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
    return out;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
