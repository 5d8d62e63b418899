// SPDX-License-Identifier: GPL-3.0-or-later
// An MCI-style command layer: open WAV files under an alias, play, pause,
// seek, ask for the position and the length, close, all by command strings.
//
// Understood commands (words are case-insensitive; a path with blanks goes
// between double quotes, and a double quote inside it is written twice;
// QuoteForCommand does that):
//   open "path" [type waveaudio] [alias name] [notify|wait]
//   play name [from ms] [notify]       plays on, or from a position
//   pause name, resume name, stop name  end the sound and hold the position
//   seek name to ms|start|end           positions; a playing device stops
//   status name position|length|mode    answers decimal milliseconds, or
//                                       "playing", "paused", "stopped"
//   close name, close all
// Without an alias the device is named by its path. Positions and lengths are
// milliseconds, truncated from the frame position; "play from" and "seek to"
// go to the first frame at or after that millisecond, exact to the sample, so
// that the position then reads back as the same number.
//
// A device that has played to the end stays "playing" at the length, as the
// main window expects; it does not rewind by itself.
//
// Opening reads only the file's header (WaveFile: PCM of 8, 16 or 24 bits,
// mu-law, any channel count), so it costs the same for any length; the
// samples are read as they play. The output is contacted only when the
// device first plays, so measuring a length works without a sound server.
//
// GUI thread only (one thread at a time); the output may use its own thread.
#pragma once

#include "AudioOutput.h"
#include "MciError.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lectorio {

// `path` between double quotes, inner double quotes doubled.
std::string QuoteForCommand(const std::string& path);

class CMciCommandLayer {
public:
    // Devices play on `output`; by default the session's sound server.
    explicit CMciCommandLayer(std::shared_ptr<AudioOutput> output = CreatePulseOutput());
    ~CMciCommandLayer();
    CMciCommandLayer(const CMciCommandLayer&) = delete;
    CMciCommandLayer& operator=(const CMciCommandLayer&) = delete;

    // Carries out one command. On success `answer` (if given) receives the
    // command's answer, empty for commands without one; on failure it is left
    // empty and nothing has changed except as noted per command.
    MciError SendString(std::string_view command, std::string* answer = nullptr);

    // The number of open devices (for tests and diagnostics).
    size_t OpenDeviceCount() const { return devices_.size(); }

private:
    struct Device;
    MciError Open(const std::vector<std::string>& words);
    MciError Play(Device& device, const std::vector<std::string>& words);
    MciError Seek(Device& device, const std::vector<std::string>& words);
    MciError Status(Device& device, const std::vector<std::string>& words, std::string& answer);

    std::shared_ptr<AudioOutput> output_;
    std::map<std::string, std::unique_ptr<Device>> devices_; // key: lower-case name
};

} // namespace lectorio
