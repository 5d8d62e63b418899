// SPDX-License-Identifier: GPL-3.0-or-later
// Tools for the tests against the private sound server: running pactl,
// recording the null sink's monitor with parec, and finding a tone in a
// recording. Programs are started with posix_spawnp, never through a shell.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lectorio::test {

// True when scripts/with-pulseaudio.sh has started a server for the tests.
bool ServerForTests();

// Runs pactl with `arguments` and returns what it prints.
std::string Pactl(const std::vector<std::string>& arguments);

// Points the sound-server clients at a socket that does not exist while it
// lives.
class NoServer {
public:
    NoServer();
    ~NoServer();
    NoServer(const NoServer&) = delete;
    NoServer& operator=(const NoServer&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

// Records the null sink's monitor as 16-bit samples at kRate, mono or
// interleaved stereo, while the object lives (or until Finish).
class MonitorRecorder {
public:
    static constexpr int kRate = 16000;
    explicit MonitorRecorder(int channels = 1);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;
    bool Started() const { return pid_ > 0; }
    // Stops the recorder and returns what it recorded.
    std::vector<int16_t> Finish();

private:
    pid_t pid_ = -1;
    std::string path_;
};

// For each 10 ms block of `samples` (at `rate`), whether it holds a sine of
// `frequency` Hz with an amplitude of at least `minimumAmplitude` (0..1).
std::vector<bool> ToneBlocks(const std::vector<int16_t>& samples, int rate, double frequency,
                             double minimumAmplitude);

// Runs of equal values in `blocks`: (value, length in blocks), in order.
std::vector<std::pair<bool, int>> Runs(const std::vector<bool>& blocks);

} // namespace lectorio::test
