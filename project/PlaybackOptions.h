// SPDX-License-Identifier: GPL-3.0-or-later
// Options of playback and navigation, edited by the Playback Options dialog
// and not persisted, and the navigation values kept beside the project state.
#pragma once

#include <cstdint>

namespace lectorio {

struct PlaybackOptions {
    int32_t rewindSeconds = 1;    // seconds to go back when continuing after a pause; never negative
    bool skipSilenceFiles = true; // odd (silence) segments are passed over
};

struct NavigationState {
    bool navigationStarted = false; // cleared by Start and Open Project; set by moves, Play, Pause
    int32_t lastSpeedPosition = 10; // speed slider position the current playback was chosen with
    bool analysisDone = false;      // the pitch track of the current segment exists
};

} // namespace lectorio
