// SPDX-License-Identifier: GPL-3.0-or-later
// Where the segmenter's samples come from: a WAV file read by WaveFile, or a
// decoder of other media (outside the engine).
#pragma once

#include "WaveFile.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace lectorio {

class SampleSource {
public:
    virtual ~SampleSource() = default;
    // The format the segment files are written in.
    virtual WaveFormat Format() const = 0;
    // The exact number of frames when known before reading, else -1.
    virtual int64_t FrameCount() const = 0;
    // An estimate for the progress display when the exact count is unknown.
    virtual int64_t EstimatedFrames() const { return FrameCount(); }
    // Reads up to `count` mono frames; fewer only at the end of the input or
    // after a failure. Returns the frames delivered.
    virtual int64_t Read(int16_t* buffer, int64_t count) = 0;
    // Why the input ended before its end, once Read fell short; empty when
    // it simply ended.
    virtual std::string Failure() const { return {}; }
};

// A WAV file that WaveFile reads, as a sample source.
class WaveFileSource : public SampleSource {
public:
    explicit WaveFileSource(WaveFile& file) : file_(file) {}
    WaveFormat Format() const override { return FormatOf(file_); }
    int64_t FrameCount() const override { return file_.frameCount; }
    int64_t Read(int16_t* buffer, int64_t count) override {
        return std::max<int64_t>(file_.ReadMonoSamples(buffer, count), 0);
    }

private:
    WaveFile& file_;
};

} // namespace lectorio
