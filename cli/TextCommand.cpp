// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <filesystem>

#include "Commands.h"
#include "FinalText.h"
#include "ProjectSafety.h"
#include "ProjectState.h"

namespace lectorio::cli {

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
    // A copied or moved project is joined where its files lie now.
    std::error_code error;
    const std::string file = std::filesystem::absolute(path, error).lexically_normal().string();
    const auto location = LocateProject(file, contents.outputFolder, contents.segmentCount);
    if (!location || !IsUsableProjectFolder(location->outputFolder)) {
        std::fprintf(stderr,
                     "lectorio-cli: the project file '%s' records the folder '%s', where no project can be\n",
                     path.c_str(), contents.outputFolder.c_str());
        return std::nullopt;
    }
    ProjectState state;
    state.outputFolder = location->outputFolder;
    state.segmentCount = contents.segmentCount;
    state.projectName = location->projectName;
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
