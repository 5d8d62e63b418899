// SPDX-License-Identifier: GPL-3.0-or-later
// Files for the tests: a private temporary folder per test, WAV files written
// and read through WaveFile, and whole files as bytes.
#pragma once

#include "WaveFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lectorio::test {

// A fresh folder below the system's temporary folder, removed with its
// content. mkdtemp makes it unique, so tests may run side by side.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lectorio-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder (or in `folder`), sorted.
    std::vector<std::string> Names() const { return NamesIn(path_); }
    static std::vector<std::string> NamesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// Runs `f` with no file allowed to grow beyond `limit` bytes, as on a nearly
// full disk, and SIGXFSZ ignored: writes beyond it fail instead of killing the
// process (and a program started meanwhile inherits both).
template <typename F> auto WithFileSizeLimit(rlim_t limit, F f) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto result = f();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

inline void Touch(const std::string& path, const std::string& content = "") {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string bytes = Slurp(path);
    return {bytes.begin(), bytes.end()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    Touch(path, std::string(bytes.begin(), bytes.end()));
}

// Writes `samples` (one per frame, copied to every channel) as a WAV file;
// a failure fails the test and returns false.
inline bool WriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate = 16000,
                      uint16_t bits = 16, uint16_t channels = 1, uint16_t tag = kFormatPcm) {
    const bool written =
        WriteWaveFile(path, {rate, bits, channels, tag},
                      {{samples.data(), static_cast<int64_t>(samples.size())}}) == WaveStatus::Closed;
    EXPECT_TRUE(written) << "cannot write " << path;
    return written;
}

// The mono mixdown of a WAV file (empty when it cannot be read).
inline std::vector<int16_t> ReadWave(const std::string& path) {
    std::vector<int16_t> samples;
    ReadAllMonoSamples(*OpenWaveFile(path), samples);
    return samples;
}

// FNV-1a (64 bits) of `size` bytes, going on from `hash`: a known answer for
// outputs too long to list.
inline uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull) {
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
    return hash;
}

} // namespace lectorio::test
