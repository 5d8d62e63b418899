#include "WindowFixtures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <filesystem>

namespace lectorio {
namespace {

class NavigationTest : public testing::Test {
protected:
    std::string Text(int32_t n) { return Slurp(d.state.SegmentTextPath(n)); }
    QString Box() { return d.transcriptEdit->toPlainText(); }

    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

TEST_F(NavigationTest, FirstMoveShowsSegmentTwoAndSavesNothing) {
    d.transcriptEdit->setPlainText("left from an earlier project");
    f.OpenProject(4, true);
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.totalLabel->text(), "/4");
    EXPECT_EQ(d.segmentNumberEdit->text(), "2");
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(Text(1), "");
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(d.plays, 1);
    EXPECT_EQ(d.playbackPath, d.state.SegmentWavePath(2));
    EXPECT_EQ(d.state.currentTextPath, d.state.SegmentTextPath(2));
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    EXPECT_TRUE(d.previousButton->isEnabled());
    EXPECT_TRUE(d.nextButton->isEnabled());
}

TEST_F(NavigationTest, EnterInTheTranscriptBoxMovesOnAndTranscriptsSurviveMoves) {
    f.OpenProject(4, true);
    QTest::keyClicks(d.transcriptEdit, "first line");
    d.transcriptEdit->appendPlainText("100% sure %s %d");
    QTest::keyClick(d.transcriptEdit, Qt::Key_Return);
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(Text(2), "first line\n100% sure %s %d");
    EXPECT_FALSE(d.nextButton->isEnabled());
    EXPECT_EQ(Box(), "");
    QTest::keyClicks(d.transcriptEdit, "last");
    // Page Down goes back; the two-line text comes back on one line.
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageDown);
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(Text(4), "last");
    EXPECT_EQ(Box(), "first line 100% sure %s %d ");
    EXPECT_TRUE(d.nextButton->isEnabled());
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    // Page Up goes forward again.
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageUp);
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(Box(), "last ");
    EXPECT_EQ(Text(2), "first line 100% sure %s %d ");
    EXPECT_EQ(Text(3), "");
}

TEST_F(NavigationTest, TabPlaysAndShiftTabPausesInsteadOfMovingTheFocus) {
    f.OpenProject(4, true);
    const int plays = d.plays;
    QTest::keyClick(d.transcriptEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 1);
    EXPECT_EQ(Box(), "");
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    QTest::keyClick(d.transcriptEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(d.pauses, 1);
    // The keys act wherever the focus is in the window.
    d.segmentNumberEdit->setFocus();
    QTest::keyClick(d.segmentNumberEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 2);
}

TEST_F(NavigationTest, SkipRuleWithAnOddCountStaysOnTheLastSpeechSegment) {
    f.OpenProject(5, true);
    d.OnNextSegment();
    ASSERT_EQ(d.state.currentSegment, 4);
    const int plays = d.plays;
    d.transcriptEdit->setPlainText("kept");
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(d.plays, plays);
    EXPECT_EQ(Text(4), "kept");
    EXPECT_EQ(Text(5), "");
    EXPECT_EQ(Box(), "kept");
}

TEST_F(NavigationTest, SkipRuleWithAnEvenCountReachesTheLastSegment) {
    f.OpenProject(6, true);
    d.OnNextSegment();
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 6);
    EXPECT_FALSE(d.nextButton->isEnabled());
    // Next at the last segment (by key) reloads and replays it.
    const int plays = d.plays;
    QTest::keyClick(d.transcriptEdit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(d.state.currentSegment, 6);
    EXPECT_EQ(d.plays, plays + 1);
    // Back to the first speech segment, and "<---" there replays it.
    d.OnPreviousSegment();
    d.OnPreviousSegment();
    EXPECT_EQ(d.state.currentSegment, 2);
    d.OnPreviousSegment();
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.plays, plays + 4);
}

