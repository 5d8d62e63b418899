// SPDX-License-Identifier: GPL-3.0-or-later
// A project's segmentation run on a recording of any format: a WAV file that
// the own reader accepts goes the WAV path unchanged, anything else is decoded
// by MediaDecoder and fed to the same segmenter.
#pragma once

#include "ProjectState.h"
#include "SegmentationRun.h"

#include <string>

namespace lectorio {

struct RecordingCheck {
    bool ok = false;
    bool decoded = false; // the WAV reader refused it, the decoder took it
    std::string reason;   // why it cannot be read, when !ok
};

// Whether a recording can be segmented, before anything is written.
RecordingCheck CheckRecording(const std::string& path);

// The label file of a decoded recording: beside it (LabelFilePath) when its
// folder can be written, otherwise under the same name in the output folder.
std::string DecodedLabelPath(const std::string& inputPath, const std::string& outputFolder);

// RunSegmentation on state.inputPath, decoding it when the WAV reader refuses
// it. When the recording cannot be read at all, nothing is written or deleted
// and `error` gets the reason.
SegmentationResult RunRecordingSegmentation(ProjectState& state, const SegmentationOptions& options,
                                            SegmentationListener& display, std::string& error);

} // namespace lectorio
