// SPDX-License-Identifier: GPL-3.0-or-later
// Moving between segments and keeping their transcripts.
#include "VorlaDlg.h"

#include "Transcript.h"
#include "WaveformView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace lectorio {

void CVorlaDlg::SaveTranscript() {
    transcriptText = transcriptEdit->toPlainText().toStdString();
    if (state.currentTextPath.empty())
        return;
    if (WriteTranscript(state.currentTextPath, transcriptText)) {
        saveFailureReported_ = false;
        return;
    }
    ReportSaveFailure(state.currentTextPath);
}

void CVorlaDlg::ReportSaveFailure(const std::string& path) {
    // Every move saves, so a folder that went away would otherwise bring a
    // box at every key press.
    if (saveFailureReported_)
        return;
    saveFailureReported_ = true;
    prompter().Message(this,
                       QStringLiteral("The transcript could not be saved to %1.\n\nThe text is still in the "
                                      "transcript box; copy it before you leave this segment.")
                           .arg(QString::fromStdString(path)),
                       QStringLiteral("Save Transcript"), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

void CVorlaDlg::ShowCurrentSegment() {
    const int32_t n = state.currentSegment;
    // Nothing made for the segment shown before may reach this one.
    CancelBackgroundWork();
    waveformView->DrawWaveFile(state.currentWavePath);
    segmentNumberEdit->setText(QString::number(n));
    transcriptEdit->setPlainText(QString::fromStdString(ReadTranscriptWords(state.currentTextPath)));
    transcriptEdit->moveCursor(QTextCursor::End);
    transcriptEdit->setFocus();
    navigation.lastSpeedPosition = speedSlider->value();
    if (IsNormalSpeedPosition(navigation.lastSpeedPosition) || IsSilenceSegment(n))
        OnPlay();
    else
        PlaySlowVersion();
}

void CVorlaDlg::OnNextSegment() {
    if (!state.projectOpen || runActive)
        return;
    navigation.analysisDone = false;
    StopPlayback();
    if (!navigation.navigationStarted) {
        totalLabel->setText(QStringLiteral("/%1").arg(state.segmentCount));
        segmentNumberEdit->setText(QStringLiteral("1"));
    }
    const bool skip = playbackOptions.skipSilenceFiles;
    if (ShouldSaveOnMove(state.currentSegment, state.segmentCount, skip))
        SaveTranscript();

    // A project without segments has nothing to show or play: "/0" and an
    // empty number box, no way forward or back.
    if (state.segmentCount < 1) {
        segmentNumberEdit->clear();
        nextButton->setEnabled(false);
        previousButton->setEnabled(false);
        navigation.navigationStarted = true;
        return;
    }

    int32_t n = state.currentSegment + 1;
    if (n > state.segmentCount)
        n = state.segmentCount;
    state.currentSegment = n;
    if (skip && n == state.segmentCount && IsSilenceSegment(n)) {
        // The last segment is silence: stay on the one shown before.
        state.currentSegment = n - 1;
        navigation.navigationStarted = true;
        return;
    }
    state.currentTextPath = state.SegmentTextPath(n);
    state.currentWavePath = state.SegmentWavePath(n);
    playbackPath = state.currentWavePath;
    if (skip && IsSilenceSegment(n)) {
        OnNextSegment();
        navigation.navigationStarted = true;
        return;
    }
    if (n == state.segmentCount)
        nextButton->setEnabled(false);
    if (n > 1)
        previousButton->setEnabled(true);
    ShowCurrentSegment();
    navigation.navigationStarted = true;
}

void CVorlaDlg::OnPreviousSegment() {
    if (!state.projectOpen || runActive)
        return;
    navigation.analysisDone = false;
    if (state.currentSegment <= 1)
        return;
    const bool skip = playbackOptions.skipSilenceFiles;
    StopPlayback();
    if (ShouldSaveOnMove(state.currentSegment, state.segmentCount, skip))
        SaveTranscript();
    nextButton->setEnabled(true);

    int32_t n = state.currentSegment - 1;
    if (skip && n == 1)
        n = 2;
    state.currentSegment = n;
    state.currentTextPath = state.SegmentTextPath(n);
    state.currentWavePath = state.SegmentWavePath(n);
    playbackPath = state.currentWavePath;
    if (skip && IsSilenceSegment(n)) {
        OnPreviousSegment();
        return;
    }
    ShowCurrentSegment();
}

void CVorlaDlg::OnGoToSegment() {
    if (!state.projectOpen || runActive)
        return;
    if (state.currentSegment != 0)
        SaveTranscript();
    if (state.segmentCount < 1)
        return;
    const int32_t value = ParseSegmentNumber(segmentNumberEdit->text().toStdString());
    if (value != 1)
        previousButton->setEnabled(true);
    if (value != state.segmentCount)
        nextButton->setEnabled(true);
    // With one (silence) segment and the skip option on there is nothing to
    // show: the move then leaves no segment shown, as the first move does.
    const int32_t target =
        std::max(GoToTarget(value, state.segmentCount, playbackOptions.skipSilenceFiles), 1);
    state.currentSegment = target - 1;
    OnNextSegment();
}

} // namespace lectorio
