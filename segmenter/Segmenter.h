// SPDX-License-Identifier: GPL-3.0-or-later
// Speech/silence segmentation of a recording into numbered segment files.
//
// SegmentRecording reads the input once, in blocks of 5,000,000 samples, and
// writes alternating silence (odd numbers) and speech (even numbers) parts as
// WAV files "F/NNNNN_P.wav" in the input's own format, optionally with a label
// file beside the input. Memory stays bounded by two blocks whatever the
// recording's length.
//
// The engine shows nothing itself: progress, status texts and the
// segmentation error go to a SegmentationListener, called on the thread that
// runs SegmentRecording.
#pragma once

#include "SegmentationOptions.h"
#include "WaveFile.h"

#include <cstdint>
#include <string>

namespace lectorio {

class SegmentationListener {
public:
    virtual ~SegmentationListener() = default;
    // Progress position 0..1000; called only when the value changes.
    virtual void OnProgress(int position) { (void)position; }
    // Status line text ("File in process ", "Created File  : name", "").
    virtual void OnStatus(const std::string& text) { (void)text; }
    // The end test found a speech part of no length ("Error In Segmentation!").
    virtual void OnSegmentationError() {}
    // The segment count was raised to `count` (before that segment is written).
    virtual void OnSegmentCount(int32_t count) { (void)count; }
    // First closing step: stale segment files above `count` are due for deletion.
    virtual void OnDeleteStaleFiles(int32_t count) { (void)count; }
    // Last closing step: the project file is due, with the final count.
    virtual void OnWriteProjectFile(int32_t count) { (void)count; }
    // A segment file (or the label file) could not be created or written
    // completely; the run goes on with the next part.
    virtual void OnFileWriteFailed(const std::string& path) { (void)path; }
    // Asked once per block: true ends the run there, without its closing steps.
    virtual bool StopRequested() { return false; }
};

struct SegmentationResult {
    WaveStatus inputStatus = WaveStatus::NotOpened; // status after opening the input
    int32_t segmentCount = 0;
    uint32_t sampleRate = 0;
    int64_t framesRead = 0;
    int64_t framesExpected = 0; // frames the input's header announces
    int64_t speechFrames = 0;   // frames written into speech (even) segment files
    int64_t silenceFrames = 0;  // frames written into silence (odd) segment files
    int32_t filesWritten = 0;   // segment files written completely
    int32_t failedFiles = 0;    // segment files (and the label file) that could not be written
    bool labelFileWritten = false;
    bool stopped = false;            // StopRequested ended the run: no closing steps ran
    bool projectFileWritten = false; // set by RunSegmentation, which writes it

    // The input ended (or failed) before the length its header gives; the
    // run wrote what was read.
    bool InputEndedEarly() const { return framesRead < framesExpected; }
};

// The detector's fixed quantities for one run, derived from the options and
// the input's sample rate (all arithmetic in the precisions the detector uses).
struct SegmentationLimits {
    int64_t frameLength = 0; // L, samples per frame (400 at 16000 Hz)
    int32_t history = 1;     // H, frames in the decision window (at least 1)
    float startLimit = 0.0f; // speech starts when more frames than this are active: H x start threshold
    float maxLength = 0.0f;  // M = maximum length x sample rate, in samples
    // Length thresholds in samples after the speech start, for 1.5, 1.3, 0.95,
    // 0.9, 0.85, 0.8, 0.75, 0.7 and 0.65 of M.
    int64_t lengthThresholds[9] = {};
    // Length multipliers beyond the 0.95 ... 0.65 thresholds (0.45 ... 0.3
    // divided by the end threshold).
    float multipliers[7] = {};
};

SegmentationLimits ComputeSegmentationLimits(const SegmentationOptions& options, uint32_t sampleRate);

SegmentationResult SegmentRecording(const std::string& inputPath, const std::string& outputFolder,
                                    const std::string& projectName, const SegmentationOptions& options,
                                    SegmentationListener& listener);

// The label file of an input: every ".wav" (any case) replaced by ".lab" in the
// file name only, never in its folders; ".lab" appended when the name holds no
// ".wav". So the label file is never the input file.
std::string LabelFilePath(const std::string& inputPath);

} // namespace lectorio
