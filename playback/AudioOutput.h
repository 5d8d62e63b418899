// SPDX-License-Identifier: GPL-3.0-or-later
// The outputs behind the MCI-style command layer: a sound server (PulseAudio
// through libpulse) or a clock-driven null output for tests.
//
// An output plays runs of one decoded track. A run starts at a frame and plays
// to the end of the track unless it is stopped first; the layer above keeps
// the paused position, so an output knows only "playing from frame f" and
// "stopped". Positions are frame indices (one frame = one mono sample) from 0
// to the track's frame count.
//
// Outputs and their streams are used from one thread at a time (the GUI
// thread); the PulseAudio output does its audio work on its own thread behind
// that.
#pragma once

#include "MciError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lectorio {

// A decoded file: mono signed 16-bit samples at the file's own rate.
struct PcmTrack {
    std::vector<int16_t> samples;
    uint32_t sampleRate = 0; // frames per second, > 0
    int64_t FrameCount() const { return static_cast<int64_t>(samples.size()); }
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    // Ends any current run and starts one at `fromFrame` (0 ..frame count).
    // MciError::None, or NoAudioOutput / OutputFailed when nothing can play.
    virtual MciError Start(int64_t fromFrame) = 0;
    // During a run: the frame being heard now, from the run's start frame up to
    // the frame count (which it keeps once the run has played out). Without a
    // run: the frame the last run stopped at.
    virtual int64_t Position() = 0;
    // Ends the run so that no more sound comes out and returns the frame it
    // stopped at. Harmless without a run.
    virtual int64_t Stop() = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // A stream for `track`; does not contact any server yet.
    virtual std::unique_ptr<OutputStream> CreateStream(std::shared_ptr<const PcmTrack> track) = 0;
};

// The program's output: the PulseAudio (or PipeWire) server of the session,
// reached at the first Start. Streams carry the application name "Lectorio",
// the icon name "lectorio" and the media role "production".
std::shared_ptr<AudioOutput> CreatePulseOutput();

// An output that plays nothing: a run's position advances with `clock`.
// Without a clock, std::chrono::steady_clock is used. Tests inject it so that
// no sound server is needed.
class NullOutput : public AudioOutput {
public:
    using Clock = std::function<std::chrono::microseconds()>;
    explicit NullOutput(Clock clock = {});
    std::unique_ptr<OutputStream> CreateStream(std::shared_ptr<const PcmTrack> track) override;

    // Makes every following Start fail with `error` (None restores normal work),
    // to stand for a missing or failing server.
    void SetStartError(MciError error) { startError_ = error; }

private:
    friend class NullStream;
    Clock clock_;
    MciError startError_ = MciError::None;
};

} // namespace lectorio
