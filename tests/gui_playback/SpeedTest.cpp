// SPDX-License-Identifier: GPL-3.0-or-later
// The speed slider's choices on the window's own slow-down engine: which file
// a move, Play and Pause play, and that every slowed copy played is byte for
// byte the engine's own, made on one thread from the segment's own track.
// Settle() waits for the worker and applies its results.
#include "WindowFixtures.h"

#include "PitchAnalyzer.h"
#include "SlowVersion.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

class Speed : public TransportFixture {
protected:
    Speed() {
        // The engine, held on the worker while `hold` is set.
        dialog.synthesizeSlowVersion = [this, synthesize = dialog.synthesizeSlowVersion](
                                           const std::string& segment, const std::string& output,
                                           const std::string& track, double factor,
                                           const CVorlaDlg::CancelCheck& cancelled) {
            for (int i = 0; i < 10000 && hold; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return synthesize(segment, output, track, factor, cancelled);
        };
    }

    void Settle() { dialog.FinishBackgroundWork(); }
    std::string SlowCopy(int32_t n) const {
        return ReplaceAll(dialog.state.SegmentWavePath(n), ".wav", "_y.wav");
    }

    // Segment n's slowed copy is playing, with `frames` frames, and it and
    // the track are the engine's own for the factor position x 0.1.
    void ExpectEngineCopy(int32_t n, int position, int64_t frames) {
        const std::string segment = dialog.state.SegmentWavePath(n);
        const std::string track = Folder() + "/reference.ptc", copy = Folder() + "/reference.wav";
        ASSERT_EQ(dialog.playbackPath, SlowCopy(n));
        EXPECT_EQ(OpenWaveFile(SlowCopy(n))->frameCount, frames);
        ASSERT_TRUE(BuildPitchTrack(segment, track, 1));
        EXPECT_EQ(Slurp(dialog.state.PitchTrackPath()), Slurp(track));
        ASSERT_EQ(SynthesizeSlowVersion(segment, copy, track, position * 0.1), SlowVersionResult::Done);
        EXPECT_EQ(Slurp(SlowCopy(n)), Slurp(copy));
    }

    std::atomic<bool> hold = false;
};

// A second of speech slowed or sped up: ceil(16000 x position x 0.1) frames,
// the factor taken in double (0.7000000000000001 gives 11201).
TEST_F(Speed, OutsideTheBandSpeechPlaysTheCopyAndSilenceItselfAndPauseReplaysAtTheNewSpeed) {
    MakeProject(2, 1000, false);
    const std::pair<int, int64_t> positions[] = {{8, 0},      {12, 0},   {7, 11201},
                                                 {13, 20800}, {5, 8000}, {20, 32000}};
    for (const auto& [position, frames] : positions) {
        SCOPED_TRACE(position);
        dialog.speedSlider->setValue(position);
        Settle();
        dialog.state.currentSegment = 0;
        dialog.OnNextSegment(); // segment 1, silence
        Settle();
        EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(1));
        dialog.OnNextSegment(); // segment 2, speech
        Settle();
        if (frames > 0)
            ExpectEngineCopy(2, position, frames);
        else
            EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(2));
        EXPECT_EQ(dialog.navigation.lastSpeedPosition, position);
    }
    EXPECT_FALSE(fs::exists(SlowCopy(1)));
    EXPECT_TRUE(dialog.navigation.analysisDone);

    // Pause after a speed change replays at the new speed from the start; the
    // slider and Play then reuse the track, a copy made in the background for
    // another speed is never played, and back in the band the segment itself
    // plays.
    Advance(500);
    dialog.speedSlider->setValue(18);
    Settle();
    dialog.OnPause();
    Settle();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(Status("position"), "0");
    ExpectEngineCopy(2, 18, 28800);
    // Pause and continue at the same speed play the copy that is there.
    const auto copyTime = fs::last_write_time(SlowCopy(2));
    dialog.OnPause();
    dialog.OnPause();
    Settle();
    EXPECT_EQ(dialog.playbackPath, SlowCopy(2));
    EXPECT_EQ(fs::last_write_time(SlowCopy(2)), copyTime);
    const auto trackTime = fs::last_write_time(dialog.state.PitchTrackPath());
    dialog.speedSlider->setValue(17);
    Settle();
    dialog.speedSlider->setValue(15);
    dialog.OnPlay();
    Settle();
    ExpectEngineCopy(2, 15, 24000);
    EXPECT_EQ(fs::last_write_time(dialog.state.PitchTrackPath()), trackTime);
    dialog.speedSlider->setValue(10);
    dialog.OnPause();
    Settle();
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(2));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Speed, AMoveDuringBackgroundWorkNeverPlaysTheOlderSegmentsCopy) {
    MakeProject(4, 1000);
    dialog.speedSlider->setValue(15);
    hold = true;
    dialog.OnNextSegment(); // segment 2: its copy is held on the worker
    EXPECT_TRUE(dialog.IsBackgroundWorkPending());
    EXPECT_EQ(dialog.playbackState, PlaybackState::Closed);
    dialog.speedSlider->setValue(10);
    dialog.OnNextSegment(); // segment 4 at normal speed
    hold = false;
    Settle();
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(4));
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_FALSE(dialog.navigation.analysisDone);
}

// Segments of different lengths: the engine refuses a track of another
// segment, so a copy played proves the segment's own track.
TEST_F(Speed, ACopyIsNeverMadeFromAnotherSegmentsTrack) {
    MakeProject(4, 1000, true, true);
    dialog.speedSlider->setValue(15);
    dialog.OnNextSegment(); // segment 2: analysed, copy made
    Settle();
    ExpectEngineCopy(2, 15, 26400);
    dialog.speedSlider->setValue(10);
    Settle();
    dialog.OnNextSegment(); // segment 4 at normal speed: no track of its own
    ASSERT_EQ(dialog.state.currentSegment, 4);
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(4));
    // Play after a move inside the band still asks for a copy; the track of
    // segment 2 must not serve for it.
    dialog.speedSlider->setValue(11); // prepared in the background
    dialog.OnPlay();
    Settle();
    ExpectEngineCopy(4, 11, 22881);
}

TEST_F(Speed, ASegmentTooShortToAnalysePlaysAsItIs) {
    MakeProject(2, 30); // shorter than one 40 ms analysis frame
    // An old copy lies about; it must not be played.
    fs::copy_file(dialog.state.SegmentWavePath(1), SlowCopy(2));
    dialog.speedSlider->setValue(16);
    dialog.OnNextSegment();
    Settle();
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(2));
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
}

} // namespace
} // namespace lectorio
