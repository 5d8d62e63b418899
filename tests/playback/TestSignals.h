// Generated test recordings: tones and silence written through WaveFile into
// a temporary folder that the fixture removes.
#pragma once

#include "WaveFile.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

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

// Writes `samples` as a WAV file; true on success.
inline bool WriteWave(const std::string& path, uint32_t rate, const std::vector<int16_t>& samples,
                      uint16_t bits = 16, uint16_t channels = 1, uint16_t tag = kFormatPcm) {
    auto file = CreateWaveFile(path, rate, bits, channels, tag);
    if (file->status != WaveStatus::Writing)
        return false;
    const bool written = file->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size())) ==
                         static_cast<int64_t>(samples.size());
    file->Close();
    return written && file->status == WaveStatus::Closed;
}

// A fresh folder below the system's temporary folder, removed on destruction.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& name) {
        path_ = std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

} // namespace lectorio::test
