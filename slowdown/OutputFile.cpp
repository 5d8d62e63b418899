// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFile.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

namespace lectorio {

std::string CreateFileBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::random_device device;
    std::mt19937_64 random(
        device() ^ static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%08x%04x.part", static_cast<unsigned>(random() & 0xFFFFFFFFu),
                      counter.fetch_add(1) & 0xFFFFu);
        const std::string candidate = folder + "." + name + suffix;
        // "x": created here and now, never an existing file.
        std::FILE* f = std::fopen(candidate.c_str(), "wbx");
        if (f) {
            std::fclose(f);
            return candidate;
        }
        std::error_code error;
        if (!std::filesystem::exists(candidate, error) || error)
            return std::string(); // the folder itself refuses
    }
    return std::string();
}

bool MoveIntoPlace(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    RemoveQuietly(temporary);
    return false;
}

void RemoveQuietly(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}

} // namespace lectorio
