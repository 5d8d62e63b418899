// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentationRun.h"
#include "TestFiles.h"

using namespace lectorio;
using namespace lectorio::test;
namespace fs = std::filesystem;

namespace {

// Project "talk" in `dir` whose recording `input` holds loud stretches of a
// second at `loud` (in seconds) in 5 s of silence, unless it is no WAV file.
ProjectState ProjectIn(const TempFolder& dir, const std::string& input, std::vector<int> loud = {2}) {
    ProjectState state;
    state.inputPath = dir.File(input);
    state.outputFolder = dir.Path();
    state.projectName = "talk";
    std::vector<int16_t> x(16000 * (loud.back() + 3), 0);
    for (const int s : loud)
        for (size_t i = s * 16000u; i < (s + 1) * 16000u; ++i)
            x[i] = (i & 1) ? -8000 : 8000;
    if (input.ends_with(".wav"))
        test::WriteWave(state.inputPath, x);
    return state;
}

struct Display : SegmentationListener {
    explicit Display(const ProjectState& s) : state(&s) {}
    const ProjectState* state;
    std::vector<int32_t> counts, stateCounts, recordedCounts; // recorded: in the project file meanwhile
    std::vector<std::string> failed;
    int finalProgress = -1;
    int pollsBeforeStop = -1; // -1: never stop
    void OnSegmentCount(int32_t c) override {
        counts.push_back(c);
        stateCounts.push_back(state->segmentCount);
        recordedCounts.push_back(ReadProjectFile(state->ProjectFilePath()).segmentCount);
    }
    bool StopRequested() override { return pollsBeforeStop >= 0 && pollsBeforeStop-- == 0; }
    void OnProgress(int p) override { finalProgress = p; }
    void OnFileWriteFailed(const std::string& p) override { failed.push_back(p); }
};

} // namespace

TEST(SegmentationRun, KeepsTheProjectInStepAndWritesItsFile) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "talk.wav");
    for (const char* name : {"00004_talk.wav", "00004_talk.txt", "05000_talk.wav"})
        Touch(dir.File(name), "old");
    Display display(state);
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_EQ(std::tuple(result.segmentCount, state.segmentCount, state.lastRunSegmentCount,
                         display.finalProgress, result.projectFileWritten),
              std::tuple(3, 3, 3, 1000, true));
    // The state is updated before the display hears of it; a killed run
    // leaves a project file that covers every segment written.
    EXPECT_EQ(std::tuple(display.counts, display.stateCounts, display.recordedCounts),
              std::tuple(std::vector<int32_t>{1, 2, 3}, std::vector<int32_t>{1, 2, 3},
                         std::vector<int32_t>{64, 64, 64}));
    EXPECT_EQ(Slurp(dir.File("talk.vprj")), "3 " + dir.Path());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"00001_talk.wav", "00002_talk.wav", "00003_talk.wav",
                                                     "05000_talk.wav", "talk.lab", "talk.vprj", "talk.wav"}));
}

TEST(SegmentationRun, FailuresAreReportedAndKeepTheRecording) {
    TempFolder dir;
    ProjectState state = ProjectIn(dir, "notes.txt");
    Touch(state.inputPath, "hello");
    for (int n : {1, 2, 4999})
        Touch(state.SegmentWavePath(n), "old");
    state.segmentCount = 12;
    Display display(state);
    auto result = RunSegmentation(state, {}, display);
    EXPECT_EQ(std::pair(result.segmentCount, state.segmentCount), std::pair(0, 0));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"notes.txt", "talk.vprj"}));
    EXPECT_EQ(Slurp(dir.File("talk.vprj")) + "|" + Slurp(state.inputPath), "0 " + dir.Path() + "|hello");

    state = ProjectIn(dir, "talk.wav");
    state.outputFolder = dir.File("missing");
    result = RunSegmentation(state, {}, display);
    ASSERT_EQ(std::tuple(result.projectFileWritten, result.failedFiles, display.failed.empty()),
              std::tuple(false, 3, false));
    EXPECT_EQ(display.failed.back(), state.ProjectFilePath());
}

TEST(SegmentationRun, StoppedRunRemovesWhatItWrote) {
    TempFolder dir;
    // Two blocks: the stop comes before the second, after the first wrote segments.
    std::vector<int> loud;
    for (int s = 1; s < 316; s += 4)
        loud.push_back(s);
    ProjectState state = ProjectIn(dir, "long.wav", loud);
    Touch(dir.File("00900_talk.txt"), "old");
    Display display(state);
    display.pollsBeforeStop = 1;
    const auto result = RunSegmentation(state, {}, display);
    EXPECT_TRUE(result.stopped && result.segmentCount > 1 && state.lastRunSegmentCount == 0 &&
                !result.projectFileWritten);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"00900_talk.txt", "long.wav"}));
}
