// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectSafety.h"

#include <cstdio>
#include <filesystem>

namespace lectorio {

namespace {

// Following links, as opening the files does; false when the path cannot be
// looked at.
bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Segment 1 or 2 exists (a segmentation error may use up a number, never
// both of the first two).
bool HoldsSegments(const std::string& folder, const std::string& name) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = name;
    return IsFile(s.SegmentWavePath(1)) || IsFile(s.SegmentWavePath(2));
}

} // namespace

std::optional<ProjectLocation> LocateProject(const std::string& projectFilePath,
                                             const std::string& recordedFolder, int32_t segmentCount) {
    const size_t slash = projectFilePath.rfind('/');
    const std::string ownFolder = slash == std::string::npos ? std::string(".")
                                  : slash == 0               ? std::string("/")
                                                             : projectFilePath.substr(0, slash);
    const std::string recorded = !recordedFolder.empty() && recordedFolder[0] != '/'
                                     ? ownFolder + "/" + recordedFolder
                                     : recordedFolder;
    const std::string fileName = NameFromFilePath(projectFilePath, 5);
    const ProjectLocation candidates[] = {
        {ownFolder, fileName},
        {recorded, ProjectNameFromProjectPath(projectFilePath, recorded)},
        {recorded, fileName},
    };
    if (segmentCount > 0)
        for (const ProjectLocation& c : candidates)
            if (IsFolder(c.outputFolder) && HoldsSegments(c.outputFolder, c.projectName))
                return c;
    if (IsFolder(recorded))
        return candidates[1];
    return std::nullopt;
}

std::string ResumeFilePath(const ProjectState& state) {
    return state.outputFolder + "/" + state.projectName + ".resume";
}

std::string ResumeFileContent(const ResumePoint& point) {
    return std::to_string(point.segment) + " " + std::to_string(point.speedPosition);
}

std::optional<ResumePoint> ReadResumeFile(const ProjectState& state) {
    // A FIFO planted under the name is refused, not waited on.
    std::FILE* file = StreamOf(OpenRegularForReading(ResumeFilePath(state)), "rb");
    if (!file)
        return std::nullopt;
    ResumePoint point;
    char rest; // anything after the two numbers makes the file invalid
    const int fields = std::fscanf(file, "%d %d %c", &point.segment, &point.speedPosition, &rest);
    std::fclose(file);
    if (fields != 2 || point.segment < 1 || point.segment > state.segmentCount || point.speedPosition < 5 ||
        point.speedPosition > 20)
        return std::nullopt;
    return point;
}

bool ProjectNameClashes(const std::string& folder, const std::string& name) {
    const std::string base = folder + "/";
    if (IsFile(base + name + "_y.vprj"))
        return true;
    // Segments of "P_y" share the names of the slowed copies of P, also when P
    // is the empty name (".vprj").
    return name.ends_with("_y") && IsFile(base + name.substr(0, name.size() - 2) + ".vprj");
}

} // namespace lectorio
