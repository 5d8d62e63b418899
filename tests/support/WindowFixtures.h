// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on Qt's offscreen platform with a project of generated
// segments on disk: with its transport calls counted (ProjectFixture), or
// playing on the null output with a clock the test moves (TransportFixture).
#pragma once

#include "AudioOutput.h"
#include "TestFiles.h"
#include "TestPrompter.h"
#include "VorlaDlg.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lectorio {

using test::ReadWave;
using test::Slurp;
using test::TempFolder;
using test::WriteWave;

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// A project `name` of `count` segments made on disk in `folder` at 16 kHz
// (segment n: `samples` + (n - 1) x `growBy` samples of the value n x 100),
// with the given transcripts (segment number -> text) and its file recording
// `recorded` (default: `folder`); returns the project file.
inline std::string MakeProjectOnDisk(const std::string& folder, int32_t count,
                                     const std::vector<std::pair<int32_t, std::string>>& transcripts,
                                     const std::string& name = "talk", const std::string& recorded = {},
                                     int32_t samples = 800, int32_t growBy = 0) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = name;
    s.segmentCount = count;
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(WriteWave(s.SegmentWavePath(n),
                              std::vector<int16_t>(static_cast<size_t>(samples + (n - 1) * growBy),
                                                   static_cast<int16_t>(n * 100))));
    EXPECT_TRUE(s.CreateEmptyTextFiles());
    for (const auto& [n, text] : transcripts)
        std::ofstream(s.SegmentTextPath(n), std::ios::binary) << text;
    const std::string file = folder + "/" + name + ".vprj";
    EXPECT_TRUE(
        WriteFileAtomically(file, std::to_string(count) + " " + (recorded.empty() ? folder : recorded)));
    return file;
}

// Puts a project "talk" of `count` segments in `folder` on `dialog` as a
// finished run leaves it: empty transcripts, project file, transcription
// layout, no segment shown yet. Segment n holds `samples` + (n - 1) x
// `growBy` samples.
inline void LoadProject(CVorlaDlg& dialog, const std::string& folder, int32_t count, int32_t samples,
                        int32_t growBy = 0) {
    MakeProjectOnDisk(folder, count, {}, "talk", {}, samples, growBy);
    ProjectState& state = dialog.state;
    state.outputFolder = folder;
    state.projectName = "talk";
    state.segmentCount = count;
    dialog.setWindowTitle("Lectorio - talk");
    dialog.EnterTranscriptionLayout();
    state.currentSegment = 0;
    dialog.navigation.navigationStarted = false;
    state.projectOpen = true;
}

// The main window with its transport calls counted: what the moves ask of
// playback is visible without a sound device.
class WatchedDlg : public CVorlaDlg {
public:
    explicit WatchedDlg(Prompter* prompter) : CVorlaDlg(prompter) {}
    void OnPlay() override { ++plays; }
    void OnPause() override { ++pauses; }
    void StopPlayback() override { ++stops; }
    void PlaySlowVersion() override { ++slowPlays; }
    int plays = 0;
    int pauses = 0;
    int stops = 0;
    int slowPlays = 0;
};

struct ProjectFixture {
    TestPrompter prompter;
    TempFolder folder;
    WatchedDlg dialog{&prompter};

    ProjectFixture() {
        dialog.show();
        dialog.activateWindow();
        (void)QTest::qWaitForWindowActive(&dialog);
    }

    std::string Folder() const { return folder.Path(); }

    // A project of `count` segments of 50 ms, no segment shown.
    void MakeProject(int32_t count) { LoadProject(dialog, Folder(), count, 800); }

    // The project on screen with its first segment shown.
    void OpenProject(int32_t count, bool skipSilence) {
        dialog.playbackOptions.skipSilenceFiles = skipSilence;
        MakeProject(count);
        dialog.OnNextSegment();
    }

    // Opens `path` through the menu, the file dialog answering with it.
    void Open(const std::string& path) {
        prompter.files.push_back(QString::fromStdString(path));
        dialog.openProjectAction->trigger();
    }

    // Fills the three set-up boxes and presses Start.
    void Start(const std::string& input, const std::string& output, const std::string& name) {
        dialog.inputEdit->setText(QString::fromStdString(input));
        dialog.outputEdit->setText(QString::fromStdString(output));
        dialog.projectNameEdit->setText(QString::fromStdString(name));
        QTest::mouseClick(dialog.startButton, Qt::LeftButton);
    }

    // Types `text` at the end of the transcript box.
    void Type(const QString& text) {
        dialog.transcriptEdit->setFocus();
        dialog.transcriptEdit->moveCursor(QTextCursor::End);
        dialog.transcriptEdit->insertPlainText(text);
    }
};

class TransportFixture : public ::testing::Test {
protected:
    TransportFixture()
        : output(std::make_shared<NullOutput>([this] { return std::chrono::microseconds(nowUs); })) {
        dialog.UseAudioOutput(output);
        dialog.show();
    }

    void Advance(int64_t milliseconds) {
        nowUs += milliseconds * 1000;
        dialog.OnTimer();
    }

    // Segments of `milliseconds` each (segment n: n x 100 ms longer than the
    // first when `growing`), no segment shown.
    void MakeProject(int32_t count, int milliseconds, bool skipSilence = true, bool growing = false) {
        dialog.playbackOptions.skipSilenceFiles = skipSilence;
        LoadProject(dialog, Folder(), count, milliseconds * 16, growing ? 1600 : 0);
    }

    std::string Status(const char* item) {
        // The window's own device, asked the way its timer asks it.
        std::string answer;
        EXPECT_TRUE(dialog.SendMciCommand(std::string("status mydevice ") + item, &answer));
        return answer;
    }

    std::string Folder() const { return folder.Path(); }

    int64_t nowUs = 5000000;
    std::shared_ptr<NullOutput> output;
    TestPrompter prompter;
    TempFolder folder;
    CVorlaDlg dialog{&prompter};
};

} // namespace lectorio
