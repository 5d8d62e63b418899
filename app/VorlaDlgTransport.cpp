// SPDX-License-Identifier: GPL-3.0-or-later
// Playback: the device, the transport buttons, the position display and the
// speed and volume sliders.
//
// The device is the MCI-style command layer (playback/MciCommandLayer.h),
// always under the alias "mydevice"; every failed command is shown once, in
// an "Error" box with the layer's text. Timer 1 (positionTimer, 100 ms) polls
// the position while playing. The handlers run on the GUI thread.
//
// The slow-down engine is reached through buildPitchTrack and
// synthesizeSlowVersion (tests replace them), which run on the background
// worker: a speech segment shown off normal speed, and every move of the
// speed slider, start the slowed copy there, so that Play usually finds it
// ready. Each request carries a ticket, and each move starts a new epoch
// (the life of the analysis-done flag); a result is applied only when its
// ticket is the newest one, so nothing made for another segment or another
// speed is ever played.
#include "VorlaDlg.h"

#include "AudioOutput.h"
#include "BackgroundWorker.h"
#include "MasterOutputVolume.h"
#include "MciCommandLayer.h"
#include "ProjectState.h"
#include "Transcript.h"
#include "ValueSlider.h"
#include "WaveformView.h"

#include "PitchAnalyzer.h"
#include "SlowVersion.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimerEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace lectorio {

namespace {

constexpr const char* kAlias = "mydevice";

// "3.05": whole seconds, a point, hundredths as two digits.
QString FormatSeconds(int64_t milliseconds) {
    const int64_t t = std::max<int64_t>(milliseconds, 0);
    return QStringLiteral("%1.%2").arg(t / 1000).arg((t % 1000) / 10, 2, 10, QLatin1Char('0'));
}

// The first decimal integer at the start of an answer; false when there is none.
bool LeadingInteger(const std::string& answer, int64_t& value) {
    const char* text = answer.c_str();
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (end == text)
        return false;
    value = parsed;
    return true;
}

std::string OpenCommand(const std::string& path) {
    return "open " + QuoteForCommand(path) + " alias " + kAlias;
}

} // namespace

// A slowed copy asked for, or made: of which segment, at which slider
// position, in which epoch.
struct SlowCopyRequest {
    uint64_t ticket = 0;
    uint64_t epoch = 0;
    std::string segment;
    int position = 0;
    bool play = false; // play it when it arrives
};

struct SlowCopyResult {
    uint64_t ticket = 0;
    bool analysed = false; // the segment's own track exists
    bool made = false;     // the copy was written
};

// Which segment's track the pitch-track file holds; the worker's own.
struct TrackMemo {
    uint64_t epoch = 0;
    std::string segment;
    bool analysed = false;
    bool valid = false;
};

struct TransportData {
    std::unique_ptr<CMciCommandLayer> mci;
    std::unique_ptr<CMasterOutputVolume> volume;
    uint64_t epoch = 1; // bumped by every move
    uint64_t lastTicket = 0;
    std::optional<SlowCopyRequest> pending;  // sent to the worker, not back yet
    std::optional<SlowCopyRequest> prepared; // the copy on disk (play = whether it was made)
    std::shared_ptr<TrackMemo> memo = std::make_shared<TrackMemo>();
    // Last: destroyed first, so no job outlives what it uses.
    BackgroundWorker worker;
};

void TransportDataDeleter::operator()(TransportData* data) const {
    delete data;
}

