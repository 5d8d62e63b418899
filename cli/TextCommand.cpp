// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <filesystem>

#include "Commands.h"
#include "FinalText.h"
#include "ProjectState.h"

namespace lectorio::cli {

namespace {

// The project name as the program names an opened project. The program gets
// absolute paths from its file dialog; here a relative path is tried as given
// first (a project made with a relative folder records that folder) and then
// made absolute.
std::string ProjectNameFor(const std::string& path, const std::string& folder) {
    std::string name = ProjectNameFromProjectPath(path, folder);
    if (name.find('/') == std::string::npos)
        return name;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return name;
    const std::string other = ProjectNameFromProjectPath(absolute.lexically_normal().string(), folder);
    return other.find('/') == std::string::npos ? other : name;
}

} // namespace

std::optional<ProjectState> OpenCommandProject(const std::string& path) {
    const ProjectFileContents contents = ReadProjectFile(path);
    if (!contents.ok) {
        std::fprintf(stderr, "lectorio-cli: cannot read the project file '%s'\n", path.c_str());
        return std::nullopt;
    }
    if (contents.outputFolder.empty()) {
        std::fprintf(stderr, "lectorio-cli: the project file '%s' records no project folder\n", path.c_str());
        return std::nullopt;
    }
    ProjectState state;
    state.outputFolder = contents.outputFolder;
    state.segmentCount = contents.segmentCount;
    state.projectName = ProjectNameFor(path, contents.outputFolder);
    state.projectOpen = true;
    return state;
}

int RunText(const Args& args) {
    if (args.size() != 1) {
        std::fputs("lectorio-cli: text takes one argument, the project file (PROJECT.vprj)\n", stderr);
        return 2;
    }
    const std::optional<ProjectState> opened = OpenCommandProject(args[0]);
    if (!opened)
        return 2;
    const ProjectState& state = *opened;
    const std::string finalPath = state.FinalTextPath();
    if (!WriteFinalTextFile(state)) {
        std::fprintf(stderr, "lectorio-cli: cannot write the final text file '%s'\n", finalPath.c_str());
        return 2;
    }
    std::printf("%s\n", finalPath.c_str());
    return 0;
}

} // namespace lectorio::cli
