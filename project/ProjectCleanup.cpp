// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCleanup.h"

#include <algorithm>

#include "ProjectSafety.h"
#include "SegmentNumbers.h"
#include "Segmenter.h"

#include <sys/stat.h>

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
    if (contents.outputFolder.empty())
        return CleanTargetStatus::NoFolder;
    const auto location = LocateProject(projectFilePath, contents.outputFolder, contents.segmentCount);
    if (!contents.countIsNumber || !location)
        return CleanTargetStatus::NotAProject;
    if (!IsUsableProjectFolder(location->outputFolder))
        return CleanTargetStatus::NoFolder;
    target.projectFilePath = projectFilePath;
    target.outputFolder = location->outputFolder;
    target.projectName = location->projectName;
    target.segmentCount = contents.segmentCount;
    return CleanTargetStatus::Ok;
}

CleanCounts CountCleanFiles(const CleanTarget& target) {
    CleanCounts counts;
    ForEachSegmentNumber(target.outputFolder, target.projectName, {".wav", ".txt"}, target.segmentCount,
                         [&](int32_t n) {
                             struct stat st {};
                             if (::stat(target.SegmentWavePath(n).c_str(), &st) == 0)
                                 ++counts.segmentFiles;
                             if (::stat(target.SegmentTextPath(n).c_str(), &st) == 0 && st.st_size > 0)
                                 ++counts.transcriptsWithText;
                         });
    return counts;
}

void CleanProjectFiles(const CleanTarget& target, const FileDeleter& deleteFile) {
    ForEachSegmentNumber(target.outputFolder, target.projectName, {".wav", ".txt"}, target.segmentCount,
                         [&](int32_t n) {
                             deleteFile(target.SegmentWavePath(n));
                             deleteFile(target.SegmentTextPath(n));
                         });
    ProjectState state;
    state.outputFolder = target.outputFolder;
    state.projectName = target.projectName;
    deleteFile(ResumeFilePath(state));
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
    if (state.HasSlowCopies())
        ForEachSegmentNumber(state.outputFolder, state.projectName, {"_y.wav"}, last,
                             [&](int32_t n) { deleteFile(state.SlowWavePath(n)); });
    deleteFile(state.PitchTrackPath());
}

} // namespace lectorio
