// SPDX-License-Identifier: GPL-3.0-or-later
// The window's keys of one's own (snippets, skips within a segment, the
// transcript's font size), the Keys dialog, and the settings that outlive the
// window. The settings are the application's QSettings; what they hold is
// read when the window is built and written when it ends.
#include "VorlaDlg.h"

#include "KeysDlg.h"
#include "ValueSlider.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSlider>
#include <QTextCursor>

#include <algorithm>

namespace lectorio {

namespace {

const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kFontSizeKey = QStringLiteral("Window/TranscriptFontSize");
const QString kSpeedKey = QStringLiteral("Playback/SpeedPosition");
const QString kVolumeKey = QStringLiteral("Playback/Volume");

constexpr double kSmallestFontPoints = 6;
constexpr double kLargestFontPoints = 72;

double PointSize(const QFont& font) {
    // A font given in pixels has no point size of its own.
    return font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
}

} // namespace

bool CVorlaDlg::RunOwnKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if (modifiers == Qt::NoModifier && key >= Qt::Key_F2 && key <= Qt::Key_F12) {
        const QString snippet = keyOptions.Snippet(key - Qt::Key_F1 + 1);
        if (snippet.isEmpty() || !transcriptEdit->isEnabled())
            return false;
        InsertSnippet(snippet);
        return true;
    }
    const bool alt = modifiers == Qt::AltModifier;
    const bool back = (alt && key == Qt::Key_Left) || key == Qt::Key_AudioRewind;
    const bool forward = (alt && key == Qt::Key_Right) || key == Qt::Key_AudioForward;
    if (back || forward) {
        const int64_t step = int64_t{keyOptions.skipSeconds} * 1000;
        SeekWithinSegment(PlaybackPositionMs() + (forward ? step : -step));
        return true;
    }
    // Ctrl++ is Ctrl+Shift+= on many keyboards; Ctrl+= counts as well.
    if ((modifiers & ~Qt::ShiftModifier) == Qt::ControlModifier) {
        if (key == Qt::Key_Plus || key == Qt::Key_Equal) {
            ZoomTranscript(1);
            return true;
        }
        if (key == Qt::Key_Minus) {
            ZoomTranscript(-1);
            return true;
        }
    }
    return false;
}

void CVorlaDlg::InsertSnippet(const QString& text) {
    QTextCursor cursor = transcriptEdit->textCursor();
    // Mark-up and speaker labels work as words of their own: glued to the
    // word before, a tag would swallow that word in the final text.
    QString insert = text;
    const int before = cursor.selectionStart() - 1;
    if (before >= 0 && !insert.front().isSpace() &&
        !transcriptEdit->document()->characterAt(before).isSpace())
        insert.prepend(QLatin1Char(' '));
    cursor.insertText(insert);
    transcriptEdit->setTextCursor(cursor);
    transcriptEdit->setFocus();
}

void CVorlaDlg::ZoomTranscript(int points) {
    QFont font = transcriptEdit->font();
    font.setPointSizeF(std::clamp(PointSize(font) + points, kSmallestFontPoints, kLargestFontPoints));
    transcriptEdit->setFont(font);
}

bool CVorlaDlg::SeekWithinSegment(int64_t positionMs) {
    if (playbackState == PlaybackState::Closed)
        return false;
    const int target = static_cast<int>(std::clamp<int64_t>(positionMs, 0, positionSlider->maximum()));
    SeekDevice(target);
    positionSlider->setValue(target);
    PlayerChanged(true);
    return true;
}

void CVorlaDlg::OnKeys() {
    auto* dialog = static_cast<CKeysDlg*>(keysDlg);
    if (!dialog) {
        dialog = new CKeysDlg(keyOptions, this);
        keysDlg = dialog;
    }
    dialog->ShowDialog();
}

void CVorlaDlg::RestoreSettings() {
    keyOptions = KeyOptions::Load();
    const QSettings settings;
    if (settings.contains(kSpeedKey))
        speedSlider->setValue(settings.value(kSpeedKey).toInt());
    // The volume slider comes back where it was left; as always, the master
    // volume changes only when the slider is released.
    auto* volume = static_cast<CValueSlider*>(volumeSlider);
    if (settings.contains(kVolumeKey) && volume->minimum() < volume->maximum())
        volume->setValue(volume->PositionFromValue(settings.value(kVolumeKey).toFloat()));
    const double points = settings.value(kFontSizeKey).toDouble();
    if (points >= kSmallestFontPoints && points <= kLargestFontPoints) {
        QFont font = transcriptEdit->font();
        font.setPointSizeF(points);
        transcriptEdit->setFont(font);
    }
    // A geometry from another screen is fitted by the window system; the
    // window never gets smaller than its default size.
    if (settings.contains(kGeometryKey))
        restoreGeometry(settings.value(kGeometryKey).toByteArray());
}

void CVorlaDlg::SaveSettings() {
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kFontSizeKey, PointSize(transcriptEdit->font()));
    settings.setValue(kSpeedKey, speedSlider->value());
    auto* volume = static_cast<CValueSlider*>(volumeSlider);
    if (volume->minimum() < volume->maximum())
        settings.setValue(kVolumeKey, static_cast<double>(volume->GetValue()));
}

void CVorlaDlg::done(int result) {
    SaveSettings();
    if (keysDlg)
        keysDlg->hide();
    QDialog::done(result);
}

} // namespace lectorio
