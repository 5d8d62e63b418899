// SPDX-License-Identifier: GPL-3.0-or-later
// One segmentation run of the project on screen: SegmentRecording with the
// project's bookkeeping hooked into its closing steps.
//
// RunSegmentation keeps state.segmentCount in step with the segments written,
// deletes stale segment files of an earlier run (state.DeleteStaleSegmentFiles)
// and writes the project file (state.WriteProjectFile) at their places among
// the closing steps, and forwards progress, status texts and the segmentation
// error to `display`. It does not create the empty transcripts: the caller
// does that afterwards (state.CreateEmptyTextFiles).
//
// While the run goes on, the project file records a count a little ahead of
// the segments written, so a run that is killed can be opened or cleaned;
// the run's end writes the exact count. A run that `display` stops
// (StopRequested) removes the segment recordings, the label file and the
// project file it wrote.
//
// Runs on the caller's thread (the segmentation worker in the program);
// `display` is called on that thread.
#pragma once

#include "ProjectState.h"
#include "Segmenter.h"

namespace lectorio {

SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display);

// The same run over samples from `source` (a decoded recording) instead of
// the WAV reader; the label file goes to `labelPath` (empty: none).
SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display, SampleSource& source,
                                   const std::string& labelPath);

} // namespace lectorio
