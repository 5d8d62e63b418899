// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings in any format FFmpeg reads (MP3, M4A/AAC, Ogg, Opus, FLAC, AMR,
// WMA, the first audio stream of a video file, WAV variants the own reader
// refuses), decoded streaming into the segmenter.
//
// A MediaDecoder is a SampleSource: it delivers the first audio stream as
// 16-bit samples at the stream's own sample rate with one or two channels
// (more are mixed down to two), and hands the segmenter their mono mixdown
// exactly as WaveFile would read the same samples from a WAV file. Segment
// files are written as 16-bit PCM with that channel count.
//
// The file is read through a custom AVIOContext from a descriptor the decoder
// opens itself, so a path is never taken for a URL or a protocol, and
// demuxers may not open further files (playlists, references). Memory stays
// bounded by one packet and one frame whatever the length.
#pragma once

#include "SampleSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lectorio {

class MediaDecoder : public SampleSource {
public:
    ~MediaDecoder() override;
    MediaDecoder(const MediaDecoder&) = delete;
    MediaDecoder& operator=(const MediaDecoder&) = delete;

    // Opens a file and decodes up to its first audio frame. Returns null with
    // `error` set to a readable reason (FFmpeg's own where it gives one).
    static std::unique_ptr<MediaDecoder> Open(const std::string& path, std::string& error);
    // The same over bytes in memory, which must outlive the decoder.
    static std::unique_ptr<MediaDecoder> OpenMemory(const uint8_t* data, size_t size, std::string& error);

    WaveFormat Format() const override;
    int64_t FrameCount() const override { return -1; }
    int64_t EstimatedFrames() const override { return estimatedFrames_; }
    int64_t Read(int16_t* buffer, int64_t count) override;
    std::string Failure() const override { return failure_; }

    // Reads up to `frames` frames interleaved (Format().channels samples each).
    int64_t ReadInterleaved(int16_t* buffer, int64_t frames);

    struct Impl;

private:
    explicit MediaDecoder(std::unique_ptr<Impl> impl);
    // The decoder of an opened container once its first samples are decoded.
    static std::unique_ptr<MediaDecoder> Start(std::unique_ptr<Impl> impl, std::string& error);
    bool Refill();

    std::unique_ptr<Impl> impl_;
    std::vector<int16_t> pending_; // converted interleaved samples not yet delivered
    size_t pendingStart_ = 0;
    uint16_t channels_ = 1;
    uint32_t sampleRate_ = 0;
    int64_t estimatedFrames_ = 0;
    std::string failure_;
    bool ended_ = false;
};

// The file name patterns of recordings a file dialog offers.
const char* RecordingPatterns();

} // namespace lectorio
