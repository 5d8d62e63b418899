// SPDX-License-Identifier: GPL-3.0-or-later
// Project commands: open, clean, the final text file, the option dialogs,
// help and about, and closing.
//
// Opening, cleaning and creating the final text file are refused while a
// segmentation run is active: the worker is then writing the project files
// and `state`. Closing during a run is put off until the run has ended.
#include "VorlaDlg.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "AboutDlg.h"
#include "Help.h"
#include "PlaybackOptionsDlg.h"
#include "ProjectCleanup.h"
#include "ProjectCommands.h"
#include "ProjectSafety.h"
#include "SegmentOptionsDlg.h"
#include "WaveformView.h"

namespace lectorio {

struct ProjectCommandData {
    // The closing procedure has run: the window is ending. The close box
    // reaches both closeEvent and reject, and the procedure must run once.
    bool closed = false;
};

void ProjectCommandDataDeleter::operator()(ProjectCommandData* data) const {
    delete data;
}

namespace {

ProjectCommandData& CommandData(std::unique_ptr<ProjectCommandData, ProjectCommandDataDeleter>& data) {
    if (!data)
        data.reset(new ProjectCommandData);
    return *data;
}

} // namespace

void CVorlaDlg::OnOpenProject() {
    if (IsRunActive())
        return;
    const QString path = AskProjectFile(this, prompter());
    if (!path.isEmpty())
        OpenProjectFile(path);
}

void CVorlaDlg::OpenProjectFile(const QString& path) {
    if (IsRunActive())
        return;
    const std::optional<ProjectToOpen> project = ReadProjectToOpen(this, prompter(), path);
    if (!project)
        return;
    // The text typed into the segment on screen belongs to the project that
    // is left; the first move of the opened project saves nothing.
    if (state.projectOpen && !SaveBeforeLeaving(false))
        return;
    if (!SettleSaves(false))
        return;
    CancelBackgroundWork();

    state.segmentCount = project->segmentCount;
    state.outputFolder = project->outputFolder;
    outputEdit->setText(QString::fromStdString(state.outputFolder));
    inputEdit->clear();
    pauseButton->setText(QStringLiteral("Pause"));
    state.projectName = project->projectName;
    projectNameEdit->setText(QString::fromStdString(state.projectName));
    SetProjectCaption(state.projectName);

    SetSetupControls(false);
    EnterTranscriptionLayout();
    // No run follows an opening until New Project shows Start again.
    startButton->setEnabled(false);

    state.currentSegment = 0;
    navigation.navigationStarted = false;
    state.projectOpen = true;
    UpdateProjectCommands();
    // Back to the segment and speed of the last time.
    if (const std::optional<ResumePoint> resume = ReadResumeFile(state)) {
        speedSlider->setValue(resume->speedPosition);
        state.currentSegment = resume->segment - 1;
    }
    OnNextSegment();
}

void CVorlaDlg::OnCleanProject() {
    if (IsRunActive())
        return;
    if (SettleSaves(false))
        CleanProjectCommand(this, prompter(), state.projectName);
}

void CVorlaDlg::OnCreateTextFile() {
    if (!state.projectOpen || IsRunActive())
        return;
    // Only a segment on screen has a transcript in the box to save.
    if (!SaveBeforeLeaving(false) || !SettleSaves(false))
        return;
    CreateFinalTextCommand(this, prompter(), state);
}

void CVorlaDlg::OnSegmentOptions() {
    auto* dialog = static_cast<CSegmentOptionsDlg*>(segmentOptionsDlg);
    if (!dialog) {
        // During a run no new project can be started, so none is offered.
        dialog = new CSegmentOptionsDlg(
            segmentationOptions, prompter(), [this] { return IsSetupShown() || IsRunActive(); },
            [this] { OnNewProject(); }, this);
        segmentOptionsDlg = dialog;
    }
    dialog->ShowDialog();
}

void CVorlaDlg::OnPlaybackOptions() {
    auto* dialog = static_cast<CPlaybackOptionsDlg*>(playbackOptionsDlg);
    if (!dialog) {
        dialog = new CPlaybackOptionsDlg(playbackOptions, this);
        playbackOptionsDlg = dialog;
    }
    dialog->ShowDialog();
}

void CVorlaDlg::OnAbout() {
    CAboutDlg about(this, [this] { OnHelpFile(); });
    about.exec();
}

void CVorlaDlg::OnHelpFile() {
    OpenHelpFile(this, prompter());
}

bool CVorlaDlg::CloseProcedure() {
    ProjectCommandData& data = CommandData(projectCommands);
    if (data.closed)
        return true;

    // Text typed since the last move is saved whatever the answer below.
    if (state.projectOpen && !SaveBeforeLeaving(true))
        return false;
    if (!SettleSaves(true))
        return false;
    if (state.projectOpen) {
        WriteResumePoint();
        const Prompter::Answer answer = prompter().Message(
            this,
            QStringLiteral("Do you want to create the final text file before you close the application?"),
            QStringLiteral("Close"), Prompter::Buttons::YesNoCancel, Prompter::Icon::None);
        if (answer == Prompter::Answer::Cancel)
            return false;
        StopPlayback();
        if (answer == Prompter::Answer::Yes)
            OnCreateTextFile();
    } else {
        StopPlayback();
    }
    data.closed = true;
    delete segmentOptionsDlg;
    segmentOptionsDlg = nullptr;
    delete playbackOptionsDlg;
    playbackOptionsDlg = nullptr;
    // The worker must not write a copy or a track after they are deleted.
    CancelBackgroundWork();
    FinishBackgroundWork();
    saves_.Finish();
    DeleteClosingFiles(state);
    return true;
}

void CVorlaDlg::OnCloseButton() {
    if (DeferCloseWhileRunning())
        return;
    if (CloseProcedure())
        accept();
}

void CVorlaDlg::closeEvent(QCloseEvent* event) {
    if (DeferCloseWhileRunning() || !CloseProcedure()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CVorlaDlg::reject() {
    // Esc stops a run; otherwise it ends the window through the closing
    // procedure, so the typed text is saved and the files are tidied.
    if (IsRunActive()) {
        OnCancelRun();
        return;
    }
    if (CloseProcedure())
        QDialog::reject();
}

} // namespace lectorio
