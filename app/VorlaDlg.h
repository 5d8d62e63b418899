// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: set-up mode (input file, output folder, project name,
// Start), the run display of a segmentation run, and transcription mode
// (waveform, transport, transcript box, segment navigation).
//
// CVorlaDlg's member functions are split over files by concern:
//   VorlaDlg.cpp            start-up, layout, menu, keys, modes, browse buttons
//   VorlaDlgRun.cpp         Start and the segmentation worker
//   VorlaDlgNavigation.cpp  segment moves and transcripts
//   VorlaDlgTransport.cpp   playback device, transport, sliders
//   VorlaDlgProject.cpp     open, clean, final text, option dialogs, help, closing
//   VorlaDlgExport.cpp      export with times
//   VorlaDlgKeys.cpp        snippet and skip keys, transcript font size, remembered settings
//   VorlaDlgMpris.cpp       the window as an MPRIS 2 player on the session bus
//
// Every handler runs on the GUI thread. The segmentation worker touches only
// `state` (while every command that reads it is refused, see IsRunActive) and
// reaches the controls through queued calls. The pitch analysis and the
// slowed copy run on the transport's background worker, the waveform's
// reduction on the view's; their results come back as queued calls and are
// applied only while they still belong to the segment on screen.
//
// Every message box, the open-file dialog and the folder browser go through
// the Prompter (tests install their own).
#pragma once

