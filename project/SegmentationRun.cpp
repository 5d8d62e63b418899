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
    bool StopRequested() override { return display_.StopRequested(); }
    void OnDeleteStaleFiles(int32_t count) override {
        state_.segmentCount = count;
        state_.DeleteStaleSegmentFiles();
        display_.OnDeleteStaleFiles(count);
    }
    void OnWriteProjectFile(int32_t count) override {
        state_.segmentCount = count;
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

SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display) {
    state.segmentCount = 0;
    RunListener listener(state, display);
    SegmentationResult result =
        SegmentRecording(state.inputPath, state.outputFolder, state.projectName, options, listener);
    state.segmentCount = result.segmentCount;
    result.projectFileWritten = listener.projectFileWritten;
    if (result.stopped) {
        const FileIdentity recording = FileIdentity::Of(state.inputPath);
        for (int32_t n = 1; n <= result.segmentCount; ++n)
            DeleteFileQuietly(state.SegmentWavePath(n), recording);
        if (options.createLabelFile)
            DeleteFileQuietly(LabelFilePath(state.inputPath), recording);
        DeleteFileQuietly(state.ProjectFilePath(), recording);
    }
    return result;
}

} // namespace lectorio
