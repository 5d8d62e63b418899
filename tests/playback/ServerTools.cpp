// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerTools.h"
#include "RunProgram.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lectorio::test {

bool ServerForTests() {
    const char* flag = std::getenv("LECTORIO_TEST_PULSE");
    return flag && std::string(flag) == "1";
}

std::string Pactl(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"pactl"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunProgram(all).out;
}

NoServer::NoServer() {
    const char* old = std::getenv("PULSE_SERVER");
    had_ = old != nullptr;
    if (old)
        old_ = old;
    setenv("PULSE_SERVER", "unix:/nonexistent/lectorio-no-server", 1);
}

NoServer::~NoServer() {
    if (had_)
        setenv("PULSE_SERVER", old_.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

MonitorRecorder::MonitorRecorder(int channels) {
    path_ = (std::filesystem::temp_directory_path() /
             ("lectorio-monitor-" + std::to_string(getpid()) + "-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".raw"))
                .string();
    const std::vector<std::string> arguments = {"parec",
                                                "--device=lectorio_null.monitor",
                                                "--format=s16le",
                                                "--rate=" + std::to_string(kRate),
                                                "--channels=" + std::to_string(channels),
                                                "--latency-msec=10"};
    pid_ = StartProgram(arguments, path_);
    // Wait until the recorder delivers data, so that nothing played after the
    // constructor is missed.
    for (int i = 0; i < 100 && pid_ > 0; ++i) {
        std::error_code ec;
        if (std::filesystem::file_size(path_, ec) > 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

MonitorRecorder::~MonitorRecorder() {
    Finish();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

std::vector<int16_t> MonitorRecorder::Finish() {
    if (pid_ > 0) {
        kill(pid_, SIGINT);
        int wstatus = 0;
        waitpid(pid_, &wstatus, 0);
        pid_ = -1;
    }
    std::vector<int16_t> samples;
    if (FILE* f = std::fopen(path_.c_str(), "rb")) {
        unsigned char pair[2];
        while (std::fread(pair, 1, 2, f) == 2)
            samples.push_back(static_cast<int16_t>(pair[0] | (pair[1] << 8)));
        std::fclose(f);
    }
    return samples;
}

std::vector<bool> ToneBlocks(const std::vector<int16_t>& samples, int rate, double frequency,
                             double minimumAmplitude) {
    const size_t block = static_cast<size_t>(rate / 100);
    std::vector<bool> result;
    for (size_t start = 0; start + block <= samples.size(); start += block) {
        // Correlation with a sine and a cosine of the frequency: the
        // amplitude of that component, whatever its phase.
        double re = 0.0;
        double im = 0.0;
        for (size_t i = 0; i < block; ++i) {
            const double phase = 2.0 * M_PI * frequency * static_cast<double>(i) / rate;
            const double x = samples[start + i] / 32768.0;
            re += x * std::cos(phase);
            im += x * std::sin(phase);
        }
        const double amplitude = 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(block);
        result.push_back(amplitude >= minimumAmplitude);
    }
    return result;
}

std::vector<std::pair<bool, int>> Runs(const std::vector<bool>& blocks) {
    std::vector<std::pair<bool, int>> runs;
    for (const bool b : blocks) {
        if (!runs.empty() && runs.back().first == b)
            ++runs.back().second;
        else
            runs.emplace_back(b, 1);
    }
    return runs;
}

} // namespace lectorio::test