TEST_F(NavigationTest, WithoutSkippingEverySegmentIsShownAndSaved) {
    f.OpenProject(3, false);
    EXPECT_EQ(d.state.currentSegment, 1);
    EXPECT_FALSE(d.previousButton->isEnabled());
    const int plays = d.plays;
    d.OnPreviousSegment();
    EXPECT_EQ(d.plays, plays);
    d.transcriptEdit->setPlainText("silence one");
    d.OnNextSegment();
    EXPECT_EQ(Text(1), "silence one");
    EXPECT_TRUE(d.previousButton->isEnabled());
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 3);
    EXPECT_FALSE(d.nextButton->isEnabled());
}

TEST_F(NavigationTest, GoWithLettersAndWithNumbersAboveTheCount) {
    f.OpenProject(7, true);
    d.OnNextSegment();
    ASSERT_EQ(d.state.currentSegment, 4);
    d.transcriptEdit->setPlainText("four");
    d.segmentNumberEdit->setText("abc");
    QTest::mouseClick(d.goButton, Qt::LeftButton);
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(Text(4), "four");
    d.segmentNumberEdit->setText("99");
    QTest::mouseClick(d.goButton, Qt::LeftButton);
    EXPECT_EQ(d.state.currentSegment, 6);
    EXPECT_EQ(d.segmentNumberEdit->text(), "6");
    // An odd number shows the following speech segment.
    d.segmentNumberEdit->setText("3");
    d.OnGoToSegment();
    EXPECT_EQ(d.state.currentSegment, 4);

    d.playbackOptions.skipSilenceFiles = false;
    d.segmentNumberEdit->setText("x");
    d.OnGoToSegment();
    EXPECT_EQ(d.state.currentSegment, 1);
    d.segmentNumberEdit->setText("1000");
    d.OnGoToSegment();
    EXPECT_EQ(d.state.currentSegment, 7);
}

TEST_F(NavigationTest, OneSegmentProjects) {
    f.OpenProject(1, true);
    EXPECT_EQ(d.state.currentSegment, 0);
    EXPECT_EQ(d.plays, 0);
    d.segmentNumberEdit->setText("1");
    d.OnGoToSegment();
    EXPECT_EQ(d.state.currentSegment, 0);
    EXPECT_EQ(d.plays, 0);

    d.playbackOptions.skipSilenceFiles = false;
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 1);
    EXPECT_FALSE(d.nextButton->isEnabled());
    EXPECT_EQ(d.plays, 1);
}

TEST_F(NavigationTest, NoSegmentsShowsNothing) {
    f.OpenProject(0, true);
    EXPECT_EQ(d.state.currentSegment, 0);
    EXPECT_EQ(d.totalLabel->text(), "/0");
    EXPECT_EQ(d.plays, 0);
    d.OnGoToSegment();
    EXPECT_EQ(d.plays, 0);
    EXPECT_TRUE(f.prompter.messages.empty());
}

TEST_F(NavigationTest, SpeedOutsideTheNormalBandPlaysTheSlowVersionOfSpeech) {
    f.OpenProject(4, false);
    EXPECT_EQ(d.plays, 1); // segment 1
    d.speedSlider->setValue(5);
    d.OnNextSegment();
    EXPECT_EQ(d.slowPlays, 1);
    EXPECT_EQ(d.navigation.lastSpeedPosition, 5);
    d.OnNextSegment(); // silence is always played as it is
    EXPECT_EQ(d.plays, 2);
    d.speedSlider->setValue(12);
    d.OnNextSegment();
    EXPECT_EQ(d.plays, 3);
    EXPECT_EQ(d.slowPlays, 1);
}

TEST_F(NavigationTest, FailedSaveIsReportedOnce) {
    f.OpenProject(6, true);
    d.transcriptEdit->setPlainText("precious words");
    std::filesystem::remove_all(f.Folder());
    d.OnNextSegment();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.contains("could not be saved"));
    EXPECT_EQ(f.prompter.messages[0].caption, "Save Transcript");
    d.OnPreviousSegment();
    d.OnNextSegment();
    EXPECT_EQ(f.prompter.messages.size(), 1u);
    // Once saving works again, a new failure is reported again.
    std::filesystem::create_directories(f.Folder());
    d.transcriptEdit->setPlainText("saved");
    d.OnPreviousSegment();
    EXPECT_EQ(Text(4), "saved");
    std::filesystem::remove_all(f.Folder());
    d.OnNextSegment();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
}

} // namespace
} // namespace lectorio