QSlider* CVorlaDlg::CreateVolumeSlider(QWidget* parent) {
    auto* slider = new CValueSlider(Qt::Vertical, parent);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

void CVorlaDlg::InitPlayback() {
    transport.reset(new TransportData);
    transport->mci = std::make_unique<CMciCommandLayer>();
    transport->volume = std::make_unique<CMasterOutputVolume>();
    buildPitchTrack = [](const std::string& segment, const std::string& track, const CancelCheck& cancelled) {
        return BuildPitchTrack(segment, track, 0, cancelled);
    };
    synthesizeSlowVersion = [](const std::string& segment, const std::string& output,
                               const std::string& track, double factor, const CancelCheck& cancelled) {
        return SynthesizeSlowVersion(segment, output, track, factor, cancelled) == SlowVersionResult::Done;
    };
    connect(speedSlider, &QSlider::valueChanged, this, &CVorlaDlg::OnSpeedChanged);

    // The volume slider spans the master volume's range, its top the loudest.
    // Bounds are taken as unsigned 32-bit numbers for the value range, so an
    // unavailable volume (-1) gives a slider without effect.
    auto* volume = static_cast<CValueSlider*>(volumeSlider);
    CMasterOutputVolume& master = *transport->volume;
    const int64_t current = master.GetVolume();
    const int64_t maximum = master.GetMaximum();
    const int64_t minimum = master.GetMinimum();
    volume->Setup(static_cast<int>(minimum), static_cast<int>(maximum),
                  static_cast<float>(static_cast<uint32_t>(minimum)),
                  static_cast<float>(static_cast<uint32_t>(maximum)),
                  static_cast<float>(static_cast<uint32_t>(current)));
    volumeSlider->setEnabled(true);
    connect(volume, &CValueSlider::mouseReleased, this, &CVorlaDlg::OnVolumeReleased);

    // Any user action on the position slider seeks; a drag seeks once, when
    // the thumb is let go, and meanwhile the timer leaves the thumb alone.
    connect(positionSlider, &QSlider::actionTriggered, this, &CVorlaDlg::OnHScroll);
    connect(positionSlider, &QSlider::sliderReleased, this,
            [this] { OnHScroll(QAbstractSlider::SliderNoAction); });
}

void CVorlaDlg::UseAudioOutput(std::shared_ptr<AudioOutput> output) {
    if (playbackState != PlaybackState::Closed) {
        transport->mci->SendString(std::string("close ") + kAlias);
        positionTimer.stop();
        playbackState = PlaybackState::Closed;
    }
    transport->mci = std::make_unique<CMciCommandLayer>(std::move(output));
}

bool CVorlaDlg::SendMciCommand(const std::string& command, std::string* answer) {
    const MciError result = transport->mci->SendString(command, answer);
    if (result == MciError::None)
        return true;
    prompter().Message(this, QString::fromUtf8(MciErrorText(result)), QStringLiteral("Error"),
                       Prompter::Buttons::Ok, Prompter::Icon::Error);
    return false;
}

bool CVorlaDlg::OpenAndPlay() {
    if (!SendMciCommand(OpenCommand(playbackPath), nullptr))
        return false;
    if (!SendMciCommand(std::string("play ") + kAlias + " notify", nullptr)) {
        // Close again, so that the alias is free for the next attempt.
        transport->mci->SendString(std::string("close ") + kAlias);
        return false;
    }
    positionTimer.start(kPositionTimerMs, this);
    return true;
}

bool CVorlaDlg::CloseDevice() {
    if (!SendMciCommand(std::string("close ") + kAlias, nullptr))
        return false;
    positionTimer.stop();
    return true;
}

bool CVorlaDlg::PauseDevice() {
    if (!SendMciCommand(std::string("pause ") + kAlias, nullptr))
        return false;
    positionTimer.stop();
    return true;
}

bool CVorlaDlg::ResumeDevice() {
    std::string answer;
    int64_t position = 0;
    if (!SendMciCommand(std::string("status ") + kAlias + " position", &answer) ||
        !LeadingInteger(answer, position))
        return false;
    int64_t from = position - static_cast<int64_t>(rewindSeconds) * 1000;
    if (from < 1)
        from = 0;
    if (!SendMciCommand(std::string("play ") + kAlias + " from " + std::to_string(from), nullptr))
        return false;
    positionTimer.start(kPositionTimerMs, this);
    return true;
}

void CVorlaDlg::SeekDevice(int64_t positionMs) {
    if (playbackState == PlaybackState::Playing)
        SendMciCommand(std::string("play ") + kAlias + " from " + std::to_string(positionMs), nullptr);
    else if (playbackState == PlaybackState::Paused)
        SendMciCommand(std::string("seek ") + kAlias + " to " + std::to_string(positionMs), nullptr);
}

void CVorlaDlg::MeasureLength() {
    if (playbackPath.empty())
        return;
    if (!SendMciCommand(OpenCommand(playbackPath), nullptr))
        return;
    std::string answer;
    const bool measured = SendMciCommand(std::string("status ") + kAlias + " length", &answer);
    // Closed whether or not the length came back, so the alias never stays taken.
    SendMciCommand(std::string("close ") + kAlias, nullptr);
    int64_t length = 0;
    if (!measured || !LeadingInteger(answer, length))
        return;
    ResetPositionDisplay(length);
}

void CVorlaDlg::StopAndReset() {
    if (playbackState != PlaybackState::Closed && CloseDevice())
        playbackState = PlaybackState::Closed;
    MeasureLength();
}

void CVorlaDlg::ResetPositionDisplay(int64_t lengthMs) {
    const int64_t length = std::clamp<int64_t>(lengthMs, 0, INT_MAX);
    positionSlider->setRange(0, static_cast<int>(length));
    positionSlider->setValue(0);
    lengthLabel->setText(QStringLiteral("/") + FormatSeconds(length) + QStringLiteral("sec"));
}

void CVorlaDlg::OnTimer() {
    if (playbackState != PlaybackState::Playing)
        return;
    std::string answer;
    int64_t position = 0;
    if (!SendMciCommand(std::string("status ") + kAlias + " position", &answer)) {
        // One box, not one every 100 ms.
        positionTimer.stop();
        // A lost sound server leaves the device paused at the last position
        // heard; the next Play or Continue connects again.
        std::string mode;
        if (transport->mci->SendString(std::string("status ") + kAlias + " mode", &mode) == MciError::None &&
            mode == "paused") {
            playbackState = PlaybackState::Paused;
            pauseButton->setText(QStringLiteral("Cont."));
            if (transport->mci->SendString(std::string("status ") + kAlias + " position", &answer) ==
                    MciError::None &&
                LeadingInteger(answer, position)) {
                positionSlider->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, INT_MAX)));
                positionLabel->setText(FormatSeconds(position));
            }
        }
        return;
    }
    if (!LeadingInteger(answer, position))
        return;
    if (!positionSlider->isSliderDown())
        positionSlider->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, INT_MAX)));
    positionLabel->setText(FormatSeconds(position));
}

void CVorlaDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == positionTimer.timerId()) {
        OnTimer();
        return;
    }
    QDialog::timerEvent(event);
}

void CVorlaDlg::StopPlayback() {
    if (playbackState != PlaybackState::Closed && CloseDevice()) {
        playbackState = PlaybackState::Closed;
        MeasureLength();
    }
    transcriptEdit->setFocus();
}

void CVorlaDlg::OnPlay() {
    if (!state.projectOpen)
        return;
    StopPlayback();
    pauseButton->setText(QStringLiteral("Pause"));
    if (state.currentSegment == 1)
        previousButton->setEnabled(false);
    transcriptEdit->setFocus();
    const bool speech = state.currentSegment > 0 && !IsSilenceSegment(state.currentSegment);
    // A copy made since for another speed may have replaced the one that
    // played: it is made again for the speed it was chosen with.
    const TransportData& t = *transport;
    const bool copyReplaced = playbackPath != state.currentWavePath &&
                              !(t.prepared && t.prepared->play && t.prepared->epoch == t.epoch &&
                                t.prepared->segment == state.currentWavePath &&
                                t.prepared->position == navigation.lastSpeedPosition);
    if ((speedSlider->value() != navigation.lastSpeedPosition || copyReplaced) && speech) {
        navigation.lastSpeedPosition = speedSlider->value();
        SaveTranscript();
        PlaySlowVersion();
    } else if (playbackState == PlaybackState::Closed) {
        // What plays now replaces a copy still awaited.
        if (transport->pending)
            transport->pending->play = false;
        StopAndReset();
        if (OpenAndPlay())
            playbackState = PlaybackState::Playing;
    } else if (playbackState == PlaybackState::Playing) {
        SeekDevice(0);
    } else if (ResumeDevice()) {
        playbackState = PlaybackState::Playing;
    }
    pauseButton->setEnabled(true);
    navigation.navigationStarted = true;
}

void CVorlaDlg::OnPause() {
    if (positionSlider->value() == positionSlider->maximum())
        return;
    rewindSeconds = playbackOptions.rewindSeconds;
    if (state.currentSegment == 1)
        previousButton->setEnabled(false);
    transcriptEdit->setFocus();
    if (speedSlider->value() != navigation.lastSpeedPosition) {
        // Show the same segment again, which plays it at the new speed.
        SaveTranscript();
        state.currentSegment -= 1;
        OnNextSegment();
    } else if (playbackState == PlaybackState::Playing) {
        if (PauseDevice())
            playbackState = PlaybackState::Paused;
    } else if (playbackState == PlaybackState::Paused) {
        if (ResumeDevice())
            playbackState = PlaybackState::Playing;
    }
    pauseButton->setText(playbackState == PlaybackState::Paused ? QStringLiteral("Cont.")
                                                                : QStringLiteral("Pause"));
    navigation.navigationStarted = true;
}

void CVorlaDlg::PlaySlowVersion() {
    StopPlayback();
    navigation.lastSpeedPosition = speedSlider->value();
    transcriptEdit->setFocus();
    RequestSlowCopy(true);
}

