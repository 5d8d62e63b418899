// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, layout, menu, keys and modes of the main window, and the two
// browse buttons of set-up mode.
#include "VorlaDlg.h"

#include "MediaDecoder.h"
#include "Trackbar.h"
#include "WaveformView.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

// The icon is compiled into the library; a static library has to register it.
static void InitLectorioResources() {
    Q_INIT_RESOURCE(lectorio);
}

namespace lectorio {

namespace {

const char* const kCaption = "Lectorio";
const char* const kEmptyWindowHint = "Choose Project > New Project to cut a recording into segments";

// Size of the window's client area in dialog units.
constexpr int kClientWidthDu = 321;
constexpr int kClientHeightDu = 206;

int MulDivRounded(int value, int numerator, int denominator) {
    const int64_t product = int64_t{value} * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
}

} // namespace

CVorlaDlg::CVorlaDlg(Prompter* prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    InitLectorioResources();
    if (!prompter_) {
        ownPrompter_ = std::make_unique<QtPrompter>();
        prompter_ = ownPrompter_.get();
    }
    setWindowTitle(QString::fromLatin1(kCaption));
    setAcceptDrops(true);
    // A save that fails on the disk's side is asked about at once.
    saves_.SetFailureCallback([this] {
        QMetaObject::invokeMethod(
            this, [this] { SettleSaves(false); }, Qt::QueuedConnection);
    });
    setWindowIcon([] {
        QIcon icon;
        icon.addFile(QStringLiteral(":/lectorio/lectorio.svg"));
        icon.addFile(QStringLiteral(":/lectorio/lectorio-48.png"), QSize(48, 48));
        return icon;
    }());
    // Minimise, maximise and close boxes, as a main window has; no "?" box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    CreateMenu();
    CreateControls();

    // Start-up state: transcription layout, everything disabled except the
    // position slider, the volume slider and "Close"; set-up controls hidden.
    projectNameEdit->clear();
    statusLine->clear();
    totalLabel->clear();
    speedSlider->setRange(5, 20);
    speedSlider->setValue(10);
    speedSlider->setTickInterval(1);
    SetSetupControls(false);
    SetTranscriptionControlsEnabled(false);
    statusLine->hide();
    progressBar->hide();
    runCancelButton->hide();
    waveformView->show();
    positionSlider->setEnabled(true);
    InitPlayback();
    RestoreSettings();
    UpdateProjectCommands();

    autosaveTimer.setSingleShot(true);
    autosaveTimer.setInterval(kAutosaveDelayMs);
    connect(&autosaveTimer, &QTimer::timeout, this, &CVorlaDlg::SaveTypedText);
    connect(transcriptEdit, &QPlainTextEdit::textChanged, this, [this] {
        if (TranscriptTyped())
            autosaveTimer.start();
    });

    // Accelerators apply before the focused control sees the key.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    transcriptEdit->setFocus();
}

CVorlaDlg::~CVorlaDlg() {
    WaitForRun();
    saves_.SetFailureCallback({});
}

Prompter& CVorlaDlg::prompter() const {
    return *prompter_;
}

QRect CVorlaDlg::DialogUnitsToPixels(int x, int y, int width, int height) const {
    // A dialog unit is a quarter of the font's average character width
    // horizontally and an eighth of its height vertically.
    const QFontMetrics metrics(font());
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int baseX = std::max(1, (alphabetWidth / 26 + 1) / 2);
    // Fonts wider in their capitals than the average letter would clip the
    // set-up labels: the whole window then grows until they fit.
    for (const auto& [caption, widthDu] :
         {std::pair{"Input File:", 32}, std::pair{"Output Folder:", 46}, std::pair{"Project Name:", 46}}) {
        const int needed = metrics.horizontalAdvance(QString::fromLatin1(caption)) + 2;
        baseX = std::max(baseX, (needed * 4 + widthDu - 1) / widthDu);
    }
    const int baseY = std::max(1, metrics.height());
    return QRect(MulDivRounded(x, baseX, 4), MulDivRounded(y, baseY, 8), MulDivRounded(width, baseX, 4),
                 MulDivRounded(height, baseY, 8));
}

void CVorlaDlg::CreateMenu() {
    menuBar = new QMenuBar(this);
    // The window's own keys (Enter, Page Up, Page Down, Tab, Shift+Tab) are
    // caught before shortcuts are looked at, so these never take them.
    QMenu* project = menuBar->addMenu(tr("&Project"));
    newProjectAction = project->addAction(tr("New Project"), this, &CVorlaDlg::OnNewProject);
    newProjectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openProjectAction = project->addAction(tr("Open Project"), this, &CVorlaDlg::OnOpenProject);
    openProjectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    cleanProjectAction = project->addAction(tr("Clean Project"), this, &CVorlaDlg::OnCleanProject);
    createTextFileAction = project->addAction(tr("Create Text File"), this, &CVorlaDlg::OnCreateTextFile);
    exportAction = project->addAction(tr("Export…"), this, &CVorlaDlg::OnExport);
    QMenu* options = menuBar->addMenu(tr("&Options"));
    segmentOptionsAction = options->addAction(tr("Segmentation Options"), this, &CVorlaDlg::OnSegmentOptions);
    playbackOptionsAction = options->addAction(tr("Playback Options"), this, &CVorlaDlg::OnPlaybackOptions);
    keysAction = options->addAction(tr("Keys"), this, &CVorlaDlg::OnKeys);
    QMenu* help = menuBar->addMenu(tr("&Help"));
    helpAction = help->addAction(tr("Help"), this, &CVorlaDlg::OnHelpFile);
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction = help->addAction(tr("About"), this, &CVorlaDlg::OnAbout);
    // Ctrl+Q closes as "Close" does.
    quitAction = new QAction(this);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quitAction, &QAction::triggered, this, &CVorlaDlg::OnCloseButton);
    addAction(quitAction);
}

