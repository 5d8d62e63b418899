// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentationRun.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace lectorio;
using lectorio::test::Slurp;
using lectorio::test::TempFolder;
namespace fs = std::filesystem;

namespace {

// Two seconds of silence, one of a loud square wave, two of silence.
void WriteSpeech(const std::string& path) {
    std::vector<int16_t> x(16000 * 5, 0);
    for (int i = 32000; i < 48000; ++i)
        x[static_cast<size_t>(i)] = (i & 1) ? -8000 : 8000;
    test::WriteWave(path, x);
}

// Project `name` in `dir` with the input `input` in it (the speech above when
// it ends in ".wav").
ProjectState ProjectIn(const TempFolder& dir, const std::string& input, const std::string& name = "talk") {
    ProjectState state;
    state.inputPath = dir.File(input);
    state.outputFolder = dir.Path();
    state.projectName = name;
    if (input.ends_with(".wav"))
        WriteSpeech(state.inputPath);
    return state;
}

struct Display : SegmentationListener {
    explicit Display(const ProjectState& s) : state(&s) {}
    std::vector<int32_t> counts;
    std::vector<int32_t> stateCounts;
    std::vector<int32_t> recordedCounts; // in the project file while the run goes on
    const ProjectState* state;
    int finalProgress = -1;
    int pollsBeforeStop = -1; // -1: never stop
    void OnSegmentCount(int32_t c) override {
        counts.push_back(c);
        stateCounts.push_back(state->segmentCount);
        recordedCounts.push_back(ReadProjectFile(state->ProjectFilePath()).segmentCount);
    }
    bool StopRequested() override { return pollsBeforeStop >= 0 && pollsBeforeStop-- == 0; }
    void OnProgress(int p) override { finalProgress = p; }
};

} // namespace

TEST(SegmentationRun, KeepsTheProjectInStepAndWritesItsFile) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "talk.wav");
    std::ofstream(dir.File("00004_talk.wav")) << "old";
    std::ofstream(dir.File("00004_talk.txt")) << "old";
    std::ofstream(dir.File("05000_talk.wav")) << "kept";

    Display display(state);
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_EQ(result.segmentCount, 3);
    EXPECT_EQ(state.segmentCount, 3);
    EXPECT_EQ(state.lastRunSegmentCount, 3);
    EXPECT_EQ(display.counts, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(display.stateCounts, display.counts); // updated before the display hears of it
    // A killed run leaves a project file that covers every segment written.
    EXPECT_EQ(display.recordedCounts, (std::vector<int32_t>{64, 64, 64}));
    EXPECT_EQ(display.finalProgress, 1000);
    EXPECT_TRUE(result.projectFileWritten);
    EXPECT_EQ(Slurp(dir.File("talk.vprj")), "3 " + dir.Path());
    EXPECT_FALSE(fs::exists(dir.File("00004_talk.wav")));
    EXPECT_FALSE(fs::exists(dir.File("00004_talk.txt")));
    EXPECT_TRUE(fs::exists(dir.File("05000_talk.wav")));
    EXPECT_TRUE(fs::exists(dir.File("talk.lab")));

    // A later run deletes only up to the earlier run's count.
    state.lastRunSegmentCount = 5;
    std::ofstream(state.SegmentWavePath(5)) << "old";
    std::ofstream(state.SegmentWavePath(6)) << "other";
    RunSegmentation(state, {}, display);
    EXPECT_FALSE(fs::exists(state.SegmentWavePath(5)));
    EXPECT_TRUE(fs::exists(state.SegmentWavePath(6)));
}

TEST(SegmentationRun, InputThatIsNoWaveFile) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "notes.txt", "p");
    std::ofstream(state.inputPath) << "hello";
    for (int n : {1, 2, 4999})
        std::ofstream(state.SegmentWavePath(n)) << "old";
    state.segmentCount = 12;
    Display display(state);
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_EQ(result.segmentCount, 0);
    EXPECT_EQ(state.segmentCount, 0);
    for (int n : {1, 2, 4999})
        EXPECT_FALSE(fs::exists(state.SegmentWavePath(n))) << n;
    EXPECT_EQ(Slurp(dir.File("p.vprj")), "0 " + dir.Path());
    EXPECT_FALSE(fs::exists(dir.File("notes.txt.lab")));
    EXPECT_EQ(Slurp(state.inputPath), "hello");
}

TEST(SegmentationRun, ProjectFileThatCannotBeWrittenIsReported) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "talk.wav");
    state.outputFolder = dir.File("missing");
    struct : SegmentationListener {
        std::vector<std::string> failed;
        void OnFileWriteFailed(const std::string& p) override { failed.push_back(p); }
    } display;
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_FALSE(result.projectFileWritten);
    EXPECT_EQ(result.failedFiles, 3);
    ASSERT_FALSE(display.failed.empty());
    EXPECT_EQ(display.failed.back(), state.ProjectFilePath());
}

TEST(SegmentationRun, StoppedRunRemovesWhatItWrote) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "talk.txt");
    state.inputPath = dir.File("long.wav");
    // Two blocks: the stop comes before the second, after the first wrote segments.
    std::vector<int16_t> samples(5100000, 0);
    for (size_t i = 16000; i < samples.size(); i += 64000)
        for (size_t k = i; k < i + 16000; ++k)
            samples[k] = (k & 1) ? -8000 : 8000;
    ASSERT_TRUE(test::WriteWave(state.inputPath, samples));
    std::ofstream(dir.File("00900_talk.txt")) << "old";
    Display display(state);
    display.pollsBeforeStop = 1;
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_TRUE(result.stopped);
    ASSERT_GT(result.segmentCount, 1);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"00900_talk.txt", "long.wav"}));
    EXPECT_EQ(state.lastRunSegmentCount, 0);
}
