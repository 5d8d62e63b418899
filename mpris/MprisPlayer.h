// SPDX-License-Identifier: GPL-3.0-or-later
// What the MPRIS service needs of the player it publishes: its state, and the
// commands that the bus's methods map onto. The player implements it; the
// service decides which command a bus method means (CMprisService).
//
// All calls come on the GUI thread.
#pragma once

#include <QString>

#include <cstdint>

namespace lectorio {

enum class MprisStatus { Stopped, Playing, Paused };

struct MprisState {
    MprisStatus status = MprisStatus::Stopped;
    bool atEnd = false;       // playing, but the end of the file has been reached
    int32_t segment = 0;      // the segment shown; 0 when none is
    int32_t segmentCount = 0; // segments of the project
    QString projectName;
    int64_t lengthMs = 0; // length of what plays (the segment, or its slow version)
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
};

class MprisPlayer {
public:
    virtual ~MprisPlayer() = default;

    virtual MprisState State() const = 0;
    // Playback position in the file that plays, in milliseconds.
    virtual int64_t PositionMs() const = 0;

    virtual void Play() = 0;            // plays the segment from its start
    virtual void PauseOrContinue() = 0; // pauses, or continues a little before the paused position
    virtual void Next() = 0;
    virtual void Previous() = 0;
    virtual void SeekTo(int64_t positionMs) = 0; // within the segment playing or paused
    virtual void Raise() = 0;
    virtual void Quit() = 0;
};

} // namespace lectorio
