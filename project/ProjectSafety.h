// SPDX-License-Identifier: GPL-3.0-or-later
// Where a project on disk really lies, and the small resume file beside its
// project file.
//
// A project folder may be copied, moved or renamed after the run that made
// it: its project file then records a folder that no longer holds (or no
// longer is) the project. LocateProject finds the folder that does hold the
// segment files, so such a project opens from where it lies now; the project
// file is not rewritten for that.
//
// The resume file "F/P.resume" keeps the segment on screen and the speed
// slider's position ("%i %i"), so that opening a project returns to where the
// work stopped. The project file keeps its own content; the resume file is
// written atomically and ignored when it cannot be read or makes no sense.
//
// No Qt; runs on the calling thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ProjectState.h"

namespace lectorio {

struct ProjectLocation {
    std::string outputFolder;
    std::string projectName;
};

// The folder and name of the project whose project file lies at
// `projectFilePath` and records `recordedFolder` and `segmentCount`. A
// relative recorded folder is taken from the project file's folder. In order:
// the project file's own folder, when it holds the project's segment files
// (a copied folder is the copy, not the original); the recorded folder with
// the name the project file gives there, when it holds them; the recorded
// folder with the project file's own name, when it holds them; the recorded
// folder as it stands, when it exists. Nothing when none of these exists.
std::optional<ProjectLocation> LocateProject(const std::string& projectFilePath,
                                             const std::string& recordedFolder, int32_t segmentCount);

struct ResumePoint {
    int32_t segment = 0;
    int32_t speedPosition = 10;
};

std::string ResumeFilePath(const ProjectState& state);
// What the resume file holds for `point`: "segment speed".
std::string ResumeFileContent(const ResumePoint& point);
// The resume point of the project, when its file reads as a segment within
// 1..segmentCount and a speed position within 5..20.
std::optional<ResumePoint> ReadResumeFile(const ProjectState& state);

// A project named "P_y" in the same folder as project P owns the names of
// P's slowed copies ("NNNNN_P_y.wav" are its segment files); either project
// name clashes with the other. Whether `name` in `folder` clashes with an
// existing project there.
bool ProjectNameClashes(const std::string& folder, const std::string& name);

} // namespace lectorio
