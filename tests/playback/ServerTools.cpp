// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerTools.h"
#include "RunProgram.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lectorio::test {

std::vector<int16_t> MakeSamples(uint32_t rate, const std::vector<Stretch>& stretches) {
    std::vector<int16_t> samples;
    for (const Stretch& s : stretches) {
        for (int64_t i = 0; i < static_cast<int64_t>(s.milliseconds) * rate / 1000; ++i) {
            const double phase = 2.0 * M_PI * s.frequency * static_cast<double>(i) / rate;
            samples.push_back(static_cast<int16_t>(std::lround(s.amplitude * 32767.0 * std::sin(phase))));
        }
    }
    return samples;
}

std::string Pactl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "pactl");
    return RunProgram(arguments).out;
}

MonitorRecorder::MonitorRecorder()
    : path_(std::filesystem::temp_directory_path() / "lectorio-monitor-XXXXXX") {
    close(mkstemp(path_.data()));
    pid_ = StartProgram({"parec", "--device=lectorio_null.monitor", "--format=s16le", "--rate=16000",
                         "--channels=2", "--latency-msec=10"},
                        path_);
    // Wait until the recorder delivers data, so that nothing played after the
    // constructor is missed.
    std::error_code ec;
    for (int i = 0; i < 100 && pid_ > 0 && std::filesystem::file_size(path_, ec) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

MonitorRecorder::~MonitorRecorder() {
    ToneRuns();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

std::array<std::vector<int>, 2> MonitorRecorder::ToneRuns() {
    if (pid_ > 0) {
        kill(pid_, SIGINT);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // Per side, the loudest sample of each 10 ms block (160 frames) decides
    // whether the block is loud.
    std::array<std::vector<int>, 2> runs;
    std::array<int, 2> peak{0, 0}, gap{-1, -1}; // gap: quiet blocks since the last run; -1 before the first
    std::ifstream recorded(path_, std::ios::binary);
    unsigned char frame[4];
    for (int n = 1; recorded.read(reinterpret_cast<char*>(frame), 4); ++n) {
        for (int side = 0; side < 2; ++side) {
            const int16_t sample = static_cast<int16_t>(frame[2 * side] | (frame[2 * side + 1] << 8));
            peak[side] = std::max(peak[side], std::abs(int{sample}));
            if (n % 160 != 0)
                continue;
            const bool loud = peak[side] >= 32768 / 5;
            if (loud && gap[side] >= 0 && gap[side] <= 3)
                runs[side].back() += gap[side] + 1;
            else if (loud)
                runs[side].push_back(1);
            gap[side] = loud ? 0 : gap[side] + (gap[side] >= 0 ? 1 : 0);
            peak[side] = 0;
        }
    }
    return runs;
}

} // namespace lectorio::test
