// SPDX-License-Identifier: GPL-3.0-or-later
// Moving between segments and keeping their transcripts.
#include "VorlaDlg.h"

#include "OptionFields.h"
#include "ProjectSafety.h"
#include "Transcript.h"
#include "WaveformView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace lectorio {

bool CVorlaDlg::SaveTranscript() {
    // During a run the worker is assigning the paths.
    if (runActive)
        return false;
    transcriptText = transcriptEdit->toPlainText().toStdString();
    if (state.currentTextPath.empty())
        return true;
    // The queue flushes the file to the disk and renames it in the
    // background; a missing folder or a full disk is known at once.
    if (!saves_.Save(state.currentTextPath, transcriptText))
        return false;
    transcriptEdit->document()->setModified(false);
    autosaveTimer.stop();
    return true;
}

bool CVorlaDlg::TranscriptTyped() const {
    return state.currentSegment != 0 && transcriptEdit->document()->isModified();
}

void CVorlaDlg::SaveTypedText() {
    // A failure is left to the next command that leaves the segment, which
    // asks what to do with the text.
    if (TranscriptTyped())
        SaveTranscript();
}

bool CVorlaDlg::SaveBeforeLeaving(bool closing) {
    if (state.currentSegment == 0 || SaveTranscript())
        return true;
    if (runActive)
        return false;
    return KeepUnsavedText({state.currentTextPath, transcriptText}, closing, true,
                           [this] { return SaveTranscript(); });
}

bool CVorlaDlg::KeepUnsavedText(const FailedSave& unsaved, bool closing, bool inBox,
                                const std::function<bool()>& retry) {
    QString text =
        QStringLiteral("The transcript could not be saved to %1.").arg(QString::fromStdString(unsaved.path));
    if (inBox)
        text += QStringLiteral("\n\nThe text is still in the transcript box.");
    for (;;) {
        QStringList choices{QStringLiteral("Retry"), QStringLiteral("Save to Another File...")};
        if (closing)
            choices << QStringLiteral("Close Anyway");
        choices << QStringLiteral("Cancel");
        const int pick = prompter().Choose(this, text, QStringLiteral("Error"), choices);
        if (pick == 0) {
            if (retry())
                return true;
            continue;
        }
        if (pick == 1) {
            const QString other = prompter().SaveFile(this, QStringLiteral("Text Files (*.txt)|*.txt||"));
            if (!other.isEmpty() && WriteTranscript(other.toStdString(), unsaved.content)) {
                if (inBox)
                    transcriptEdit->document()->setModified(false);
                return true;
            }
            continue;
        }
        if (closing && pick == 2) {
            if (prompter().Message(this,
                                   QStringLiteral("Close without saving? The text in the transcript box "
                                                  "will be lost."),
                                   QStringLiteral("Close"), Prompter::Buttons::YesNoDefaultNo,
                                   Prompter::Icon::Warning) == Prompter::Answer::Yes)
                return true;
            continue;
        }
        return false;
    }
}

bool CVorlaDlg::SettleSaves(bool closing) {
    if (settlingSaves_)
        return false;
    settlingSaves_ = true;
    saves_.Finish();
    for (FailedSave& failed : saves_.TakeFailures())
        unsavedTexts_.push_back(std::move(failed));
    while (!unsavedTexts_.empty()) {
        const FailedSave unsaved = unsavedTexts_.front();
        // Retrying waits for the disk: the user asked for it.
        if (!KeepUnsavedText(unsaved, closing, false,
                             [&unsaved] { return WriteTranscript(unsaved.path, unsaved.content); }))
            break;
        unsavedTexts_.pop_front();
    }
    settlingSaves_ = false;
    return unsavedTexts_.empty();
}

void CVorlaDlg::WriteResumePoint() {
    if (state.projectOpen && state.currentSegment != 0)
        saves_.Save(ResumeFilePath(state), ResumeFileContent({state.currentSegment, speedSlider->value()}),
                    false);
}

void CVorlaDlg::ShowCurrentSegment() {
    const int32_t n = state.currentSegment;
    // Nothing made for the segment shown before may reach this one.
    CancelBackgroundWork();
    waveformView->DrawWaveFile(state.currentWavePath);
    segmentNumberEdit->setText(QString::number(n));
    // A save still on its way to the disk holds the newest text.
    const std::optional<std::string> pending = saves_.Pending(state.currentTextPath);
    transcriptEdit->setPlainText(QString::fromStdString(
        pending ? TranscriptWords(*pending) : ReadTranscriptWords(state.currentTextPath)));
    transcriptEdit->document()->setModified(false);
    autosaveTimer.stop();
    transcriptEdit->setEnabled(true);
    transcriptEdit->moveCursor(QTextCursor::End);
    transcriptEdit->setFocus();
    navigation.lastSpeedPosition = speedSlider->value();
    WriteResumePoint();
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
    // Typed text is saved whatever the skip rule says.
    if ((ShouldSaveOnMove(state.currentSegment, state.segmentCount, skip) || TranscriptTyped()) &&
        !SaveBeforeLeaving(false))
        return;

    // A project without segments has nothing to show or play: "/0" and an
    // empty number box, no way forward or back.
    if (state.segmentCount < 1) {
        segmentNumberEdit->clear();
        nextButton->setEnabled(false);
        transcriptEdit->setEnabled(false);
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
        if (state.currentSegment == 0)
            transcriptEdit->setEnabled(false);
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
    if ((ShouldSaveOnMove(state.currentSegment, state.segmentCount, skip) || TranscriptTyped()) &&
        !SaveBeforeLeaving(false))
        return;
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
    if (!SaveBeforeLeaving(false))
        return;
    if (state.segmentCount < 1)
        return;
    const int32_t value = ReadIntField(segmentNumberEdit->text().toStdString());
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