void CVorlaDlg::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    // The default size is also the smallest.
    client_ = new QWidget(this);
    defaultClientSize_ = DialogUnitsToPixels(0, 0, kClientWidthDu, kClientHeightDu).size();
    client_->setMinimumSize(defaultClientSize_);
    client_->resize(defaultClientSize_);
    layout->addWidget(client_);

    auto place = [this](QWidget* widget, int x, int y, int w, int h, Grow grow = Grow::Left,
                        Rise rise = Rise::Top) {
        placements_.push_back({widget, DialogUnitsToPixels(x, y, w, h), grow, rise});
    };
    auto label = [&](const char* text, int x, int y, int w, int h, Qt::Alignment alignment = Qt::AlignLeft,
                     Grow grow = Grow::Left, Rise rise = Rise::Top) {
        auto* result = new QLabel(QString::fromUtf8(text), client_);
        result->setAlignment(alignment | Qt::AlignVCenter);
        place(result, x, y, w, h, grow, rise);
        return result;
    };
    auto edit = [&](int x, int y, int w, int h, bool centred, Rise rise = Rise::Top) {
        auto* result = new QLineEdit(client_);
        if (centred)
            result->setAlignment(Qt::AlignCenter);
        place(result, x, y, w, h, Grow::Left, rise);
        return result;
    };
    auto button = [&](const char* text, int x, int y, int w, int h, Grow grow = Grow::Left,
                      Rise rise = Rise::Top) {
        auto* result = new QPushButton(QString::fromUtf8(text), client_);
        // Enter is the next-segment key, never a default button.
        result->setAutoDefault(false);
        result->setDefault(false);
        place(result, x, y, w, h, grow, rise);
        return result;
    };

    // The waveform view, the run display and the set-up controls share the
    // top area; at most one group is shown.
    waveformView = new CWaveformView(client_);
    place(waveformView, 8, 4, 266, 70, Grow::Wide, Rise::WaveHeight);
    statusLine = label("", 8, 14, 266, 8);
    progressBar = new QProgressBar(client_);
    progressBar->setRange(0, kProgressMaximum);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    place(progressBar, 8, 28, 266, 9);

    inputLabel = label("Input File:", 8, 14, 32, 8);
    inputEdit = edit(55, 12, 179, 13, false);
    browseInputButton = button("...", 237, 12, 40, 13);
    outputLabel = label("Output Folder:", 8, 34, 46, 8);
    outputEdit = edit(55, 31, 179, 13, false);
    browseOutputButton = button("...", 237, 31, 40, 13);
    projectNameLabel = label("Project Name:", 8, 52, 46, 11);
    projectNameEdit = edit(55, 51, 85, 13, true);
    startButton = button("Start", 144, 50, 53, 14);
    optionsButton = button("Options", 201, 50, 43, 14);
    cancelButton = button("Cancel", 248, 50, 29, 14);
    runCancelButton = button("Cancel", 221, 44, 53, 14);

    positionSlider = new CTrackbar(Qt::Horizontal, client_);
    positionSlider->setTickPosition(QSlider::NoTicks);
    positionSlider->setRange(0, 0);
    // The position slider is the time line under the waveform: it widens with it.
    place(positionSlider, 4, 80, 276, 11, Grow::Wide, Rise::BelowWave);

    // The navigation row stays together at the left; the time display stays
    // at the right, under the speed and volume sliders.
    const Rise row = Rise::BelowWave;
    segmentNumberEdit = edit(8, 93, 22, 13, true, row);
    totalLabel = label("", 33, 95, 21, 9, Qt::AlignLeft, Grow::Left, row);
    goButton = button("Go", 55, 93, 22, 13, Grow::Left, row);
    previousButton = button("<---", 80, 93, 39, 13, Grow::Left, row);
    playButton = button("Play", 123, 93, 39, 13, Grow::Left, row);
    pauseButton = button("Pause", 166, 93, 39, 13, Grow::Left, row);
    nextButton = button("--->", 209, 93, 39, 13, Grow::Left, row);
    positionLabel = label("", 256, 95, 26, 10, Qt::AlignRight, Grow::Right, row);
    lengthLabel = label("", 285, 95, 27, 10, Qt::AlignRight, Grow::Right, row);

    // On the window's speed scale the smallest position (fastest) is at the top.
    speedSlider = new CTrackbar(Qt::Vertical, client_);
    speedSlider->setTickPosition(QSlider::NoTicks);
    speedSlider->setInvertedAppearance(true);
    speedSlider->setInvertedControls(true);
    place(speedSlider, 290, 12, 13, 78, Grow::Right);
    volumeSlider = CreateVolumeSlider(client_);
    place(volumeSlider, 302, 12, 13, 78, Grow::Right);
    speedLabel = label("Sp.", 288, 4, 14, 9, Qt::AlignLeft, Grow::Right);
    speedFastLabel = label("2x", 282, 13, 9, 9, Qt::AlignLeft, Grow::Right);
    speedNormalLabel = label("1x", 282, 36, 9, 9, Qt::AlignLeft, Grow::Right);
    speedSlowLabel = label(".5x", 280, 81, 11, 9, Qt::AlignLeft, Grow::Right);
    volumeLabel = label("Vol", 302, 4, 12, 9, Qt::AlignLeft, Grow::Right);

    transcriptEdit = new QPlainTextEdit(client_);
    transcriptEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    transcriptEdit->setTabChangesFocus(false);
    transcriptEdit->setPlaceholderText(QString::fromLatin1(kEmptyWindowHint));
    place(transcriptEdit, 8, 111, 305, 72, Grow::Wide, Rise::BoxHeight);
    createTextFileButton = button("Create Text File", 8, 188, 120, 13, Grow::Left, Rise::Bottom);
    closeButton = button("Close", 225, 188, 42, 13, Grow::Right, Rise::Bottom);
    LayOutClient();
    // The window opens at its default size.
    resize(sizeHint());

    connect(browseInputButton, &QPushButton::clicked, this, &CVorlaDlg::OnBrowseInput);
    connect(browseOutputButton, &QPushButton::clicked, this, &CVorlaDlg::OnBrowseOutput);
    connect(startButton, &QPushButton::clicked, this, &CVorlaDlg::OnStart);
    connect(optionsButton, &QPushButton::clicked, this, &CVorlaDlg::OnSegmentOptions);
    connect(cancelButton, &QPushButton::clicked, this, &CVorlaDlg::OnCancelSetup);
    connect(runCancelButton, &QPushButton::clicked, this, &CVorlaDlg::OnCancelRun);
    connect(nextButton, &QPushButton::clicked, this, &CVorlaDlg::OnNextSegment);
    connect(previousButton, &QPushButton::clicked, this, &CVorlaDlg::OnPreviousSegment);
    connect(goButton, &QPushButton::clicked, this, &CVorlaDlg::OnGoToSegment);
    connect(playButton, &QPushButton::clicked, this, &CVorlaDlg::OnPlay);
    connect(pauseButton, &QPushButton::clicked, this, &CVorlaDlg::OnPause);
    connect(createTextFileButton, &QPushButton::clicked, this, &CVorlaDlg::OnCreateTextFile);
    connect(closeButton, &QPushButton::clicked, this, &CVorlaDlg::OnCloseButton);
}

