// SPDX-License-Identifier: GPL-3.0-or-later
// Start and the segmentation run: the checks of the set-up boxes, the commit
// into the project state, and the worker thread that runs the segmenter.
#include "VorlaDlg.h"

#include "MediaInput.h"
#include "SegmentationRun.h"
#include "WaveFile.h"
#include "WaveformView.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace lectorio {

namespace {

// The longest file name of a project is "NNNNNN_P_y.wav" (six digits from
// segment 100000 on); the file system allows 255 bytes per name.
constexpr size_t kMaxProjectNameBytes = 255 - 14;

bool FileOpensForReading(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::fclose(file);
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

    if (input.empty()) {
        prompter().Message(this, QStringLiteral("Please select an input file."),
                           QStringLiteral("No Input File"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }
    if (folder.empty()) {
        prompter().Message(this, QStringLiteral("Please select an output folder."),
                           QStringLiteral("No Output Folder"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }
    // Every project file name carries the project name: one the file system
    // refuses would fail file by file in the middle of the run.
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos ||
        name.size() > kMaxProjectNameBytes) {
        prompter().Message(
            this,
            QStringLiteral("The project name cannot be part of a file name: it must not contain \"/\" "
                           "and must be at most %1 bytes long.")
                .arg(kMaxProjectNameBytes),
            QStringLiteral("Project Name"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }
    if (!IsWritableFolder(folder)) {
        prompter().Message(this, QStringLiteral("The output folder does not exist or cannot be written."),
                           QStringLiteral("No Output Folder"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
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

    StopPlayback();
    pauseButton->setText(QStringLiteral("Pause"));
    navigation.navigationStarted = false;
    state.segmentCount = 0;

    state.outputFolder = folder;
    state.projectName = name;
    state.inputPath = input;

    // A folder opens for reading on this system, so it is tested apart.
    std::error_code error;
    if (std::filesystem::is_directory(input, error) || !FileOpensForReading(input)) {
        prompter().Message(this, QStringLiteral("No Input File."), QStringLiteral("No Input File"),
                           Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }
    // A file that neither the WAV reader nor the decoder reads would give an
    // empty project without a word; say why instead.
    const RecordingCheck check = CheckRecording(input);
    if (!check.ok) {
        prompter().Message(this,
                           QStringLiteral("The input file is not a recording that can be read (%1).")
                               .arg(QString::fromStdString(check.reason)),
                           QStringLiteral("No Input File"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }

    if (RecordingIsProjectSegment(state, input)) {
        // The run rewrites and deletes the project's segment files.
        prompter().Message(this,
                           QStringLiteral("The input file is a segment file of this project itself. Choose "
                                          "another project name or output folder."),
                           QStringLiteral("No Input File"), Prompter::Buttons::Ok, Prompter::Icon::None);
        return;
    }

    statusLine->setText(QStringLiteral("Segmentation In Process..."));
    state.currentSegment = 0;
    runActive = true;
    UpdateProjectCommands();
    closeAfterRun_ = false;
    saveFailureReported_ = false;
    WaitForRun();
    worker_ = std::thread(&CVorlaDlg::SegmentationWorker, this, segmentationOptions);
}

void CVorlaDlg::SegmentationWorker(SegmentationOptions options) {
    QMetaObject::invokeMethod(
        this, [this] { EnterRunLayout(); }, Qt::QueuedConnection);

    SegmentationDisplay display(*this);
    if (OpenWaveFile(state.inputPath)->status != WaveStatus::Reading)
        display.decodedName = std::filesystem::path(state.inputPath).filename().string();
    std::string error;
    RunRecordingSegmentation(state, options, display, error);
    if (!error.empty())
        display.ReportUnreadable(error);
    const bool transcriptsCreated = state.CreateEmptyTextFiles();

    // The GUI thread joins this thread before it reads the state again.
    QMetaObject::invokeMethod(
        this, [this, transcriptsCreated] { FinishRun(transcriptsCreated); }, Qt::QueuedConnection);
}

void CVorlaDlg::FinishRun(bool transcriptsCreated) {
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
