// SPDX-License-Identifier: GPL-3.0-or-later
// Tools for the playback tests: generated tones, running pactl, recording the
// private server's null sink with parec and finding a tone in what it heard.
// Programs are started with posix_spawnp, never through a shell.
#pragma once

#include "MciCommandLayer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lectorio::test {

// A stretch of a recording: `milliseconds` of a sine of `frequency` Hz
// (0 = silence) at `amplitude` (0..1).
struct Stretch {
    int milliseconds = 0;
    double frequency = 0.0;
    double amplitude = 0.5;
};
std::vector<int16_t> MakeSamples(uint32_t rate, const std::vector<Stretch>& stretches);

// True when scripts/with-pulseaudio.sh has started a server for the tests.
inline bool ServerForTests() {
    const char* flag = std::getenv("LECTORIO_TEST_PULSE");
    return flag && std::string(flag) == "1";
}

// Runs pactl with `arguments` and returns what it prints.
std::string Pactl(std::vector<std::string> arguments);

// The answer to `command`, which must succeed.
inline std::string Answer(CMciCommandLayer& layer, const std::string& command) {
    std::string answer;
    EXPECT_EQ(layer.SendString(command, &answer), MciError::None) << command;
    return answer;
}

// Points the sound-server clients at a socket that does not exist while it
// lives.
struct NoServer {
    NoServer() {
        if (const char* old = std::getenv("PULSE_SERVER"))
            old_ = old;
        setenv("PULSE_SERVER", "unix:/nonexistent/lectorio-no-server", 1);
    }
    ~NoServer() { old_ ? setenv("PULSE_SERVER", old_->c_str(), 1) : unsetenv("PULSE_SERVER"); }
    std::optional<std::string> old_;
};

// Records the null sink's monitor in stereo while the object lives.
class MonitorRecorder {
public:
    MonitorRecorder();
    ~MonitorRecorder();
    bool Started() const { return pid_ > 0; }
    // Stops the recorder and returns, for the left and the right side, the
    // lengths in 10 ms blocks of the stretches that reach a fifth of full
    // scale. A gap of up to 30 ms inside a stretch (a dropout on a loaded
    // machine) does not split it; the silences the tests look for are far
    // longer.
    std::array<std::vector<int>, 2> ToneRuns();

private:
    pid_t pid_ = -1;
    std::string path_;
};

} // namespace lectorio::test