void CVorlaDlg::RequestSlowCopy(bool play) {
    TransportData& t = *transport;
    SlowCopyRequest request;
    request.epoch = t.epoch;
    request.segment = state.currentWavePath;
    request.position = speedSlider->value();
    request.play = play;
    auto same = [&](const std::optional<SlowCopyRequest>& other) {
        return other && other->epoch == request.epoch && other->segment == request.segment &&
               other->position == request.position;
    };
    if (same(t.prepared)) {
        if (play) {
            // Without a copy the segment itself plays, never an old copy.
            playbackPath = t.prepared->play ? state.SlowWavePath(state.currentSegment) : request.segment;
            navigation.lastSpeedPosition = request.position;
            OnPlay();
        }
        return;
    }
    if (same(t.pending)) {
        t.pending->play = t.pending->play || play;
        return;
    }
    // A copy awaited for Play is still wanted at the new speed.
    if (t.pending && t.pending->epoch == request.epoch)
        request.play = request.play || t.pending->play;
    request.ticket = ++t.lastTicket;
    t.pending = request;
    // The new job rewrites the copy on disk.
    t.prepared.reset();

    const std::string segment = request.segment;
    // Empty when the copy's name is another project's segment file.
    const std::string output = state.SlowWavePath(state.currentSegment);
    const std::string track = state.PitchTrackPath();
    const double factor = static_cast<double>(request.position) * 0.1;
    const uint64_t ticket = request.ticket;
    const uint64_t epoch = request.epoch;
    auto analyse = buildPitchTrack;
    auto synthesize = synthesizeSlowVersion;
    std::shared_ptr<TrackMemo> memo = t.memo;
    // Within one epoch a newer speed only stops the synthesis; the analysis
    // of the segment goes on.
    t.worker.Submit(
        [this, segment, output, track, factor, ticket, epoch, analyse, synthesize,
         memo](const std::atomic<int>& level) {
            // The track must be this segment's own: analyse once per epoch. A
            // segment too short for one analysis frame gets no track and is
            // played as it is.
            if (!(memo->valid && memo->epoch == epoch && memo->segment == segment)) {
                memo->valid = false;
                auto stale = [&] { return level >= BackgroundWorker::kCancelAll; };
                const bool analysed = analyse && analyse(segment, track, stale);
                if (stale())
                    return;
                *memo = TrackMemo{epoch, segment, analysed, true};
            }
            auto superseded = [&] { return level >= BackgroundWorker::kCancelLight; };
            SlowCopyResult result;
            result.ticket = ticket;
            result.analysed = memo->analysed;
            result.made = result.analysed && !output.empty() && !superseded() && synthesize &&
                          synthesize(segment, output, track, factor, superseded);
            if (superseded())
                return;
            QMetaObject::invokeMethod(
                this,
                [this, result] {
                    TransportData& data = *transport;
                    if (!data.pending || data.pending->ticket != result.ticket)
                        return; // made for a segment or a speed no longer wanted
                    SlowCopyRequest done = *data.pending;
                    data.pending.reset();
                    navigation.analysisDone = result.analysed;
                    const bool play = done.play;
                    done.play = result.made;
                    data.prepared = done;
                    if (play)
                        RequestSlowCopy(true);
                },
                Qt::QueuedConnection);
        },
        BackgroundWorker::kCancelLight);
}

void CVorlaDlg::OnSpeedChanged() {
    // Play plays a new copy only when the slider differs from the position
    // the playback was chosen with.
    const int32_t n = state.currentSegment;
    if (!state.projectOpen || runActive || n < 1 || IsSilenceSegment(n) ||
        speedSlider->value() == navigation.lastSpeedPosition)
        return;
    RequestSlowCopy(false);
}

void CVorlaDlg::CancelBackgroundWork() {
    TransportData& t = *transport;
    ++t.epoch;
    t.pending.reset();
    t.prepared.reset();
    t.worker.Cancel();
}

bool CVorlaDlg::IsBackgroundWorkPending() const {
    return transport->pending.has_value() || waveformView->IsDrawing();
}

void CVorlaDlg::FinishBackgroundWork() {
    waveformView->FinishDrawing();
    transport->worker.Wait();
    // A result may start another job (a copy awaited at a newer speed).
    while (transport->pending) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (!transport->pending)
            break;
        transport->worker.Wait();
    }
}

void CVorlaDlg::OnHScroll(int action) {
    // A drag seeks when the thumb is let go (sliderReleased), not at every step.
    if (action == QAbstractSlider::SliderMove && positionSlider->isSliderDown()) {
        transcriptEdit->setFocus();
        return;
    }
    if (playbackState == PlaybackState::Closed)
        positionSlider->setValue(0);
    else
        SeekDevice(positionSlider->sliderPosition());
    transcriptEdit->setFocus();
}

void CVorlaDlg::OnVolumeReleased() {
    auto* volume = static_cast<CValueSlider*>(volumeSlider);
    transport->volume->SetVolume(static_cast<int64_t>(volume->GetValue()));
}

} // namespace lectorio
