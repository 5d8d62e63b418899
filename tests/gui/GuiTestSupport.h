// Shared pieces of the window tests: a main window whose transport calls are
// recorded instead of played, generated recordings and projects on disk.
#pragma once

#include "TestPrompter.h"
#include "VorlaDlg.h"
#include "WaveFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lectorio {

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

inline bool WriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate = 16000) {
    std::unique_ptr<WaveFile> wave = CreateWaveFile(path, rate, 16, 1, kFormatPcm);
    if (wave->status != WaveStatus::Writing)
        return false;
    wave->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size()));
    wave->Close();
    return true;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

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

// A window on screen with a project of `count` short segments in a temporary
// folder, as a finished run leaves it (no segment shown yet).
struct ProjectFixture {
    TestPrompter prompter;
    QTemporaryDir folder;
    WatchedDlg dialog{&prompter};

    ProjectFixture() {
        dialog.show();
        dialog.activateWindow();
        (void)QTest::qWaitForWindowActive(&dialog);
    }

    std::string Folder() const { return folder.path().toStdString(); }

    void MakeProject(int32_t count, const std::string& name = "talk") {
        ProjectState& state = dialog.state;
        state.outputFolder = Folder();
        state.projectName = name;
        state.segmentCount = count;
        for (int32_t n = 1; n <= count; ++n) {
            ASSERT_TRUE(WriteWave(state.SegmentWavePath(n),
                                  std::vector<int16_t>(800, static_cast<int16_t>(n * 100))));
        }
        ASSERT_TRUE(state.CreateEmptyTextFiles());
        ASSERT_TRUE(state.WriteProjectFile());
        dialog.setWindowTitle(QStringLiteral("Lectorio - ") + QString::fromStdString(name));
        dialog.EnterTranscriptionLayout();
        dialog.state.currentSegment = 0;
        dialog.navigation.navigationStarted = false;
        dialog.state.projectOpen = true;
    }

    // The project on screen with its first segment shown.
    void OpenProject(int32_t count, bool skipSilence) {
        dialog.playbackOptions.skipSilenceFiles = skipSilence;
        MakeProject(count);
        dialog.OnNextSegment();
    }
};

} // namespace lectorio
