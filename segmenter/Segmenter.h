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

#include "SampleSource.h"
#include "SegmentationOptions.h"
#include "SpeechDetector.h"
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
    // Asked once per block: true ends the run before the next block, and the
    // files this run wrote are removed again.
    virtual bool StopRequested() { return false; }
    // The input failed part-way (`reason`): true keeps what was read so far
    // as a complete run, false ends it like a stop.
    virtual bool KeepPartialInput(const std::string& reason) {
        (void)reason;
        return false;
    }
};

struct SegmentationResult {
    int32_t segmentCount = 0;
    uint32_t sampleRate = 0;
    int64_t framesRead = 0;
    int64_t speechFrames = 0;  // frames written into speech (even) segment files
    int64_t silenceFrames = 0; // frames written into silence (odd) segment files
    int32_t filesWritten = 0;  // segment files written completely
    int32_t failedFiles = 0;   // segment files (and the label file) that could not be written
    bool labelFileWritten = false;
    std::string labelPath;           // where the label file went, when one was opened
    bool projectFileWritten = false; // set by RunSegmentation, which writes it
    // Ended by a stop or a declined partial input: no closing steps ran, the
    // files written were removed again, segmentCount holds the numbers used.
    bool stopped = false;
    std::string inputFailure;   // why the input ended early, when it did
    int64_t framesExpected = 0; // frames the input's header announces (0 when unknown)

    // The input ended (or failed) before the length its header gives; the
    // run wrote what was read.
    bool InputEndedEarly() const { return framesRead < framesExpected; }
};

SegmentationResult SegmentRecording(const std::string& inputPath, const std::string& outputFolder,
                                    const std::string& projectName, const SegmentationOptions& options,
                                    SegmentationListener& listener);

// Where a run's files go and what it must never write over.
struct SegmentationTarget {
    std::string outputFolder;
    std::string projectName;
    std::string inputPath; // the recording: never written over
    std::string labelPath; // empty: no label file
};

// A run over any sample source (SegmentRecording's WAV reader, or a decoder):
// the same cuts, files and closing steps as SegmentRecording for the same
// samples and format. `source` may be null for an input that yields nothing.
SegmentationResult SegmentSource(SampleSource* source, const SegmentationTarget& target,
                                 const SegmentationOptions& options, SegmentationListener& listener);

// The label file of an input: every ".wav" (any case) replaced by ".lab" in the
// file name only, never in its folders; ".lab" appended when the name holds no
// ".wav". So the label file is never the input file.
std::string LabelFilePath(const std::string& inputPath);

// "%.5d" of a segment number, as the segment files are named: at least five
// digits, zero-padded.
std::string SegmentNumberText(int32_t n);

} // namespace lectorio
