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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
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

// Writes segments 1..segmentCount of `state` at 16 kHz: segment n holds
// `samples` + (n - 1) x `growBy` samples of the value n x 100.
inline void WriteSegments(const ProjectState& state, int32_t samples, int32_t growBy = 0) {
    for (int32_t n = 1; n <= state.segmentCount; ++n)
        WriteWave(state.SegmentWavePath(n),
                  std::vector<int16_t>(static_cast<size_t>(samples + (n - 1) * growBy),
                                       static_cast<int16_t>(n * 100)));
}

// Puts a project "talk" of `count` segments in `folder` on `dialog` as a
// finished run leaves it: empty transcripts, project file, transcription
// layout, no segment shown yet.
inline void LoadProject(CVorlaDlg& dialog, const std::string& folder, int32_t count, int32_t samples,
                        int32_t growBy = 0) {
    ProjectState& state = dialog.state;
    state.outputFolder = folder;
    state.projectName = "talk";
    state.segmentCount = count;
    WriteSegments(state, samples, growBy);
    ASSERT_TRUE(state.CreateEmptyTextFiles());
    ASSERT_TRUE(state.WriteProjectFile());
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