void CVorlaDlg::LayOutClient() {
    const int dx = std::max(0, client_->width() - defaultClientSize_.width());
    const int dy = std::max(0, client_->height() - defaultClientSize_.height());
    const int waveShare = dy / 3;
    const QSize waveBefore = waveformView->size();
    for (const Placement& p : placements_) {
        QRect r = p.rect;
        if (p.grow == Grow::Right)
            r.translate(dx, 0);
        else if (p.grow == Grow::Wide)
            r.setWidth(r.width() + dx);
        switch (p.rise) {
        case Rise::Top:
            break;
        case Rise::BelowWave:
            r.translate(0, waveShare);
            break;
        case Rise::WaveHeight:
            r.setHeight(r.height() + waveShare);
            break;
        case Rise::BoxHeight:
            r.translate(0, waveShare);
            r.setHeight(r.height() + dy - waveShare);
            break;
        case Rise::Bottom:
            r.translate(0, dy);
            break;
        }
        p.widget->setGeometry(r);
    }
    // The picture is redrawn for the new size from the segment shown, once
    // the size has settled (after the event that resized the window).
    if (waveformView->size() == waveBefore || waveformRedrawPending_)
        return;
    waveformRedrawPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            waveformRedrawPending_ = false;
            if (!runActive && state.currentSegment != 0)
                waveformView->DrawWaveFile(state.currentWavePath);
        },
        Qt::QueuedConnection);
}