#include "KeyOptions.h"
#include "PlaybackOptions.h"
#include "ProjectState.h"
#include "Prompter.h"
#include "SaveQueue.h"
#include "SegmentationOptions.h"

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace lectorio {

class AudioOutput;
class CWaveformView;

// Private state of the playback code and of the project commands, defined in
// VorlaDlgTransport.cpp and VorlaDlgProject.cpp.
struct TransportData;
struct ProjectCommandData;
struct MprisData;
struct TransportDataDeleter {
    void operator()(TransportData* data) const;
};
struct MprisDataDeleter {
    void operator()(MprisData* data) const;
};
struct ProjectCommandDataDeleter {
    void operator()(ProjectCommandData* data) const;
};

// The folder browser of the output folder's "..." button: it keeps the last
// chosen folder and refuses a second opening while it is open.
struct CFolderBrowser {
    std::string lastChosen;
    bool busy = false;
};

enum class PlaybackState : int32_t { Closed = 0, Playing = 1, Paused = 2 };

class CVorlaDlg : public QDialog {
    Q_OBJECT
public:
    // `prompter` is not owned; null means the Qt message boxes and dialogs.
    explicit CVorlaDlg(Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~CVorlaDlg() override;

    // Whether a segmentation run is active; Start, New Project, Open Project,
    // Clean Project and the segment commands are refused meanwhile.
    bool IsRunActive() const { return runActive; }

    // Publishes the window as an MPRIS 2 player on the session bus; false,
    // and nothing published, without a session bus (VorlaDlgMpris.cpp).
    bool PublishMpris();
    // The bus name taken by PublishMpris; empty while nothing is published.
    QString MprisServiceName() const;

public slots:
    // Set-up (VorlaDlg.cpp).
    void OnNewProject();
    void OnCancelSetup();
    void OnBrowseInput();
    void OnBrowseOutput();
    // Start and the run (VorlaDlgRun.cpp). OnCancelRun stops the run at the
    // next block; its files are removed and set-up mode returns.
    void OnStart();
    void OnCancelRun();
    // Navigation (VorlaDlgNavigation.cpp).
    void OnNextSegment();
    void OnPreviousSegment();
    void OnGoToSegment();
    // Transport (VorlaDlgTransport.cpp).
    void OnPlay();
    void OnPause();
    void StopPlayback();
    // Project commands (VorlaDlgProject.cpp).
    void OnOpenProject();
    // Opens the project file at `path` as Open Project does after its file
    // dialog (also the project named on the command line). A project that
    // cannot be opened changes nothing on screen.
    void OpenProjectFile(const QString& path);
    void OnCleanProject();
    void OnCreateTextFile();
    void OnExport(); // VorlaDlgExport.cpp
    void OnSegmentOptions();
    void OnPlaybackOptions();
    void OnKeys(); // VorlaDlgKeys.cpp
    // Every way of ending the window keeps the settings (VorlaDlgKeys.cpp).
    void done(int result) override;
    void OnAbout();
    void OnHelpFile();
    void OnCloseButton();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // OnClose
    void reject() override;                       // Esc
    void timerEvent(QTimerEvent* event) override; // routes the position timer to OnTimer
    // A recording dropped on the window fills Input File.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override; // saves typed text when the window loses the focus

private:
    // The run's display and the MPRIS player (VorlaDlgRun.cpp,
    // VorlaDlgMpris.cpp) read the window's state; the tests, the benchmark
    // and the screenshot tool reach it through VorlaDlgTestAccess alone.
    friend class SegmentationDisplay;
    friend class DlgMprisPlayer;
    friend struct VorlaDlgTestAccess;

    static constexpr int kPositionTimerMs = 100; // period of the playback position timer
    static constexpr int kProgressMaximum = 1000;

    Prompter& prompter() const;

    // Whether the set-up controls are shown ("Options" is visible).
    bool IsSetupShown() const;
    // For the close handlers: while a run is active the close is put off
    // until the run has ended (the window then closes) and true is returned.
    bool DeferCloseWhileRunning();
    // Blocks until the worker thread has ended (GUI thread; for shutdown).
    void WaitForRun();
    // Blocks until the transcripts saved so far are on the disk.
    void FlushSaves() { saves_.Finish(); }

    // Layout switches shared by the run, Open Project and the screenshots.
    void EnterRunLayout();
    void EnterTranscriptionLayout();

    // Dialog units to pixels through the dialog font's average character size.
    QRect DialogUnitsToPixels(int x, int y, int width, int height) const;

    // Project, options and navigation.
    ProjectState state;
    SegmentationOptions segmentationOptions;
    PlaybackOptions playbackOptions;
    NavigationState navigation;
    std::string transcriptText; // the transcript box's text as last saved

    // Text typed into the transcript box is saved this long after the last
    // keystroke, and when the window loses the focus.
    static constexpr int kAutosaveDelayMs = 1000;
    QTimer autosaveTimer;

    // Playback members.
    PlaybackState playbackState = PlaybackState::Closed;
    std::string playbackPath;  // the file the device opens: the segment, or its slow version
    int32_t rewindSeconds = 1; // seconds to go back when continuing after a pause
    QBasicTimer positionTimer; // polls the playback position while playing

    // The snippet keys F2 to F12 and the skip time, kept in the settings.
    KeyOptions keyOptions;

    // Option dialogs, created on first use by the project commands and
    // destroyed at close.
    QDialog* segmentOptionsDlg = nullptr;
    QDialog* playbackOptionsDlg = nullptr;
    QDialog* keysDlg = nullptr;

    CFolderBrowser folderBrowser;

    // Controls. Set-up:
    QLabel* inputLabel = nullptr;
    QLineEdit* inputEdit = nullptr;
    QPushButton* browseInputButton = nullptr;
    QLabel* outputLabel = nullptr;
    QLineEdit* outputEdit = nullptr;
    QPushButton* browseOutputButton = nullptr;
    QLabel* projectNameLabel = nullptr;
    QLineEdit* projectNameEdit = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* optionsButton = nullptr;
    QPushButton* cancelButton = nullptr;
    // Run display ("Cancel" stops the run):
    QPushButton* runCancelButton = nullptr;
    QLabel* statusLine = nullptr;
    QProgressBar* progressBar = nullptr;
    // Transcription:
    CWaveformView* waveformView = nullptr;
    QSlider* positionSlider = nullptr;
    QLabel* totalLabel = nullptr;
    QLineEdit* segmentNumberEdit = nullptr;
    QPushButton* goButton = nullptr;
    QPushButton* previousButton = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* pauseButton = nullptr;
    QPushButton* nextButton = nullptr;
    QLabel* positionLabel = nullptr;
    QLabel* lengthLabel = nullptr;
    QSlider* speedSlider = nullptr;
    QSlider* volumeSlider = nullptr;
    QLabel* speedLabel = nullptr;
    QLabel* speedFastLabel = nullptr;
    QLabel* speedNormalLabel = nullptr;
    QLabel* speedSlowLabel = nullptr;
    QLabel* volumeLabel = nullptr;
    QPlainTextEdit* transcriptEdit = nullptr;
    QPushButton* createTextFileButton = nullptr;
    QPushButton* closeButton = nullptr;
    // Menu:
    QMenuBar* menuBar = nullptr;
    QAction* newProjectAction = nullptr;
    QAction* openProjectAction = nullptr;
    QAction* cleanProjectAction = nullptr;
    QAction* createTextFileAction = nullptr;
    QAction* exportAction = nullptr; // enabled while a project is open and no run is active
    QAction* segmentOptionsAction = nullptr;
    QAction* playbackOptionsAction = nullptr;
    QAction* keysAction = nullptr;
    QAction* helpAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* quitAction = nullptr; // Ctrl+Q, the window's own action

    // Playback operations (VorlaDlgTransport.cpp). The device operations
    // report failures to the user themselves and return false.
    bool SendMciCommand(const std::string& command, std::string* answer);
    bool OpenAndPlay();
    bool CloseDevice();
    bool PauseDevice();
    bool ResumeDevice();
    void SeekDevice(int64_t positionMs);
    void MeasureLength();
    void StopAndReset();
    void ResetPositionDisplay(int64_t lengthMs);
    // The device's position while playing or paused, asked without any
    // message; otherwise, or when it cannot tell, the position slider's.
    int64_t PlaybackPositionMs();
    void OnTimer();

    // Plays on `output` from now on (closing an open device first); the
    // window starts with the session's sound server. Tests give it a null
    // output.
    void UseAudioOutput(std::shared_ptr<AudioOutput> output);
    // The slow-down engine as the transport calls it, on its background
    // worker: write the segment's pitch track (false when it gets none), and
    // write the stretched copy (false when it was not written). Both may
    // give up (and return false) once `cancelled` returns true. Set at
    // start-up; tests may replace them before the first move.
    using CancelCheck = std::function<bool()>;
    std::function<bool(const std::string& segment, const std::string& track, const CancelCheck& cancelled)>
        buildPitchTrack;
    std::function<bool(const std::string& segment, const std::string& output, const std::string& track,
                       double factor, const CancelCheck& cancelled)>
        synthesizeSlowVersion;

    // Drops the background work of the segment on screen: a result that
    // arrives later is not applied. Every move does this.
    void CancelBackgroundWork();
    // Whether a slowed copy or a waveform asked for has not arrived yet.
    bool IsBackgroundWorkPending() const;
    // Blocks until the background work is done and applies its results
    // (tests, benchmarks and closing).
    void FinishBackgroundWork();

    // Moves the playing or paused segment to `positionMs`, held within the
    // segment; false when nothing is open (VorlaDlgKeys.cpp).
    bool SeekWithinSegment(int64_t positionMs);

    // Closing (VorlaDlgProject.cpp): save the typed text, offer the final
    // text file, stop playback, destroy the option dialogs, delete the
    // temporary files. False when the user cancelled the closing (nothing
    // is then changed but the saved text).
    bool CloseProcedure();

    // Writes the box's text to the current transcript; false when it could
    // not be written (or a run is active). Quiet: the commands that leave
    // the segment ask the user through SaveBeforeLeaving.
    bool SaveTranscript();
    // Autosave: saves text typed since the last save, quietly.
    void SaveTypedText();
    void PlaySlowVersion();
    void OnHScroll(int action);
    void OnVolumeReleased();
    // Start-up pieces (VorlaDlg.cpp, except InitPlayback and
    // CreateVolumeSlider in VorlaDlgTransport.cpp).
    void CreateControls();
    void CreateMenu();
    void InitPlayback();
    QSlider* CreateVolumeSlider(QWidget* parent);
    // Enables the project commands for the current state: none of New, Open
    // and Clean Project and Create Text File during a run, and Clean Project
    // and Create Text File only once a project is open. The transcript box's
    // hint for a first start goes once a project is open.
    void UpdateProjectCommands();
    void SetSetupControls(bool shown);
    // Puts a chosen or dropped recording into Input File and its name into
    // Project Name.
    void TakeInputFile(const QString& path);
    void SetTranscriptionControlsEnabled(bool enabled);
    // Carries out the command of an accelerator key (Page Up and Enter next,
    // Page Down previous, Tab Play, Shift+Tab Pause); false for other keys.
    bool RunAccelerator(const QKeyEvent& event);
    // The window's further keys (VorlaDlgKeys.cpp): snippets F2 to F12, skips
    // with Alt+Left/Right and the media keys' rewind and fast-forward, and
    // Ctrl++ / Ctrl+- for the transcript's font size; false for other keys.
    bool RunOwnKey(const QKeyEvent& event);
    void InsertSnippet(const QString& text);
    void ZoomTranscript(int points);
    // The settings that outlive the window: speed position, volume slider,
    // window geometry, transcript font size (the keys are in keyOptions).
    void RestoreSettings();
    void SaveSettings();
    // The player's state may have changed (for the MPRIS service);
    // `positionJumped`: its position did not simply run on.
    void PlayerChanged(bool positionJumped = false);
    // Places the controls for the client area's size: the waveform view and
    // the transcript box take what the window has beyond its default size,
    // the other controls keep their sizes and distances to the nearest edges.
    void LayOutClient();
    // "Lectorio", or "Lectorio - " and the name.
    void SetProjectCaption(const std::string& name);
    // Saves the text of the segment on screen before a command leaves it.
    // When the save fails the user chooses: retry, save the text to another
    // file, close anyway (`closing` only, after a second question) or cancel.
    // False: the command stops and the text stays in the box.
    bool SaveBeforeLeaving(bool closing);
    // Whether the box holds text typed since it was loaded or saved.
    bool TranscriptTyped() const;
    // Records the segment on screen and the speed position for the next open.
    void WriteResumePoint();
    // Asks what to do with text that could not be saved to its file: Retry
    // (`retry`), Save to Another File..., Close Anyway (`closing` only) or
    // Cancel (false). `inBox`: the text is the transcript box's.
    bool KeepUnsavedText(const FailedSave& unsaved, bool closing, bool inBox,
                         const std::function<bool()>& retry);
    // Waits for the saves still on their way to the disk and asks about each
    // that failed; false while one stays unsaved. The commands that read or
    // delete transcripts, and closing, come after it.
    bool SettleSaves(bool closing);

    // The run (VorlaDlgRun.cpp).
    // Body of the worker thread; `options` is the run's own copy.
    void SegmentationWorker(SegmentationOptions options);
    void FinishRun(bool transcriptsCreated, int failedWrites, const std::string& firstFailed,
                   const std::string& endedEarly);
    // After a stopped run: the project before Start back on screen, set-up mode.
    void FinishStoppedRun();
    // Shows the transcript of the segment just stepped to (navigation).
    void ShowCurrentSegment();
    // The slowed copy of the segment on screen at the speed slider's
    // position: played at once when it is ready (`play`), else made in the
    // background and, with `play`, played when it arrives.
    void RequestSlowCopy(bool play);
    // The speed slider moved: prepare the copy Play will want.
    void OnSpeedChanged();

    Prompter* prompter_ = nullptr;
    std::unique_ptr<Prompter> ownPrompter_;
    QWidget* client_ = nullptr;
    bool runActive = false;
    bool closeAfterRun_ = false;
    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
    // The project on screen when Start committed a new one; a stopped run
    // brings it back.
    ProjectState previousState_;
    NavigationState previousNavigation_;
    std::unique_ptr<TransportData, TransportDataDeleter> transport;
    std::unique_ptr<ProjectCommandData, ProjectCommandDataDeleter> projectCommands;
    std::unique_ptr<MprisData, MprisDataDeleter> mpris_;

    // How a control follows the client area's growth: horizontally it keeps
    // its distance to the left or the right edge, or widens; vertically it
    // stays with the top, the bottom, below the waveform view, or takes a
    // share of the height (the waveform view a third, the transcript box the rest).
    enum class Grow { Left, Right, Wide };
    enum class Rise { Top, BelowWave, WaveHeight, BoxHeight, Bottom };
    struct Placement {
        QWidget* widget;
        QRect rect; // at the default size, in pixels
        Grow grow;
        Rise rise;
    };
    std::vector<Placement> placements_;
    QSize defaultClientSize_;
    bool waveformRedrawPending_ = false;

    // Transcripts and the resume point on their way to the disk; last, so
    // that it finishes them before anything else of the window goes.
    std::deque<FailedSave> unsavedTexts_; // failed in the background, asked about by SettleSaves
    bool settlingSaves_ = false;
    SaveQueue saves_;
};

} // namespace lectorio
