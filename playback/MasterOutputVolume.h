// SPDX-License-Identifier: GPL-3.0-or-later
// The master output volume: volume and mute of the sound server's default
// sink (PulseAudio or PipeWire). The object follows the default sink when the
// user picks another one.
//
// Values are the server's volume units: 0 is silent and the maximum is the
// sink's normal volume (100 %), so the volume slider never amplifies. Every
// getter answers -1, and every setter does nothing, silently, when no server,
// no default sink or no volume is there.
//
// Methods are for the GUI thread (any one thread at a time).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace lectorio {

class SinkVolumeControl;

class CMasterOutputVolume {
public:
    // Called with the new volume (first channel) and the registered user value.
    using ChangeListener = std::function<void(int64_t volume, uint32_t userValue)>;
    // Runs a task on the thread the listener should be called on.
    using Executor = std::function<void(std::function<void()>)>;

    // Connects to the session's server (never starts one).
    CMasterOutputVolume();
    virtual ~CMasterOutputVolume();
    CMasterOutputVolume(const CMasterOutputVolume&) = delete;
    CMasterOutputVolume& operator=(const CMasterOutputVolume&) = delete;

    // A default sink with a volume exists.
    virtual bool IsAvailable();
    // Mute off / on.
    virtual void Enable();
    virtual void Disable();
    virtual int64_t GetSteps();
    virtual int64_t GetMinimum();
    virtual int64_t GetMaximum();
    // The first channel's volume.
    virtual int64_t GetVolume();
    // Sets every channel; values outside GetMinimum..GetMaximum are ignored.
    virtual void SetVolume(int64_t value);

    // Registers the listener for volume changes made anywhere (this program,
    // the desktop's mixer, pactl), replacing the previous one; an empty
    // function removes it. With an executor, each call is handed to it (for
    // example to post into the GUI thread's event queue); without one, the
    // listener runs on the server connection's own thread and must not call
    // this object's methods (they would answer -1 there).
    virtual void SetChangeListener(ChangeListener listener, uint32_t userValue, Executor executor = {});

private:
    std::unique_ptr<SinkVolumeControl> control_;
};

} // namespace lectorio
