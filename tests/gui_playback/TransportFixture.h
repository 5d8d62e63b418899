// A main window on the null output with a clock the test moves, and a project
// of generated segments on disk.
#pragma once

#include "AudioOutput.h"
#include "TestPrompter.h"
#include "VorlaDlg.h"
#include "WaveFile.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace lectorio {

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

    // Segments of `milliseconds` each at 16 kHz (segment n: n x 100 ms
    // longer than the first when `growing`), empty transcripts, project open,
    // no segment shown.
    void MakeProject(int32_t count, int milliseconds, bool skipSilence = true, bool growing = false) {
        dialog.playbackOptions.skipSilenceFiles = skipSilence;
        ProjectState& state = dialog.state;
        state.outputFolder = folder.path().toStdString();
        state.projectName = "talk";
        state.segmentCount = count;
        for (int32_t n = 1; n <= count; ++n) {
            const int ms = milliseconds + (growing ? (n - 1) * 100 : 0);
            auto wave = CreateWaveFile(state.SegmentWavePath(n), 16000, 16, 1, kFormatPcm);
            ASSERT_EQ(wave->status, WaveStatus::Writing);
            const std::vector<int16_t> samples(static_cast<size_t>(ms) * 16, static_cast<int16_t>(n * 100));
            wave->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size()));
            wave->Close();
        }
        ASSERT_TRUE(state.CreateEmptyTextFiles());
        ASSERT_TRUE(state.WriteProjectFile());
        dialog.EnterTranscriptionLayout();
        state.currentSegment = 0;
        dialog.navigation.navigationStarted = false;
        state.projectOpen = true;
    }

    std::string Status(const char* item) {
        // The window's own device, asked the way its timer asks it.
        std::string answer;
        EXPECT_TRUE(dialog.SendMciCommand(std::string("status mydevice ") + item, &answer));
        return answer;
    }

    std::string Folder() const { return folder.path().toStdString(); }

    int64_t nowUs = 5000000;
    std::shared_ptr<NullOutput> output;
    TestPrompter prompter;
    QTemporaryDir folder;
    CVorlaDlg dialog{&prompter};
};

} // namespace lectorio
