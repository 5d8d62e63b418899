// SPDX-License-Identifier: GPL-3.0-or-later
// Private to playback/: the sound-server side of CMasterOutputVolume, the
// volume and mute of the server's default sink. Implemented with libpulse in
// PulseAudio.cpp, so that no other file sees the server's headers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace lectorio {

struct SinkVolumeState {
    uint32_t volume = 0;       // first channel, 0 (silent) .. normal and beyond
    uint32_t normalVolume = 0; // the server's 100 %
    uint32_t steps = 0;        // distinct volume steps the sink offers
};

class SinkVolumeControl {
public:
    virtual ~SinkVolumeControl() = default;
    // The default sink as it is now; nothing when no server or sink is there.
    virtual std::optional<SinkVolumeState> Query() = 0;
    // Set every channel of the default sink to `volume`, or its mute; a
    // server that has gone changes nothing.
    virtual void SetVolume(uint32_t volume) = 0;
    virtual void SetMute(bool mute) = 0;
    // `callback` receives the first channel's volume whenever it changes, or
    // the default sink is replaced by another. It runs on the server
    // connection's own thread and must not call back into this object.
    virtual void SetOnChange(std::function<void(uint32_t)> callback) = 0;
};

// Connects to the session's sound server; null when no server is reachable.
std::unique_ptr<SinkVolumeControl> ConnectSinkVolumeControl();

} // namespace lectorio
