// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli segment INPUT OUTPUT_FOLDER PROJECT_NAME [options]
//
// One segmentation run as the program's Start makes it, as the first run of a
// process: segment files, label file, stale-file deletion, project file, then
// the empty transcripts. INPUT is a WAV file or any recording FFmpeg decodes.
#include "Commands.h"
#include "MediaInput.h"
#include "OptionFields.h"
#include "ProjectState.h"
#include "SegmentationRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace lectorio::cli {

namespace {

int Usage(const std::string& problem) {
    std::fprintf(stderr, "lectorio-cli segment: %s\n\n%s", problem.c_str(), UsageText());
    return 2;
}

// Draws a bar on stderr (only used when stderr is a terminal).
class TerminalDisplay : public SegmentationListener {
public:
    TerminalDisplay(bool bar, bool keepPartial) : bar_(bar), keepPartial_(keepPartial) {}
    void OnProgress(int position) override {
        if (!bar_)
            return;
        constexpr int kWidth = 40;
        const int filled = position * kWidth / 1000;
        std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                     kWidth - filled, "", position / 10);
        std::fflush(stderr);
        drawn_ = true;
    }
    void OnSegmentationError() override {
        EndBar();
        std::fputs("lectorio-cli segment: Error In Segmentation!\n", stderr);
    }
    void OnFileWriteFailed(const std::string& path) override {
        EndBar();
        std::fprintf(stderr, "lectorio-cli segment: cannot write %s\n", path.c_str());
    }
    bool KeepPartialInput(const std::string& reason) override {
        EndBar();
        std::fprintf(stderr, "lectorio-cli segment: the recording decodes with errors part-way: %s\n%s\n",
                     reason.c_str(),
                     keepPartial_
                         ? "lectorio-cli segment: keeping what was decoded (--keep-partial)"
                         : "lectorio-cli segment: nothing kept; --keep-partial keeps what was decoded");
        return keepPartial_;
    }
    void EndBar() {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool bar_;
    bool keepPartial_;
    bool drawn_ = false;
};

} // namespace

int RunSegment(const Args& args) {
    std::vector<std::string> positional;
    SegmentationFieldTexts fields = FormatSegmentationFields(SegmentationOptions{});
    bool createLabel = true;
    bool optionsEnded = false;
    bool keepPartial = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* field = nullptr;
        if (optionsEnded) {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--max-length")
            field = &fields.maxSegmentLength;
        else if (a == "--start-threshold")
            field = &fields.startThreshold;
        else if (a == "--end-threshold")
            field = &fields.endThreshold;
        else if (a == "--history")
            field = &fields.energyHistory;
        else if (a == "--sample-threshold")
            field = &fields.sampleThreshold;
        else if (a == "--keep-partial") {
            keepPartial = true;
            continue;
        } else if (a == "--no-label") {
            createLabel = false;
            continue;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
            continue;
        }
        if (i + 1 >= args.size())
            return Usage("option " + a + " needs a value");
        *field = args[++i];
    }
    if (positional.size() != 3)
        return Usage("expects INPUT OUTPUT_FOLDER PROJECT_NAME");
    const SegmentationOptions options = ValidateSegmentationFields(fields, createLabel);

    ProjectState state;
    state.inputPath = positional[0];
    // The project file records the folder absolute, so the project opens from
    // any working folder.
    state.outputFolder = positional[1];
    if (!state.outputFolder.empty()) {
        std::error_code error;
        std::filesystem::path folder =
            std::filesystem::absolute(state.outputFolder, error).lexically_normal();
        if (!folder.has_filename() && folder != folder.root_path())
            folder = folder.parent_path();
        if (!error)
            state.outputFolder = folder.string();
    }
    // As Start does: the name never carries the project file's extension.
    state.projectName = ReplaceAll(positional[2], ".vprj", "");

    // Refuse before anything is written or deleted.
    if (!IsValidProjectName(state.projectName)) {
        std::fprintf(stderr,
                     "lectorio-cli segment: the project name must not contain \"/\" and must be at most %zu "
                     "bytes long\n",
                     MaxProjectNameBytes());
        return 2;
    }
    if (!IsRecordableFolder(state.outputFolder)) {
        std::fputs("lectorio-cli segment: the output folder's name must not contain a line break\n", stderr);
        return 2;
    }
    const RecordingCheck check = CheckRecording(state.inputPath);
    if (!check.ok) {
        std::fprintf(stderr, "lectorio-cli segment: cannot read '%s': %s\n", state.inputPath.c_str(),
                     check.reason.c_str());
        return 2;
    }
    if (!IsWritableFolder(state.outputFolder)) {
        std::fprintf(stderr, "lectorio-cli segment: output folder '%s' does not exist or cannot be written\n",
                     state.outputFolder.c_str());
        return 2;
    }
    // The run rewrites and deletes the project's segment files: the recording
    // must not be one of them.
    if (RecordingIsProjectSegment(state, state.inputPath)) {
        std::fprintf(stderr, "lectorio-cli segment: '%s' is a segment file of project '%s' itself\n",
                     state.inputPath.c_str(), state.projectName.c_str());
        return 2;
    }

    TerminalDisplay display(ShowProgress(), keepPartial);
    std::string error;
    const SegmentationResult result = RunRecordingSegmentation(state, options, display, error);
    display.EndBar();
    if (!error.empty()) {
        std::fprintf(stderr, "lectorio-cli segment: cannot read '%s': %s\n", state.inputPath.c_str(),
                     error.c_str());
        return 2;
    }
    if (result.stopped)
        return 1;
    const bool transcripts = state.CreateEmptyTextFiles();

    const double rate = result.sampleRate > 0 ? static_cast<double>(result.sampleRate) : 1.0;
    std::printf("%d segments written: %s s speech, %s s silence\n", result.filesWritten,
                FormatFixed(static_cast<double>(result.speechFrames) / rate, 2).c_str(),
                FormatFixed(static_cast<double>(result.silenceFrames) / rate, 2).c_str());
    // A decoded recording's label file may have gone to the output folder.
    if (check.decoded && !result.labelPath.empty())
        std::printf("label file: %s\n", result.labelPath.c_str());
    if (!transcripts)
        std::fputs("lectorio-cli segment: some transcript files could not be created\n", stderr);
    if (result.InputEndedEarly())
        std::fprintf(stderr, "lectorio-cli segment: the recording ended after %s of %s seconds\n",
                     FormatFixed(static_cast<double>(result.framesRead) / rate, 2).c_str(),
                     FormatFixed(static_cast<double>(result.framesExpected) / rate, 2).c_str());
    if (!result.projectFileWritten || !transcripts || result.failedFiles > 0 || result.InputEndedEarly())
        return 1;
    return 0;
}

} // namespace lectorio::cli
