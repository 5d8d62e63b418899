// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting the files of a project: cleaning a project on request, and the
// temporary files of the slow-down engine when the program closes.
//
// Every deletion goes through a FileDeleter so that the order can be
// observed; the default deletes quietly (a missing file is no error).
//
// No Qt; runs on the calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ProjectState.h"

namespace lectorio {

using FileDeleter = std::function<void(const std::string& path)>;

// A project about to be cleaned, taken from its project file.
struct CleanTarget {
    std::string projectFilePath;
    std::string outputFolder; // as recorded in the project file
    std::string projectName;  // the project file's own name without ".vprj"
    int32_t segmentCount = 0;

    std::string SegmentWavePath(int32_t n) const;
    std::string SegmentTextPath(int32_t n) const;
    std::string FinalTextPath() const;
};

enum class CleanTargetStatus {
    Ok,
    Unreadable,  // the project file could not be opened or read
    NoFolder,    // the project file records no folder, so no file of it can be found
    NotAProject, // its count is not a number, or its folder does not exist
};

// What cleaning a project would delete: segment recordings and transcripts
// with text that exist.
struct CleanCounts {
    int32_t segmentFiles = 0;
    int32_t transcriptsWithText = 0;
};
CleanCounts CountCleanFiles(const CleanTarget& target);

// Reads the project file at `projectFilePath` into `target`, with the folder
// and name where the project lies now (LocateProject).
CleanTargetStatus ReadCleanTarget(const std::string& projectFilePath, CleanTarget& target);

// Deletes, for n = 1..segmentCount, the segment recording and then its
// transcript, then the resume file, and last the project file itself. The final text file is left
// alone: it goes only on a second request (DeleteCleanedFinalText).
void CleanProjectFiles(const CleanTarget& target, const FileDeleter& deleteFile = DeleteFileQuietly);

// Deletes the final text file of a cleaned project.
void DeleteCleanedFinalText(const CleanTarget& target, const FileDeleter& deleteFile = DeleteFileQuietly);

// The closing clean-up of the project on screen: deletes the slowed-down
// copies 1..L and then the pitch track. L is lastRunSegmentCount, or 5000
// when no run has ended in this process (5000 is then stored in
// lastRunSegmentCount); L is raised to segmentCount when the project on
// screen has more segments than that, so an opened project never keeps
// copies behind. Nothing is deleted while no output folder is set.
void DeleteClosingFiles(ProjectState& state, const FileDeleter& deleteFile = DeleteFileQuietly);

} // namespace lectorio
