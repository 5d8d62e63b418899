// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on Qt's offscreen platform, playing on the null output with
// a clock the test moves, and projects of generated segments on disk.
#pragma once

#include "AudioOutput.h"
#include "TestFiles.h"
#include "TestPrompter.h"
#include "VorlaDlgTestAccess.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace lectorio {

using test::Slurp, test::TempFolder, test::WriteWave;

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    return QTest::qWaitFor(done, timeoutMs);
}

// A project `name` of `count` segments made in `folder` at 16 kHz (segment n:
// `samples` + (n - 1) x `growBy` samples of the value n x 100) with the given
// transcripts (segment number -> text); returns the project file.
inline std::string MakeProjectOnDisk(const std::string& folder, int32_t count,
                                     const std::vector<std::pair<int32_t, std::string>>& transcripts,
                                     const std::string& name = "talk", int32_t samples = 800,
                                     int32_t growBy = 0) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = name;
    s.segmentCount = count;
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(WriteWave(s.SegmentWavePath(n), std::vector<int16_t>(samples + (n - 1) * growBy,
                                                                         static_cast<int16_t>(n * 100))));
    EXPECT_TRUE(s.CreateEmptyTextFiles());
    for (const auto& [n, text] : transcripts)
        test::Touch(s.SegmentTextPath(n), text);
    EXPECT_TRUE(WriteFileAtomically(folder + "/" + name + ".vprj", std::to_string(count) + " " + folder));
    return folder + "/" + name + ".vprj";
}

// What the window needs before it is made.
struct WindowParts {
    int64_t nowUs = 5000000;
    std::shared_ptr<NullOutput> output =
        std::make_shared<NullOutput>([this] { return std::chrono::microseconds(nowUs); });
    TestPrompter prompter;
    TempFolder folder;
    CVorlaDlg window{&prompter};
};

struct Window : WindowParts, VorlaDlgTestAccess {
    Window() : VorlaDlgTestAccess(window) {
        UseAudioOutput(output);
        dialog.show();
        dialog.activateWindow();
        (void)QTest::qWaitForWindowActive(&dialog);
    }

    std::string Folder() const { return folder.Path(); }

    // The clock runs on by `ms` and the position timer ticks.
    void Advance(int64_t ms) {
        nowUs += ms * 1000;
        OnTimer();
    }
    // Whether a segment has just started to play (the clock has not moved since).
    bool JustStarted() { return playbackState == PlaybackState::Playing && Status("position") == "0"; }

    // A project of `count` segments of `ms` each (segment n: (n - 1) x `growMs`
    // longer), no segment shown.
    void MakeProject(int32_t count, int ms = 50, bool skipSilence = true, int growMs = 0) {
        playbackOptions.skipSilenceFiles = skipSilence;
        MakeProjectOnDisk(Folder(), count, {}, "talk", ms * 16, growMs * 16);
        ShowFinishedRun(Folder(), count);
    }
    // Opens `path` through the menu, the file dialog answering with it.
    void Open(const std::string& path) {
        prompter.files.push_back(QString::fromStdString(path));
        openProjectAction->trigger();
    }
    // Fills the three set-up boxes and presses Start.
    void Start(const std::string& input, const std::string& output, const std::string& name) {
        inputEdit->setText(QString::fromStdString(input));
        outputEdit->setText(QString::fromStdString(output));
        projectNameEdit->setText(QString::fromStdString(name));
        QTest::mouseClick(startButton, Qt::LeftButton);
    }
    // Types `text` at the end of the transcript box.
    void Type(const QString& text) {
        transcriptEdit->setFocus();
        transcriptEdit->moveCursor(QTextCursor::End);
        transcriptEdit->insertPlainText(text);
    }
};

} // namespace lectorio
