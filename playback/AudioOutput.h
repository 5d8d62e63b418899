// SPDX-License-Identifier: GPL-3.0-or-later
// The outputs behind the MCI-style command layer: a sound server (PulseAudio
// through libpulse) or a clock-driven null output for tests.
//
// An output plays runs of one WAV file's sample data, read from the file as it
// plays (never decoded whole into memory) and in the file's own encoding and
// channels. A run starts at a frame and plays to the end of the data unless it
// is stopped first; the layer above keeps the paused position, so an output
// knows only "playing from frame f" and "stopped". Positions are frame
// indices from 0 to the source's frame count.
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
#include <string>

namespace lectorio {

class WaveFile;

// The sample data of one WAV file, left where it lies: opening reads only the
// header (format and length), frames are read when they are wanted. Safe to
// read from any thread.
class PcmSource {
public:
    // Opens `path` and checks that its format can be played; MciError::None
    // with `source` set, or the reason it cannot be played.
    static MciError Open(const std::string& path, std::shared_ptr<PcmSource>& source);
    ~PcmSource();

    int64_t FrameCount() const { return frameCount_; }
    uint32_t SampleRate() const { return sampleRate_; }
    uint16_t Channels() const { return channels_; }
    uint16_t BitsPerSample() const { return bitsPerSample_; }
    uint16_t FormatTag() const { return formatTag_; }   // kFormatPcm or kFormatMuLaw
    uint16_t BlockAlign() const { return blockAlign_; } // bytes per frame

    // Copies up to `count` frames starting at frame `from` into `out`
    // (BlockAlign() bytes a frame, the file's own encoding). Returns the
    // frames copied: fewer at the end of the data or when the file has become
    // shorter than its header says.
    int64_t ReadFrames(int64_t from, int64_t count, uint8_t* out);
    // The same frames as mono 16-bit samples (each frame the mean of its
    // channels), for outputs that cannot take the file's channels.
    int64_t ReadMonoFrames(int64_t from, int64_t count, int16_t* out);

private:
    PcmSource() = default;
    std::unique_ptr<WaveFile> file_;
    int64_t frameCount_ = 0;
    uint32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    uint16_t bitsPerSample_ = 0;
    uint16_t formatTag_ = 0;
    uint16_t blockAlign_ = 0;
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
    // Whether the current run has ended because the output went away (the
    // sound server quit or crashed); Position then holds the last frame heard.
    virtual bool Lost() { return false; }
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // A stream for `source`; does not contact any server yet.
    virtual std::unique_ptr<OutputStream> CreateStream(std::shared_ptr<PcmSource> source) = 0;
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
    std::unique_ptr<OutputStream> CreateStream(std::shared_ptr<PcmSource> source) override;

    // Makes every following Start fail with `error` (None restores normal work),
    // to stand for a missing or failing server.
    void SetStartError(MciError error) { startError_ = error; }
    // Makes every running stream lost (true), as when the server quits.
    void SetLost(bool lost) { lost_ = lost; }

private:
    friend class NullStream;
    Clock clock_;
    MciError startError_ = MciError::None;
    bool lost_ = false;
};

} // namespace lectorio
