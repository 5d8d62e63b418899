// SPDX-License-Identifier: GPL-3.0-or-later
// The speed slider's choices: which file a move, Play and Pause play, when
// the pitch track is made, and what the slow copy is built from. The engine
// is replaced by recording stand-ins (run on the window's worker): the track
// stand-in writes the segment's path into "dosya.ptc", the copy stand-in
// copies the segment and notes the factor. Settle() waits for the worker and
// applies its results.
#include "WindowFixtures.h"

#include "PitchAnalyzer.h"
#include "SlowVersion.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

namespace lectorio {
namespace {

class Speed : public TransportFixture {
protected:
    Speed() {
        dialog.buildPitchTrack = [this](const std::string& segment, const std::string& track,
                                        const CVorlaDlg::CancelCheck&) {
            analysed.push_back(segment);
            if (!analysable)
                return false;
            std::ofstream(track, std::ios::binary) << segment << " #" << analysed.size();
            return true;
        };
        dialog.synthesizeSlowVersion = [this](const std::string& segment, const std::string& output,
                                              const std::string& track, double factor,
                                              const CVorlaDlg::CancelCheck&) {
            // Held until the test lets it go.
            for (int i = 0; i < 10000 && hold; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // The copy is only ever made from the segment's own track.
            EXPECT_EQ(Slurp(track).rfind(segment + " #", 0), 0u) << "track of another segment";
            factors.push_back(factor);
            std::filesystem::copy_file(segment, output, std::filesystem::copy_options::overwrite_existing);
            return true;
        };
    }

    void Settle() { dialog.FinishBackgroundWork(); }
    std::string Track() const { return dialog.state.PitchTrackPath(); }
    std::string SlowCopy(int32_t n) const {
        return ReplaceAll(dialog.state.SegmentWavePath(n), ".wav", "_y.wav");
    }

    std::atomic<bool> hold = false;
    bool analysable = true;
    std::vector<std::string> analysed;
    std::vector<double> factors;
};

TEST_F(Speed, OutsideTheBandSpeechPlaysTheCopyAndSilenceItselfAndPauseReplaysAtTheNewSpeed) {
    MakeProject(2, 1000, false);
    for (const int position : {8, 10, 12, 7, 13, 5, 20}) {
        SCOPED_TRACE(position);
        dialog.speedSlider->setValue(position);
        Settle();
        dialog.state.currentSegment = 0;
        factors.clear();
        dialog.OnNextSegment(); // segment 1, silence
        Settle();
        EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(1));
        EXPECT_TRUE(factors.empty());
        dialog.OnNextSegment(); // segment 2, speech
        Settle();
        const bool slow = position < 8 || position > 12;
        EXPECT_EQ(dialog.playbackPath, slow ? SlowCopy(2) : dialog.state.SegmentWavePath(2));
        EXPECT_EQ(factors, slow ? std::vector<double>{position * 0.1} : std::vector<double>{});
        EXPECT_EQ(dialog.navigation.lastSpeedPosition, position);
    }
    ASSERT_FALSE(analysed.empty());
    for (const std::string& segment : analysed)
        EXPECT_EQ(segment, dialog.state.SegmentWavePath(2));
    EXPECT_TRUE(dialog.navigation.analysisDone);
    EXPECT_TRUE(prompter.messages.empty());

