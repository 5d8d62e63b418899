// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a project to a file: the segment files' headers and transcripts
// are read into a TimedTranscript (Export.h) and the document replaces the
// target through WriteFileAtomically, so a failed export leaves no file and
// an old file as it was.
//
// Every segment file 1..segmentCount must be a readable WAV file: their frame
// counts give all the times, so the export is refused at the first one
// missing. A missing transcript counts as empty. The recording is known when
// `inputPath`, or else F/P.wav, is a WAV file with the sample rate of the
// segments and exactly the frames they cover.
//
// No Qt; runs on the calling thread.
#pragma once

#include <string>

#include "Export.h"
#include "ProjectState.h"

namespace lectorio {

enum class ExportStatus {
    Written,
    NoSegments,        // the project has no segment
    SegmentUnreadable, // `path`: the first segment file missing or no WAV file
    TargetIsRecording, // the target is a WAV file: a recording is never replaced
    WriteFailed,       // `path`: the target could not be written
};

struct ExportOutcome {
    ExportStatus status = ExportStatus::Written;
    std::string path;
};

// The proposed target: F/P and the format's extension.
std::string ExportPath(const ProjectState& state, ExportFormat format);

// Reads the project into `transcript`; on failure nothing else is done.
ExportOutcome LoadTimedTranscript(const ProjectState& state, TimedTranscript& transcript);

// Loads the project and writes it in `format` to `target`.
ExportOutcome ExportProject(const ProjectState& state, ExportFormat format, const std::string& target);

} // namespace lectorio
