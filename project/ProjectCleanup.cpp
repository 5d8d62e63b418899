// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCleanup.h"

#include <algorithm>

#include "SegmentNumbers.h"

namespace lectorio {

std::string CleanTarget::SegmentWavePath(int32_t n) const {
    return outputFolder + "/" + SegmentNumberText(n) + "_" + projectName + ".wav";
}

std::string CleanTarget::SegmentTextPath(int32_t n) const {
    return outputFolder + "/" + SegmentNumberText(n) + "_" + projectName + ".txt";
}

std::string CleanTarget::FinalTextPath() const {
    return outputFolder + "/" + projectName + ".txt";
}

CleanTargetStatus ReadCleanTarget(const std::string& projectFilePath, CleanTarget& target) {
    const ProjectFileContents contents = ReadProjectFile(projectFilePath);
    if (!contents.ok)
        return CleanTargetStatus::Unreadable;
    if (!IsUsableProjectFolder(contents.outputFolder))
        return CleanTargetStatus::NoFolder;
    target.projectFilePath = projectFilePath;
    target.outputFolder = contents.outputFolder;
    target.projectName = NameFromFilePath(projectFilePath, 5);
    target.segmentCount = contents.segmentCount;
    return CleanTargetStatus::Ok;
}

void CleanProjectFiles(const CleanTarget& target, const FileDeleter& deleteFile) {
    ForEachSegmentNumber(target.outputFolder, target.projectName, {".wav", ".txt"}, target.segmentCount,
                         [&](int32_t n) {
                             deleteFile(target.SegmentWavePath(n));
                             deleteFile(target.SegmentTextPath(n));
                         });
    deleteFile(target.projectFilePath);
}

void DeleteCleanedFinalText(const CleanTarget& target, const FileDeleter& deleteFile) {
    deleteFile(target.FinalTextPath());
}

void DeleteClosingFiles(ProjectState& state, const FileDeleter& deleteFile) {
    if (state.lastRunSegmentCount == 0)
        state.lastRunSegmentCount = 5000;
    if (state.outputFolder.empty())
        return;
    const int32_t last = std::max(state.lastRunSegmentCount, state.segmentCount);
    ForEachSegmentNumber(state.outputFolder, state.projectName, {"_y.wav"}, last,
                         [&](int32_t n) { deleteFile(state.SlowWavePath(n)); });
    deleteFile(state.PitchTrackPath());
}

} // namespace lectorio
