// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "Commands.h"
#include "ExportFile.h"

namespace lectorio::cli {

int RunExport(const Args& args) {
    std::string project;
    std::string formatName;
    std::string target;
    bool usage = false;
    for (size_t i = 0; i < args.size() && !usage; ++i) {
        std::string* value = args[i] == "--format" ? &formatName : args[i] == "-o" ? &target : nullptr;
        if (value && i + 1 < args.size())
            *value = args[++i];
        else if (value || !project.empty() || args[i].empty() || args[i][0] == '-')
            usage = true;
        else
            project = args[i];
    }
    const std::optional<ExportFormat> format = ExportFormatNamed(formatName);
    if (usage || project.empty() || !format) {
        std::fputs("lectorio-cli: export takes PROJECT.vprj --format srt|vtt|textgrid|eaf|audacity|csv "
                   "[-o FILE]\n",
                   stderr);
        return 2;
    }
    const std::optional<ProjectState> state = OpenCommandProject(project);
    if (!state)
        return 2;
    if (target.empty())
        target = ExportPath(*state, *format);
    const ExportOutcome outcome = ExportProject(*state, *format, target);
    switch (outcome.status) {
    case ExportStatus::Written:
        std::printf("%s\n", target.c_str());
        return 0;
    case ExportStatus::NoSegments:
        std::fprintf(stderr, "lectorio-cli: the project '%s' has no segments\n", project.c_str());
        return 2;
    case ExportStatus::SegmentUnreadable:
        std::fprintf(stderr, "lectorio-cli: the segment file '%s' is missing or unreadable\n",
                     outcome.path.c_str());
        return 2;
    case ExportStatus::TargetIsRecording:
        std::fprintf(stderr, "lectorio-cli: '%s' is a recording; choose another file\n", target.c_str());
        return 2;
    case ExportStatus::WriteFailed:
        break;
    }
    std::fprintf(stderr, "lectorio-cli: cannot write '%s'\n", target.c_str());
    return 1;
}

} // namespace lectorio::cli
