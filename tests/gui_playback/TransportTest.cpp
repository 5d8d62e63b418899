// Play, Pause and Continue, the position slider and the time labels of the
// main window, on the null output.
#include "WindowFixtures.h"

#include <QAbstractSlider>

namespace lectorio {
namespace {

class Transport : public TransportFixture {};

TEST_F(Transport, AMovePlaysTheSegmentAndTheTimerMovesThePosition) {
    MakeProject(4, 12050);
    dialog.OnNextSegment();
    EXPECT_EQ(dialog.state.currentSegment, 2);
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(dialog.lengthLabel->text(), "/12.05sec");
    EXPECT_EQ(dialog.positionSlider->maximum(), 12050);
    EXPECT_EQ(dialog.positionSlider->value(), 0);
    EXPECT_TRUE(dialog.pauseButton->isEnabled());
    EXPECT_EQ(dialog.pauseButton->text(), "Pause");
    EXPECT_TRUE(dialog.positionTimer.isActive());
    Advance(3500);
    EXPECT_EQ(dialog.positionSlider->value(), 3500);
    EXPECT_EQ(dialog.positionLabel->text(), "3.50");
    Advance(50);
    EXPECT_EQ(dialog.positionLabel->text(), "3.55");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Transport, PauseHoldsAndContinueRewinds) {
    MakeProject(2, 8000, false);
    dialog.OnNextSegment();
    ASSERT_EQ(dialog.state.currentSegment, 1);
    EXPECT_FALSE(dialog.previousButton->isEnabled()) << "\"<---\" is disabled while segment 1 plays";
    dialog.playbackOptions.rewindSeconds = 1;
    Advance(5000);
    dialog.OnPause();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Paused);
    EXPECT_EQ(dialog.pauseButton->text(), "Cont.");
    EXPECT_FALSE(dialog.positionTimer.isActive());
    Advance(2000);
    EXPECT_EQ(Status("position"), "5000");
    dialog.OnPause();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(dialog.pauseButton->text(), "Pause");
    EXPECT_EQ(Status("position"), "4000");
    // Half a second in, the rewind stops at the start.
    dialog.OnPlay();
    Advance(500);
    dialog.OnPause();
    dialog.OnPause();
    EXPECT_EQ(Status("position"), "0");
    // Without a rewind, on from where it paused; the option is read at Pause.
    dialog.playbackOptions.rewindSeconds = 0;
    Advance(700);
    dialog.OnPause();
    EXPECT_EQ(dialog.rewindSeconds, 0);
    dialog.OnPause();
    EXPECT_EQ(Status("position"), "700");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Transport, AtTheEndPauseDoesNothingAndPlayStartsAgain) {
    MakeProject(2, 2000);
    dialog.OnNextSegment();
    Advance(2500);
    EXPECT_EQ(dialog.positionSlider->value(), dialog.positionSlider->maximum());
    EXPECT_EQ(dialog.positionLabel->text(), "2.00");
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    dialog.OnPause();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(dialog.pauseButton->text(), "Pause");
    dialog.OnPlay();
    EXPECT_EQ(dialog.positionSlider->value(), 0);
    Advance(300);
    EXPECT_EQ(dialog.positionSlider->value(), 300);
}

TEST_F(Transport, PlayWhilePausedStartsFromTheBeginning) {
    MakeProject(2, 4000);
    dialog.OnNextSegment();
    Advance(2500);
    dialog.OnPause();
    ASSERT_EQ(dialog.playbackState, PlaybackState::Paused);
    dialog.OnPlay();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(dialog.pauseButton->text(), "Pause");
    EXPECT_EQ(Status("position"), "0");
    EXPECT_EQ(dialog.positionSlider->value(), 0);
}

TEST_F(Transport, PositionSliderSeeksAndSnapsBackWhenClosed) {
    MakeProject(2, 6000);
    dialog.OnNextSegment();
    // Playing: plays on from there. (setSliderPosition acts as the user:
    // it triggers the slider's move action.)
    dialog.positionSlider->setSliderPosition(3000);
    EXPECT_EQ(Status("position"), "3000");
    EXPECT_EQ(Status("mode"), "playing");
    // Paused: only positions; Continue rewinds from the new place.
    dialog.OnPause();
    dialog.positionSlider->setSliderPosition(4500);
    EXPECT_EQ(Status("position"), "4500");
    EXPECT_EQ(dialog.playbackState, PlaybackState::Paused);
    dialog.OnPause();
    EXPECT_EQ(Status("position"), "3500");
    // Closed: back to 0.
    dialog.StopPlayback();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Closed);
    EXPECT_EQ(dialog.positionSlider->maximum(), 6000);
    dialog.positionSlider->setSliderPosition(2000);
    EXPECT_EQ(dialog.positionSlider->value(), 0);
}

TEST_F(Transport, WhileDraggingTheTimerLeavesTheThumbAlone) {
    MakeProject(2, 6000);
    dialog.OnNextSegment();
    Advance(1000);
    dialog.positionSlider->setSliderDown(true);
    dialog.positionSlider->setSliderPosition(4000);
    Advance(200);
    EXPECT_EQ(dialog.positionSlider->sliderPosition(), 4000);
    EXPECT_EQ(Status("position"), "1200") << "a drag seeks only when let go";
    EXPECT_EQ(dialog.positionLabel->text(), "1.20");
    dialog.positionSlider->setSliderDown(false); // emits sliderReleased
    EXPECT_EQ(Status("position"), "4000");
    Advance(100);
    EXPECT_EQ(dialog.positionSlider->value(), 4100);
}

TEST_F(Transport, AMissingSegmentFileGivesOneBoxPerFailedCommand) {
    MakeProject(2, 1000);
    dialog.OnNextSegment();
    ASSERT_EQ(dialog.playbackState, PlaybackState::Playing);
    prompter.messages.clear();
    std::remove(dialog.state.SegmentWavePath(2).c_str());
    dialog.OnPlay();
    // The close succeeds; the three opens that follow (the stop's length
    // measurement, the reset's measurement and the open to play) each fail
    // with one box.
    EXPECT_EQ(dialog.playbackState, PlaybackState::Closed);
    ASSERT_EQ(prompter.messages.size(), 3u);
    for (const auto& shown : prompter.messages) {
        EXPECT_EQ(shown.caption, "Error");
        EXPECT_EQ(shown.icon, Prompter::Icon::Error);
        EXPECT_EQ(shown.buttons, Prompter::Buttons::Ok);
        EXPECT_TRUE(shown.text.contains("cannot be found")) << shown.text.toStdString();
    }
    EXPECT_FALSE(dialog.positionTimer.isActive());
}

TEST_F(Transport, AFailedPlayLeavesTheAliasFree) {
    MakeProject(2, 1000);
    output->SetStartError(MciError::OutputFailed);
    dialog.OnNextSegment();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Closed);
    ASSERT_EQ(prompter.messages.size(), 1u);
    output->SetStartError(MciError::None);
    dialog.OnPlay();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Playing);
    EXPECT_EQ(prompter.messages.size(), 1u) << "no \"alias already in use\" after the failed play";
}

} // namespace
} // namespace lectorio
