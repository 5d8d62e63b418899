// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioOutput.h"

#include "WaveFile.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace lectorio {

namespace {

// Largest sample rate a file may have to be played (the sound servers' own limit).
constexpr uint32_t kMaxSampleRate = 384000;

} // namespace

MciError PcmSource::Open(const std::string& path, std::shared_ptr<PcmSource>& source) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::path(path), ec))
        return MciError::FileNotFound;
    if (std::filesystem::is_directory(std::filesystem::path(path), ec))
        return MciError::NotPlayableWave;
    std::unique_ptr<WaveFile> file = OpenWaveFile(path);
    if (file->status == WaveStatus::OpenFailed)
        return MciError::FileNotReadable;
    // WaveFile never reports a rate of 0.
    if (file->status != WaveStatus::Reading || file->sampleRate > kMaxSampleRate)
        return MciError::NotPlayableWave;
    std::shared_ptr<PcmSource> opened(new PcmSource);
    // The header's length, already cut to what the file holds.
    opened->frameCount_ = file->frameCount;
    opened->sampleRate_ = file->sampleRate;
    opened->channels_ = file->channels;
    opened->bitsPerSample_ = file->bitsPerSample;
    opened->formatTag_ = file->formatTag;
    opened->blockAlign_ = file->blockAlign;
    opened->file_ = std::move(file);
    source = std::move(opened);
    return MciError::None;
}

PcmSource::~PcmSource() = default;

int64_t PcmSource::ReadFrames(int64_t from, int64_t count, uint8_t* out) {
    count = std::min(count, frameCount_ - from);
    if (from < 0 || count <= 0)
        return 0;
    // A read at its own offset leaves the stream's position alone, so the
    // sound thread and the window can read at the same time.
    const ssize_t got = ::pread(fileno(file_->stream), out, static_cast<size_t>(count) * blockAlign_,
                                static_cast<off_t>(file_->dataStart + from * blockAlign_));
    return std::max<int64_t>(got, 0) / blockAlign_;
}

int64_t PcmSource::ReadMonoFrames(int64_t from, int64_t count, int16_t* out) {
    std::vector<uint8_t> raw(static_cast<size_t>(std::max<int64_t>(count, 0)) * blockAlign_);
    const int64_t frames = ReadFrames(from, count, raw.data());
    const int bytes = bitsPerSample_ / 8;
    const uint8_t* p = raw.data();
    for (int64_t i = 0; i < frames; ++i) {
        // Each channel's sample divided by the channel count, as WaveFile mixes.
        int32_t sum = 0;
        for (int c = 0; c < channels_; ++c, p += bytes)
            sum += DecodeSample(p, formatTag_, bitsPerSample_) / channels_;
        out[i] = static_cast<int16_t>(sum);
    }
    return frames;
}

} // namespace lectorio
