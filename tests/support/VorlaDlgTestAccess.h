// SPDX-License-Identifier: GPL-3.0-or-later
// The one way into the main window's private state and controls, for the
// tests, the benchmark and the screenshot tool.
#pragma once

#include "VorlaDlg.h"

#include <memory>
#include <string>

namespace lectorio {

struct VorlaDlgTestAccess {
    explicit VorlaDlgTestAccess(CVorlaDlg& window) : dialog(window) {}

    // Puts a project "talk" of `count` segments in `folder` on the window as
    // a finished run leaves it: transcription layout, no segment shown yet.
    void ShowFinishedRun(const std::string& folder, int32_t count, const std::string& name = "talk") {
        state.outputFolder = folder;
        state.projectName = name;
        state.segmentCount = count;
        dialog.setWindowTitle(QString::fromStdString("Lectorio - " + name));
        dialog.EnterTranscriptionLayout();
        state.currentSegment = 0;
        navigation.navigationStarted = false;
        state.projectOpen = true;
    }

    // The window's playback operations and background work.
    void UseAudioOutput(std::shared_ptr<AudioOutput> output) { dialog.UseAudioOutput(std::move(output)); }
    void OnTimer() { dialog.OnTimer(); }
    // The device's answer to "status mydevice `item`", asked the way the
    // position timer asks it ("" when it cannot tell).
    std::string Status(const char* item) {
        std::string answer;
        return dialog.SendMciCommand(std::string("status mydevice ") + item, &answer) ? answer : "";
    }
    bool IsBackgroundWorkPending() const { return dialog.IsBackgroundWorkPending(); }
    void FinishBackgroundWork() { dialog.FinishBackgroundWork(); }
    // Blocks until the transcripts saved so far are on the disk.
    void FlushSaves() { dialog.FlushSaves(); }
    bool CloseProcedure() { return dialog.CloseProcedure(); }
    bool IsSetupShown() const { return dialog.IsSetupShown(); }

    CVorlaDlg& dialog;
    ProjectState& state = dialog.state;
    NavigationState& navigation = dialog.navigation;
    PlaybackOptions& playbackOptions = dialog.playbackOptions;
    const SegmentationOptions& segmentationOptions = dialog.segmentationOptions;
    const KeyOptions& keyOptions = dialog.keyOptions;
    const PlaybackState& playbackState = dialog.playbackState;
    const std::string& playbackPath = dialog.playbackPath;
    const QBasicTimer& positionTimer = dialog.positionTimer;
    decltype(CVorlaDlg::synthesizeSlowVersion)& synthesizeSlowVersion = dialog.synthesizeSlowVersion;
    QDialog*& segmentOptionsDlg = dialog.segmentOptionsDlg;
    QDialog*& playbackOptionsDlg = dialog.playbackOptionsDlg;
    QDialog*& keysDlg = dialog.keysDlg;
    QLineEdit* const inputEdit = dialog.inputEdit;
    QLineEdit* const outputEdit = dialog.outputEdit;
    QLineEdit* const projectNameEdit = dialog.projectNameEdit;
    QPushButton* const startButton = dialog.startButton;
    QSlider* const positionSlider = dialog.positionSlider;
    QLabel* const totalLabel = dialog.totalLabel;
    QLineEdit* const segmentNumberEdit = dialog.segmentNumberEdit;
    QPushButton* const previousButton = dialog.previousButton;
    QPushButton* const pauseButton = dialog.pauseButton;
    QPushButton* const nextButton = dialog.nextButton;
    QLabel* const positionLabel = dialog.positionLabel;
    QLabel* const lengthLabel = dialog.lengthLabel;
    QSlider* const speedSlider = dialog.speedSlider;
    QSlider* const volumeSlider = dialog.volumeSlider;
    QPlainTextEdit* const transcriptEdit = dialog.transcriptEdit;
    QPushButton* const closeButton = dialog.closeButton;
    QAction* const newProjectAction = dialog.newProjectAction;
    QAction* const openProjectAction = dialog.openProjectAction;
    QAction* const cleanProjectAction = dialog.cleanProjectAction;
    QAction* const createTextFileAction = dialog.createTextFileAction;
    QAction* const exportAction = dialog.exportAction;
};

} // namespace lectorio
