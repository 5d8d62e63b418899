// SPDX-License-Identifier: GPL-3.0-or-later
// A scratch folder per fuzzing process (removed at exit) and whole files
// written from the fuzzer's bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace lectorio::fuzz {

inline const std::string& ScratchFolder() {
    // A plain array, so the clean-up at exit never meets a destroyed string.
    static char pattern[4096];
    static const std::string folder = [] {
        const std::string base = std::filesystem::temp_directory_path().string() + "/lectorio-fuzz-XXXXXX";
        if (base.size() >= sizeof pattern || !mkdtemp(std::strcpy(pattern, base.c_str())))
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(pattern, ignored);
        });
        return std::string(pattern);
    }();
    return folder;
}

inline std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = ScratchFolder() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace lectorio::fuzz
