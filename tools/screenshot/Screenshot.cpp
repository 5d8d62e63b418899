// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the main window in each mode, for the documentation (run by
// scripts/screenshots.sh, never installed):
//   lectorio-screenshot MODE FILE
// with MODE initial, setup, run or transcription. The transcription picture
// shows a small generated project in a temporary folder that is removed
// afterwards.
#include "VorlaDlgTestAccess.h"
#include "WaveFile.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace lectorio {

namespace {

// A speech-like segment: a few syllables of a voiced tone with harmonics under
// a slow envelope, 16 kHz mono.
bool WriteSyllables(const std::string& path, double seconds, double pitchHz, bool silence) {
    std::unique_ptr<WaveFile> wave = CreateWaveFile(path, 16000, 16, 1, kFormatPcm);
    if (wave->status != WaveStatus::Writing)
        return false;
    const int64_t frames = static_cast<int64_t>(seconds * 16000);
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    const double pi = std::acos(-1.0);
    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 16000.0;
        double v = 0;
        if (silence) {
            v = 300.0 * std::sin(2 * pi * 50 * t) * std::sin(2 * pi * 1.3 * t);
        } else {
            const double syllable =
                std::pow(std::sin(pi * t * 3.1), 2.0) * (0.55 + 0.45 * std::sin(2 * pi * 0.7 * t));
            const double pitch = pitchHz * (1.0 + 0.08 * std::sin(2 * pi * 1.7 * t));
            for (int h = 1; h <= 6; ++h)
                v += std::sin(2 * pi * pitch * h * t + h) / h;
            v *= 15000.0 * syllable;
        }
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    wave->WriteMonoSamples(samples.data(), frames);
    wave->Close();
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text);
}

bool MakeSampleProject(ProjectState& state, const std::string& folder) {
    state.outputFolder = folder;
    state.projectName = "interview";
    state.segmentCount = 5;
    for (int32_t n = 1; n <= state.segmentCount; ++n) {
        if (!WriteSyllables(state.SegmentWavePath(n), n % 2 ? 0.8 : 2.6, 110.0 + 15 * n, n % 2 != 0))
            return false;
        if (!WriteText(state.SegmentTextPath(n), ""))
            return false;
    }
    WriteText(state.SegmentTextPath(2), "So how did you first come to the island? ");
    return state.WriteProjectFile();
}

// Shows the main window in `mode`, saves it as a PNG to `file` once it is on
// screen and returns the exit code (0 saved, 1 failed).
int RunScreenshot(const QString& mode, const QString& file) {
    QTemporaryDir folder;
    // The pictures show the defaults, never the user's own settings, and
    // leave those untouched.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    CVorlaDlg dialog;
    VorlaDlgTestAccess window(dialog);
    if (mode == QLatin1String("setup")) {
        dialog.OnNewProject();
        window.inputEdit->setText(QStringLiteral("/home/anna/recordings/Interview 3.wav"));
        window.outputEdit->setText(QStringLiteral("/home/anna/transcripts"));
        window.projectNameEdit->setText(QStringLiteral("Interview 3"));
    } else if (mode == QLatin1String("run")) {
        dialog.setWindowTitle(QStringLiteral("Lectorio - New Project"));
        window.EnterRunLayout();
        window.statusLine->setText(QStringLiteral("Created File  : 00017_Interview 3.wav"));
        window.progressBar->setValue(420);
    } else if (mode == QLatin1String("transcription")) {
        if (!folder.isValid() || !MakeSampleProject(window.state, folder.path().toStdString())) {
            std::fprintf(stderr, "lectorio-screenshot: cannot create the sample project\n");
            return 1;
        }
        window.ShowFinishedRun(folder.path().toStdString(), 5, "interview");
        dialog.OnNextSegment();
        window.transcriptEdit->setPlainText(
            QStringLiteral("So how did you first come to the island? Well, my "
                           "father had a boat, and one summer we just"));
        window.transcriptEdit->moveCursor(QTextCursor::End);
    } else if (mode != QLatin1String("initial")) {
        std::fprintf(stderr,
                     "lectorio-screenshot: unknown screenshot mode %s (initial, setup, run, transcription)\n",
                     mode.toLocal8Bit().constData());
        return 1;
    }
    dialog.show();
    int result = 1;
    QTimer::singleShot(700, &dialog, [&] {
        result = dialog.grab().save(file, "PNG") ? 0 : 1;
        if (result != 0)
            std::fprintf(stderr, "lectorio-screenshot: cannot write %s\n", file.toLocal8Bit().constData());
        dialog.done(0);
    });
    dialog.exec();
    return result;
}

} // namespace

} // namespace lectorio

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        std::fputs("Usage: lectorio-screenshot initial|setup|run|transcription FILE.png\n", stderr);
        return 2;
    }
    return lectorio::RunScreenshot(arguments[1], arguments[2]);
}