void CVorlaDlg::SetSetupControls(bool shown) {
    for (QWidget* widget : {static_cast<QWidget*>(inputLabel), static_cast<QWidget*>(inputEdit),
                            static_cast<QWidget*>(browseInputButton), static_cast<QWidget*>(outputLabel),
                            static_cast<QWidget*>(outputEdit), static_cast<QWidget*>(browseOutputButton),
                            static_cast<QWidget*>(projectNameLabel), static_cast<QWidget*>(projectNameEdit),
                            static_cast<QWidget*>(startButton), static_cast<QWidget*>(optionsButton),
                            static_cast<QWidget*>(cancelButton)}) {
        widget->setEnabled(shown);
        widget->setVisible(shown);
    }
}

void CVorlaDlg::SetTranscriptionControlsEnabled(bool enabled) {
    for (QWidget* widget : {static_cast<QWidget*>(nextButton), static_cast<QWidget*>(previousButton),
                            static_cast<QWidget*>(playButton), static_cast<QWidget*>(pauseButton),
                            static_cast<QWidget*>(transcriptEdit), static_cast<QWidget*>(segmentNumberEdit),
                            static_cast<QWidget*>(goButton), static_cast<QWidget*>(speedSlider),
                            static_cast<QWidget*>(speedLabel), static_cast<QWidget*>(speedFastLabel),
                            static_cast<QWidget*>(speedNormalLabel), static_cast<QWidget*>(speedSlowLabel),
                            static_cast<QWidget*>(volumeSlider), static_cast<QWidget*>(volumeLabel),
                            static_cast<QWidget*>(createTextFileButton)}) {
        widget->setEnabled(enabled);
    }
}

void CVorlaDlg::UpdateProjectCommands() {
    // During a run the project files are being written: the commands that
    // would start, open, clean or read a project are visibly refused.
    // Cleaning, the final text and export wait for a project to be open.
    const bool idle = !runActive;
    const bool open = state.projectOpen;
    newProjectAction->setEnabled(idle);
    openProjectAction->setEnabled(idle);
    cleanProjectAction->setEnabled(idle && open);
    createTextFileAction->setEnabled(idle && open);
    exportAction->setEnabled(idle && open);
    if (!idle || !open)
        createTextFileButton->setEnabled(false);
    transcriptEdit->setPlaceholderText(open ? QString() : QString::fromLatin1(kEmptyWindowHint));
}

void CVorlaDlg::SetProjectCaption(const std::string& name) {
    if (name.empty())
        setWindowTitle(QString::fromLatin1(kCaption));
    else
        setWindowTitle(QString::fromLatin1(kCaption) + QStringLiteral(" - ") + QString::fromStdString(name));
}

bool CVorlaDlg::IsSetupShown() const {
    return optionsButton->isVisibleTo(this);
}

bool CVorlaDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Only keys meant for this window: a message box or option dialog
        // has its own keys.
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == this && (RunAccelerator(key) || RunOwnKey(key)))
            return true;
    } else if (event->type() == QEvent::Resize && watched == client_) {
        LayOutClient();
    }
    return QDialog::eventFilter(watched, event);
}

