// SPDX-License-Identifier: GPL-3.0-or-later
// The speed slider's choices on the window's own slow-down engine: which file
// a move, Play and Pause play, and that every slowed copy played is byte for
// byte the engine's own, made from the segment's own track.
#include "WindowFixtures.h"

#include "PitchAnalyzer.h"
#include "SlowVersion.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

struct SpeedWindow : Window {
    SpeedWindow() {
        // The engine, held on the worker while `hold` is set.
        synthesizeSlowVersion =
            [this, synthesize = synthesizeSlowVersion](const std::string& segment, const std::string& output,
                                                       const std::string& track, double factor,
                                                       const std::function<bool()>& cancelled) {
                for (int i = 0; i < 10000 && hold; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return synthesize(segment, output, track, factor, cancelled);
            };
    }
    std::string SlowCopy(int32_t n) const { return ReplaceAll(state.SegmentWavePath(n), ".wav", "_y.wav"); }

    // Segment n's slowed copy is playing, with `frames` frames, and it and
    // the track are the engine's own for the factor position x 0.1.
    void ExpectEngineCopy(int32_t n, int position, int64_t frames) {
        const std::string segment = state.SegmentWavePath(n), track = Folder() + "/reference.ptc",
                          copy = Folder() + "/reference.wav";
        ASSERT_EQ(playbackPath, SlowCopy(n));
        EXPECT_EQ(OpenWaveFile(SlowCopy(n))->frameCount, frames);
        ASSERT_TRUE(BuildPitchTrack(segment, track, 1));
        EXPECT_EQ(Slurp(state.PitchTrackPath()), Slurp(track));
        ASSERT_EQ(SynthesizeSlowVersion(segment, copy, track, position * 0.1), SlowVersionResult::Done);
        EXPECT_EQ(Slurp(SlowCopy(n)), Slurp(copy));
    }

    std::atomic<bool> hold = false;
};

// A second of speech slowed or sped up: ceil(16000 x position x 0.1) frames,
// the factor taken in double (0.7000000000000001 gives 11201). Silence and
// positions in the band play the segment itself.
TEST(Speed, OutsideTheBandSpeechPlaysTheCopyAndSilenceItselfAndPauseReplaysAtTheNewSpeed) {
    SpeedWindow f;
    f.MakeProject(2, 1000, false);
    const std::pair<int, int64_t> positions[] = {{8, 0},      {12, 0},   {7, 11201},
                                                 {13, 20800}, {5, 8000}, {20, 32000}};
    for (const auto& [position, frames] : positions) {
        SCOPED_TRACE(position);
        f.speedSlider->setValue(position);
        f.state.currentSegment = 0;
        f.dialog.OnNextSegment(); // segment 1, silence
        f.FinishBackgroundWork();
        EXPECT_EQ(f.playbackPath, f.state.SegmentWavePath(1));
        f.dialog.OnNextSegment(); // segment 2, speech
        f.FinishBackgroundWork();
        if (frames > 0)
            f.ExpectEngineCopy(2, position, frames);
        else
            EXPECT_EQ(f.playbackPath, f.state.SegmentWavePath(2));
    }
    EXPECT_FALSE(fs::exists(f.SlowCopy(1)));

    // Pause after a speed change replays at the new speed from the start; a
    // copy made in the background for another speed is never played, and
    // back in the band the segment itself plays.
    f.Advance(500);
    f.speedSlider->setValue(18);
    f.FinishBackgroundWork();
    f.dialog.OnPause();
    f.FinishBackgroundWork();
    EXPECT_TRUE(f.JustStarted());
    f.ExpectEngineCopy(2, 18, 28800);
    f.speedSlider->setValue(17);
    f.FinishBackgroundWork();
    f.speedSlider->setValue(15);
    f.dialog.OnPlay();
    f.FinishBackgroundWork();
    f.ExpectEngineCopy(2, 15, 24000);
    f.speedSlider->setValue(10);
    f.dialog.OnPause();
    f.FinishBackgroundWork();
    EXPECT_TRUE(f.playbackPath == f.state.SegmentWavePath(2) && f.prompter.messages.empty());
}

TEST(Speed, AMoveDuringBackgroundWorkNeverPlaysTheOlderSegmentsCopy) {
    SpeedWindow f;
    f.MakeProject(4, 1000);
    f.speedSlider->setValue(15);
    f.hold = true;
    f.dialog.OnNextSegment(); // segment 2: its copy is held on the worker
    EXPECT_TRUE(f.IsBackgroundWorkPending() && f.playbackState == PlaybackState::Closed);
    f.speedSlider->setValue(10);
    f.dialog.OnNextSegment(); // segment 4 at normal speed
    f.hold = false;
    f.FinishBackgroundWork();
    EXPECT_EQ(std::tuple(f.playbackPath, f.playbackState, f.navigation.analysisDone),
              std::tuple(f.state.SegmentWavePath(4), PlaybackState::Playing, false));
}

// Segments of different lengths: the engine refuses a track of another
// segment, so a copy played proves the segment's own track. A segment too
// short to analyse plays as it is, never an old copy lying about.
TEST(Speed, ACopyIsMadeOnlyFromTheSegmentsOwnTrack) {
    SpeedWindow f;
    f.MakeProject(6, 1000, true, 100);
    f.speedSlider->setValue(15);
    f.dialog.OnNextSegment(); // segment 2: analysed, copy made
    f.FinishBackgroundWork();
    f.ExpectEngineCopy(2, 15, 26400);
    f.speedSlider->setValue(10);
    f.FinishBackgroundWork();
    f.dialog.OnNextSegment(); // segment 4 at normal speed: no track of its own
    EXPECT_EQ(f.playbackPath, f.state.SegmentWavePath(4));
    // Play after a move inside the band still asks for a copy; the track of
    // segment 2 must not serve for it.
    f.speedSlider->setValue(11); // prepared in the background
    f.dialog.OnPlay();
    f.FinishBackgroundWork();
    f.ExpectEngineCopy(4, 11, 22881);

    ASSERT_TRUE(WriteWave(f.state.SegmentWavePath(6), std::vector<int16_t>(480, 600))); // under one frame
    fs::copy_file(f.state.SegmentWavePath(1), f.SlowCopy(6));
    f.speedSlider->setValue(16);
    f.dialog.OnNextSegment();
    f.FinishBackgroundWork();
    EXPECT_EQ(std::pair(f.playbackPath, f.playbackState),
              std::pair(f.state.SegmentWavePath(6), PlaybackState::Playing));
}

} // namespace
} // namespace lectorio
