// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentationRun.h"

namespace lectorio {

namespace {

// Hooks the project's bookkeeping into the run and passes everything on to
// the caller's display.
class RunListener : public SegmentationListener {
public:
    RunListener(ProjectState& state, SegmentationListener& display)
        : state_(state), display_(display), recording_(FileIdentity::Of(state.inputPath)) {}

    void OnProgress(int position) override { display_.OnProgress(position); }
    void OnStatus(const std::string& text) override { display_.OnStatus(text); }
    void OnSegmentationError() override { display_.OnSegmentationError(); }
    void OnFileWriteFailed(const std::string& path) override { display_.OnFileWriteFailed(path); }
    bool StopRequested() override { return display_.StopRequested(); }
    bool KeepPartialInput(const std::string& reason) override { return display_.KeepPartialInput(reason); }
    void OnSegmentCount(int32_t count) override {
        state_.segmentCount = count;
        // A run that is killed leaves a project file that covers every
        // segment written so far, so Open and Clean still reach them.
        if (count > recordedCount_) {
            recordedCount_ = count + kRecordAhead;
            WriteFileAtomically(state_.ProjectFilePath(),
                                std::to_string(recordedCount_) + " " + state_.outputFolder, recording_);
        }
        display_.OnSegmentCount(count);
    }
    // The count is the last one OnSegmentCount gave (0 when it gave none).
    void OnDeleteStaleFiles(int32_t count) override {
        state_.DeleteStaleSegmentFiles();
        display_.OnDeleteStaleFiles(count);
    }
    void OnWriteProjectFile(int32_t count) override {
        projectFileWritten = state_.WriteProjectFile();
        if (!projectFileWritten)
            display_.OnFileWriteFailed(state_.ProjectFilePath());
        display_.OnWriteProjectFile(count);
    }

    bool projectFileWritten = false;

private:
    // The project file of a run in progress is rewritten once per this many
    // segments, each time recording the count this many segments ahead.
    static constexpr int32_t kRecordAhead = 63;
    int32_t recordedCount_ = 0;
    ProjectState& state_;
    SegmentationListener& display_;
    FileIdentity recording_; // never replaced by the project file
};

} // namespace

namespace {

SegmentationResult Run(ProjectState& state, const SegmentationOptions& options, SegmentationListener& display,
                       SampleSource* source, const std::string& labelPath) {
    state.segmentCount = 0;
    RunListener listener(state, display);
    SegmentationResult result =
        source ? SegmentSource(source, {state.outputFolder, state.projectName, state.inputPath, labelPath},
                               options, listener)
               : SegmentRecording(state.inputPath, state.outputFolder, state.projectName, options, listener);
    result.projectFileWritten = listener.projectFileWritten;
    // The segmenter removed the files of a stopped run; the project file
    // written ahead of it goes too.
    if (result.stopped)
        DeleteFileQuietly(state.ProjectFilePath(), FileIdentity::Of(state.inputPath));
    return result;
}

} // namespace

SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display) {
    return Run(state, options, display, nullptr, "");
}

SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display, SampleSource& source,
                                   const std::string& labelPath) {
    return Run(state, options, display, &source, labelPath);
}

} // namespace lectorio
