// SPDX-License-Identifier: GPL-3.0-or-later
// Start and the segmentation run: the checks of the set-up boxes, the commit
// into the project state, and the worker thread that runs the segmenter.
#include "VorlaDlg.h"

#include "MediaInput.h"
#include "ProjectSafety.h"
#include "SegmentationRun.h"
#include "WaveFile.h"
#include "WaveformView.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace lectorio {

namespace {

// A FIFO or device is refused at once rather than waited on.
bool FileOpensForReading(const std::string& path) {
    const int fd = OpenRegularForReading(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

// Carries the segmenter's progress, status texts and error box to the window:
// called on the worker thread, every change is queued to the GUI thread.
class SegmentationDisplay : public SegmentationListener {
public:
    explicit SegmentationDisplay(CVorlaDlg& dialog) : dialog_(dialog) {}

    void OnProgress(int position) override {
        CVorlaDlg* dialog = &dialog_;
        QMetaObject::invokeMethod(
            dialog, [dialog, position] { dialog->progressBar->setValue(position); }, Qt::QueuedConnection);
    }

    void OnStatus(const std::string& text) override {
        CVorlaDlg* dialog = &dialog_;
        // A decoded recording is decoded while it is segmented.
        const QString shown =
            decodedName.empty() || text != "File in process "
                ? QString::fromStdString(text)
                : QStringLiteral("Decoding and segmenting %1").arg(QString::fromStdString(decodedName));
        QMetaObject::invokeMethod(
            dialog, [dialog, shown] { dialog->statusLine->setText(shown); }, Qt::QueuedConnection);
    }

    // Worker thread only; read by the worker after the run.
    void OnFileWriteFailed(const std::string& path) override {
        if (failedWrites++ == 0)
            firstFailed = path;
    }

    bool StopRequested() override { return dialog_.stopRequested_; }

    int failedWrites = 0;
    std::string firstFailed;

    void OnSegmentationError() override {
        // The run goes on while the box is shown.
        CVorlaDlg* dialog = &dialog_;
        QMetaObject::invokeMethod(
            dialog,
            [dialog] {
                dialog->prompter().Message(dialog, QStringLiteral("Error In Segmentation!"),
                                           QStringLiteral("Error"), Prompter::Buttons::Ok,
                                           Prompter::Icon::Warning);
            },
            Qt::QueuedConnection);
    }

    // A recording that is decoded: asked when its decoding failed part-way.
    bool KeepPartialInput(const std::string& reason) override {
        CVorlaDlg* dialog = &dialog_;
        const QString text = QStringLiteral("The recording could not be decoded to its end (%1).\n\n"
                                            "Keep the segments of the part that was decoded?")
                                 .arg(QString::fromStdString(reason));
        bool keep = false;
        // The GUI thread never waits for the worker while a run is active.
        QMetaObject::invokeMethod(
            dialog,
            [dialog, text, &keep] {
                keep = dialog->prompter().Message(dialog, text, QString(), Prompter::Buttons::YesNo,
                                                  Prompter::Icon::Warning) == Prompter::Answer::Yes;
            },
            Qt::BlockingQueuedConnection);
        return keep;
    }

    void ReportUnreadable(const std::string& reason) {
        CVorlaDlg* dialog = &dialog_;
        const QString text = QStringLiteral("The input file is not a recording that can be read (%1).")
                                 .arg(QString::fromStdString(reason));
        QMetaObject::invokeMethod(
            dialog,
            [dialog, text] {
                dialog->prompter().Message(dialog, text, QStringLiteral("No Input File"),
                                           Prompter::Buttons::Ok, Prompter::Icon::None);
            },
            Qt::QueuedConnection);
    }

    std::string decodedName; // file name of a recording that is decoded, else empty

private:
    CVorlaDlg& dialog_;
};

void CVorlaDlg::OnStart() {
    if (runActive)
        return;
    const std::string input = inputEdit->text().toStdString();
    const std::string folder = outputEdit->text().toStdString();
    std::string name = projectNameEdit->text().toStdString();
    const std::string projectFile = folder + "/" + name + ".vprj";
    name = ReplaceAll(name, ".vprj", "");
    auto refuse = [this](const QString& text, const char* caption) {
        prompter().Message(this, text, QString::fromLatin1(caption), Prompter::Buttons::Ok,
                           Prompter::Icon::None);
    };

    // Every check comes before anything is committed, so a refused Start
    // leaves the project on screen as it was. Only an input that cannot be
    // opened is found after the commit, as it always was.
    if (input.empty())
        return refuse(QStringLiteral("Please select an input file."), "No Input File");
    if (folder.empty())
        return refuse(QStringLiteral("Please select an output folder."), "No Output Folder");
    // Every project file name carries the project name: one the file system
    // refuses would fail file by file in the middle of the run.
    if (!IsValidProjectName(name))
        return refuse(
            QStringLiteral("The project name cannot be part of a file name: it must not contain \"/\" "
                           "and must be at most %1 bytes long.")
                .arg(MaxProjectNameBytes()),
            "Project Name");
    if (!IsRecordableFolder(folder))
        return refuse(QStringLiteral("The output folder's name must not contain a line break."),
                      "No Output Folder");
    if (!IsWritableFolder(folder))
        return refuse(QStringLiteral("The output folder does not exist or cannot be written."),
                      "No Output Folder");
    if (ProjectNameClashes(folder, name))
        return refuse(QStringLiteral("The slowed-down copies of a project named P are named like the segment "
                                     "files of a project named P_y, and one of the two already lies in this "
                                     "folder. Choose another project name."),
                      "Project Name");
    // A folder opens for reading on this system, so it is tested apart.
    std::error_code error;
    const bool inputOpens = !std::filesystem::is_directory(input, error) && FileOpensForReading(input);
    if (inputOpens) {
        // A file that neither the WAV reader nor the decoder reads would give
        // an empty project without a word; say why instead.
        const RecordingCheck check = CheckRecording(input);
        if (!check.ok)
            return refuse(QStringLiteral("The input file is not a recording that can be read (%1).")
                              .arg(QString::fromStdString(check.reason)),
                          "No Input File");
        ProjectState planned;
        planned.outputFolder = folder;
        planned.projectName = name;
        // The run rewrites and deletes the project's segment files.
        if (RecordingIsProjectSegment(planned, input))
            return refuse(QStringLiteral("The input file is a segment file of this project itself. Choose "
                                         "another project name or output folder."),
                          "No Input File");
    }
    if (FileOpensForReading(projectFile)) {
        const Prompter::Answer answer = prompter().Message(
            this,
            QStringLiteral("A project with the same name already exists, do you want to continue?\n\n"
                           "Note: If you continue, your old project files will be deleted\n\n"
                           "In order to continue an old project, select 'Open Project'"),
            QString(), Prompter::Buttons::YesNo, Prompter::Icon::None);
        if (answer != Prompter::Answer::Yes)
            return;
    }
    // The text typed into the project on screen is saved before it is left.
    if ((state.projectOpen && !SaveBeforeLeaving(false)) || !SettleSaves(false))
        return;

    previousState_ = state;
    previousNavigation_ = navigation;
    StopPlayback();
    // Nothing made for the old project's segments may arrive during the run.
    CancelBackgroundWork();
    pauseButton->setText(QStringLiteral("Pause"));
    navigation.navigationStarted = false;
    state.segmentCount = 0;

    state.outputFolder = folder;
    state.projectName = name;
    state.inputPath = input;

    if (!inputOpens)
        return refuse(QStringLiteral("No Input File."), "No Input File");

    statusLine->setText(QStringLiteral("Segmentation In Process..."));
    state.currentSegment = 0;
    runActive = true;
    UpdateProjectCommands();
    closeAfterRun_ = false;
    stopRequested_ = false;
    autosaveTimer.stop();
    WaitForRun();
    worker_ = std::thread(&CVorlaDlg::SegmentationWorker, this, segmentationOptions);
}

void CVorlaDlg::OnCancelRun() {
    if (runActive)
        stopRequested_ = true;
}

void CVorlaDlg::SegmentationWorker(SegmentationOptions options) {
    QMetaObject::invokeMethod(
        this, [this] { EnterRunLayout(); }, Qt::QueuedConnection);

    SegmentationDisplay display(*this);
    if (OpenWaveFile(state.inputPath)->status != WaveStatus::Reading)
        display.decodedName = std::filesystem::path(state.inputPath).filename().string();
    std::string error;
    const SegmentationResult result = RunRecordingSegmentation(state, options, display, error);
    if (!error.empty())
        display.ReportUnreadable(error);
    // The GUI thread joins this thread before it reads the state again.
    if (result.stopped) {
        QMetaObject::invokeMethod(
            this, [this] { FinishStoppedRun(); }, Qt::QueuedConnection);
        return;
    }
    const bool transcriptsCreated = state.CreateEmptyTextFiles();
    // A recording that ends before its header's length (cut while it was
    // read, or a read error) keeps what was read; the user is told once.
    std::string endedEarly;
    if (result.InputEndedEarly() && result.sampleRate > 0) {
        const double rate = static_cast<double>(result.sampleRate);
        char text[160];
        std::snprintf(text, sizeof text, "The recording ended after %.2f of %.2f seconds.",
                      static_cast<double>(result.framesRead) / rate,
                      static_cast<double>(result.framesExpected) / rate);
        endedEarly = text;
    }
    QMetaObject::invokeMethod(
        this,
        [this, transcriptsCreated, failed = display.failedWrites, first = display.firstFailed, endedEarly] {
            FinishRun(transcriptsCreated, failed, first, endedEarly);
        },
        Qt::QueuedConnection);
}

void CVorlaDlg::FinishStoppedRun() {
    WaitForRun();
    runActive = false;
    state = previousState_;
    UpdateProjectCommands();
    navigation = previousNavigation_;
    progressBar->hide();
    statusLine->hide();
    runCancelButton->hide();
    progressBar->setValue(0);
    startButton->show();
    SetTranscriptionControlsEnabled(state.projectOpen);
    transcriptEdit->setEnabled(state.currentSegment != 0);
    pauseButton->setEnabled(false);
    previousButton->setEnabled(state.currentSegment > 1);
    nextButton->setEnabled(state.projectOpen && state.currentSegment < state.segmentCount);
    UpdateProjectCommands();
    if (closeAfterRun_) {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    // Back to set-up, the boxes as they were typed.
    setWindowTitle(QStringLiteral("Lectorio - New Project"));
    SetSetupControls(true);
}

void CVorlaDlg::FinishRun(bool transcriptsCreated, int failedWrites, const std::string& firstFailed,
                          const std::string& endedEarly) {
    WaitForRun();
    setWindowTitle(QStringLiteral("Lectorio - ") + QString::fromStdString(state.projectName));
    EnterTranscriptionLayout();
    nextButton->setEnabled(true);
    state.projectOpen = true;
    runActive = false;
    UpdateProjectCommands();
    if (closeAfterRun_) {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    if (failedWrites > 0) {
        prompter().Message(this,
                           QStringLiteral("%1 files of the project could not be written, the first:\n\n%2\n\n"
                                          "The project is incomplete.")
                               .arg(failedWrites)
                               .arg(QString::fromStdString(firstFailed)),
                           QStringLiteral("Error"), Prompter::Buttons::Ok, Prompter::Icon::Warning);
    }
    if (!endedEarly.empty()) {
        prompter().Message(this,
                           QString::fromStdString(endedEarly) +
                               QStringLiteral(" The project holds the segments of what could be read."),
                           QStringLiteral("Error"), Prompter::Buttons::Ok, Prompter::Icon::Warning);
    }
    if (!transcriptsCreated) {
        prompter().Message(
            this,
            QStringLiteral("The transcript files could not all be created in the output folder "
                           "%1.")
                .arg(QString::fromStdString(state.outputFolder)),
            QStringLiteral("Error"), Prompter::Buttons::Ok, Prompter::Icon::Warning);
    }
    QMetaObject::invokeMethod(this, &CVorlaDlg::OnNextSegment, Qt::QueuedConnection);
}

void CVorlaDlg::WaitForRun() {
    if (worker_.joinable())
        worker_.join();
}

bool CVorlaDlg::DeferCloseWhileRunning() {
    if (!runActive)
        return false;
    closeAfterRun_ = true;
    return true;
}

} // namespace lectorio