    // Pause after a speed change replays at the new speed from the start, and
    // back in the band the segment itself.
    Advance(500);
    dialog.speedSlider->setValue(18);
    Settle();
    factors.clear();
    dialog.OnPause();
    Settle();
    EXPECT_EQ(dialog.playbackPath, SlowCopy(2));
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(Status("position"), "0");
    EXPECT_EQ(factors, std::vector<double>{18 * 0.1});
    dialog.speedSlider->setValue(10);
    dialog.OnPause();
    Settle();
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(2));
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

TEST_F(Speed, ACopyIsNeverMadeFromAnotherSegmentsTrack) {
    MakeProject(4, 1000, true, true);
    dialog.speedSlider->setValue(15);
    dialog.OnNextSegment(); // segment 2: analysed, copy made
    Settle();
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
    EXPECT_EQ(analysed, (std::vector{dialog.state.SegmentWavePath(2), dialog.state.SegmentWavePath(4)}));
    EXPECT_EQ(dialog.playbackPath, SlowCopy(4));
    // Moving the slider back to 10 on segment 2 prepared a copy at 1.0 for Play.
    EXPECT_EQ(factors, (std::vector<double>{15 * 0.1, 10 * 0.1, 11 * 0.1}));
}

TEST_F(Speed, ASegmentTooShortToAnalysePlaysAsItIs) {
    MakeProject(2, 1000);
    analysable = false;
    // An old copy lies about; it must not be played.
    std::filesystem::copy_file(dialog.state.SegmentWavePath(1), SlowCopy(2));
    dialog.speedSlider->setValue(16);
    dialog.OnNextSegment();
    Settle();
    EXPECT_EQ(analysed.size(), 1u);
    EXPECT_TRUE(factors.empty());
    EXPECT_EQ(dialog.playbackPath, dialog.state.SegmentWavePath(2));
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
}

// The window's own engine: moving from 15 to 17 rebuilds the copy without
// rewriting the track, and the copies made on demand (a move) and in the
// background (the slider, then Play) are byte for byte the engine's own on
// one thread.
class SpeedWithEngine : public TransportFixture {};

TEST_F(SpeedWithEngine, CopiesOnDemandAndInTheBackgroundAreTheEnginesOwn) {
    MakeProject(2, 1000);
    ProjectState& state = dialog.state;
    // A voiced-sounding segment: 150 Hz with two harmonics, one second at 16 kHz.
    std::vector<int16_t> samples(16000);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 16000.0;
        samples[i] = static_cast<int16_t>(8000.0 * std::sin(2 * M_PI * 150 * t) +
                                          4000.0 * std::sin(2 * M_PI * 300 * t) +
                                          2000.0 * std::sin(2 * M_PI * 450 * t));
    }
    WriteWave(state.SegmentWavePath(2), samples);
    const std::string reference = Folder() + "/reference.wav";
    const std::string referenceTrack = Folder() + "/reference.ptc";
    ASSERT_TRUE(BuildPitchTrack(state.SegmentWavePath(2), referenceTrack, 1));
    auto expectEngineCopy = [&](double factor) {
        ASSERT_EQ(SynthesizeSlowVersion(state.SegmentWavePath(2), reference, referenceTrack, factor),
                  SlowVersionResult::Done);
        EXPECT_EQ(Slurp(dialog.playbackPath), Slurp(reference));
    };

    dialog.speedSlider->setValue(15);
    dialog.OnNextSegment();
    dialog.FinishBackgroundWork();
    const std::string copy = ReplaceAll(state.SegmentWavePath(2), ".wav", "_y.wav");
    ASSERT_EQ(dialog.playbackPath, copy);
    // factor = position x 0.1 in double: 1.5 and 1.7000000000000002, so
    // ceil(16000 x factor) samples.
    EXPECT_EQ(OpenWaveFile(copy)->frameCount, 24000);
    expectEngineCopy(15 * 0.1);
    const std::string track = Slurp(state.PitchTrackPath());
    EXPECT_EQ(track, Slurp(referenceTrack));
    const auto trackTime = std::filesystem::last_write_time(state.PitchTrackPath());
    dialog.speedSlider->setValue(17);
    dialog.FinishBackgroundWork();
    dialog.OnPlay(); // finds the copy ready
    EXPECT_FALSE(dialog.IsBackgroundWorkPending());
    EXPECT_EQ(OpenWaveFile(copy)->frameCount, 27201);
    expectEngineCopy(17 * 0.1);
    // To 19 (made in the background) and back: Play plays 1.7 again, not 1.9.
    dialog.speedSlider->setValue(19);
    dialog.FinishBackgroundWork();
    dialog.speedSlider->setValue(17);
    dialog.OnPlay();
    dialog.FinishBackgroundWork();
    EXPECT_EQ(OpenWaveFile(copy)->frameCount, 27201);
    EXPECT_EQ(Slurp(state.PitchTrackPath()), track);
    EXPECT_EQ(std::filesystem::last_write_time(state.PitchTrackPath()), trackTime);
    EXPECT_TRUE(prompter.messages.empty());
}

} // namespace
} // namespace lectorio
