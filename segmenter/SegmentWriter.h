// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the cuts of the detector into files: numbered segment recordings in
// the output folder, label lines in the label file, status texts.
//
// Used only by SegmentSource, on its thread. The writer borrows the listener
// and the result; it owns the label file stream while it is open.
#pragma once

#include "SafeFile.h"
#include "Segmenter.h"
#include "WaveFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace lectorio {

// The two blocks as the writer sees them: `current` holds the positions from
// `base` on, `previous` the kBlockSamples positions before `base`.
struct BlockView {
    const int16_t* current = nullptr;
    const int16_t* previous = nullptr;
    int64_t base = 0;
    int64_t end = 0; // one past the last valid position (input length or block end)
};

class SegmentWriter {
public:
    SegmentWriter(const std::string& outputFolder, const std::string& projectName, const WaveFormat& format,
                  const std::string& inputPath, SegmentationListener& listener, SegmentationResult& result);
    SegmentWriter(const SegmentWriter&) = delete;
    SegmentWriter& operator=(const SegmentWriter&) = delete;

    // Creates the label file afresh and writes its "#" line. Refuses a path
    // that is the input recording itself or a link. Returns false when no
    // label file is written.
    bool OpenLabelFile(const std::string& labelPath);
    // Closes the label file; one that could not be written completely is
    // reported like a segment file.
    void CloseLabelFile();
    // Removes the segment files and the label file this run wrote.
    void RemoveWrittenFiles();

    // Raises the segment count by one and reports it; returns the new count.
    int32_t RaiseCount();
    int32_t Count() const { return count_; }

    // The three events of the detector; positions are absolute and inclusive.
    // A silence part ends at a speech start (from E0 to S0).
    void SilenceEnds(const BlockView& blocks, int64_t from, int64_t to);
    // A speech part ends at frame position `to` (from S0).
    void SpeechEnds(const BlockView& blocks, int64_t from, int64_t to);
    // The rest of the input: `endPosition` is the position just past the last
    // analysed frame, which times the label line.
    void InputEnds(const BlockView& blocks, int64_t from, int64_t to, int64_t endPosition);

    // "F/NNNNN_P.wav", with "/" added only when F does not end with one.
    std::string SegmentPath(int32_t n) const;
    std::string SegmentName(int32_t n) const;

private:
    void WriteLabelLine(double seconds, char kind, int32_t n);
    void WritePart(int32_t n, const BlockView& blocks, int64_t from, int64_t to);
    bool IsInputFile(const std::string& path) const;

    std::string folder_;
    std::string projectName_;
    WaveFormat format_;
    SegmentationListener& listener_;
    SegmentationResult& result_;
    double rate_;
    FileIdentity inputIdentity_;
    std::string labelPath_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> label_{nullptr, std::fclose}; // closed at the latest here
    int32_t count_ = 0;
    float lastSpeechEndTime_ = 0.0f; // seconds, single precision by design
};

} // namespace lectorio