bool CVorlaDlg::RunAccelerator(const QKeyEvent& event) {
    // Modifiers must match exactly, as in the window's accelerator table;
    // the keypad's Enter counts as Enter.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    void (CVorlaDlg::*command)() = nullptr;
    if (modifiers == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            command = &CVorlaDlg::OnNextSegment;
            break;
        case Qt::Key_PageDown:
            command = &CVorlaDlg::OnPreviousSegment;
            break;
        case Qt::Key_Tab:
            command = &CVorlaDlg::OnPlay;
            break;
        default:
            return false;
        }
    } else if (modifiers == Qt::ShiftModifier && (key == Qt::Key_Backtab || key == Qt::Key_Tab)) {
        command = &CVorlaDlg::OnPause;
    } else {
        return false;
    }
    // During a run the worker owns the project state: the keys do nothing.
    if (!runActive)
        (this->*command)();
    return true;
}

void CVorlaDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        SaveTypedText();
    QDialog::changeEvent(event);
}

void CVorlaDlg::EnterRunLayout() {
    waveformView->hide();
    startButton->hide();
    progressBar->show();
    statusLine->show();
    runCancelButton->setEnabled(true);
    runCancelButton->show();
    SetTranscriptionControlsEnabled(false);
    SetSetupControls(false);
    PlayerChanged();
}

void CVorlaDlg::EnterTranscriptionLayout() {
    waveformView->show();
    progressBar->hide();
    statusLine->hide();
    runCancelButton->hide();
    progressBar->setValue(0);
    SetTranscriptionControlsEnabled(true);
    previousButton->setEnabled(false);
    // Pause waits for playback to start.
    pauseButton->setEnabled(false);
    startButton->setEnabled(true);
    PlayerChanged();
}

void CVorlaDlg::OnNewProject() {
    if (runActive)
        return;
    setWindowTitle(QStringLiteral("Lectorio - New Project"));
    waveformView->hide();
    SetSetupControls(true);
    inputEdit->clear();
    outputEdit->clear();
    projectNameEdit->clear();
    inputEdit->setFocus();
}

void CVorlaDlg::OnCancelSetup() {
    waveformView->show();
    SetSetupControls(false);
    SetProjectCaption(state.projectName);
}

void CVorlaDlg::OnBrowseInput() {
    const QString patterns = QString::fromLatin1(RecordingPatterns());
    TakeInputFile(prompter().OpenFile(this, QStringLiteral("Recordings (%1)|%2|All files (*)|*||")
                                                .arg(patterns, QString(patterns).replace(' ', ';'))));
}

void CVorlaDlg::TakeInputFile(const QString& path) {
    if (!path.isEmpty())
        inputEdit->setText(path);
    // The project is named after the file without its extension: four
    // characters (".wav", ".mp3"), or as many as a longer one has (".flac").
    const std::string text = path.toStdString();
    const size_t dot = text.rfind('.');
    const size_t slash = text.rfind('/');
    int extension = 4;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) && text.size() - dot > 4 &&
        text.size() - dot <= 6)
        extension = static_cast<int>(text.size() - dot);
    projectNameEdit->setText(QString::fromStdString(NameFromFilePath(text, extension)));
}

void CVorlaDlg::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!inputEdit->isHidden() && data->hasUrls() && data->urls().size() == 1 &&
        data->urls()[0].isLocalFile())
        event->acceptProposedAction();
}

void CVorlaDlg::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (inputEdit->isHidden() || !data->hasUrls() || data->urls().isEmpty() || !data->urls()[0].isLocalFile())
        return;
    TakeInputFile(data->urls()[0].toLocalFile());
    event->acceptProposedAction();
}

void CVorlaDlg::OnBrowseOutput() {
    if (folderBrowser.busy)
        return;
    folderBrowser.busy = true;
    std::string start = folderBrowser.lastChosen;
    if (start.size() > 1 && start.back() == '/')
        start.pop_back();
    const QString chosen =
        prompter().BrowseFolder(nullptr, QStringLiteral("Browse for path"), QString::fromStdString(start));
    if (!chosen.isEmpty())
        folderBrowser.lastChosen = chosen.toStdString();
    folderBrowser.busy = false;
    if (!folderBrowser.lastChosen.empty())
        outputEdit->setText(QString::fromStdString(folderBrowser.lastChosen));
}

} // namespace lectorio
