// SPDX-License-Identifier: GPL-3.0-or-later
// Play, Pause and Continue, the position slider and the time labels of the
// main window, on the null output.
#include "WindowFixtures.h"

#include <functional>
#include <map>
#include <sstream>

namespace lectorio {
namespace {

TEST(Transport, PlayPauseContinueSeekAndTheEndOfTheSegment) {
    Window f;
    f.MakeProject(2, 12050, false);
    f.dialog.OnNextSegment();
    ASSERT_EQ(f.state.currentSegment, 1);
    EXPECT_FALSE(f.previousButton->isEnabled()) << "\"<---\" is disabled while segment 1 plays";
    EXPECT_EQ(f.lengthLabel->text() + QString::number(f.positionSlider->maximum()), "/12.05sec12050");
    f.playbackOptions.rewindSeconds = 1;
    QSlider* slider = f.positionSlider;
    // Each step is an action with its value ("a500": the clock on by 500 ms,
    // "p": Pause/Cont., "P": Play, "s3000": the slider set to 3000 as the user
    // does, "D": the slider held, "u": let go, "c": a click at
    // the groove's right end, one page (a fifth of the segment) on, "r0": the
    // rewind option set to 0), "=" the device's position after it, and "||"
    // when paused: the Pause button reads "Cont." and the timer stops exactly
    // then. The timer's tick shows the device's position on the thumb, except
    // while it is held, and in the label.
    const std::map<char, std::function<void(int)>> actions = {
        {'a', [&f](int ms) { f.Advance(ms); }},
        {'p', [&f](int) { f.dialog.OnPause(); }},
        {'P', [&f](int) { f.dialog.OnPlay(); }},
        {'s', [slider](int at) { slider->setSliderPosition(at); }},
        {'D', [slider](int) { slider->setSliderDown(true); }},
        {'u', [slider](int) { slider->setSliderDown(false); }}, // emits sliderReleased
        {'c',
         [slider](int) {
             QTest::mouseClick(slider, Qt::LeftButton, {}, {slider->width() - 2, slider->height() / 2});
         }},
        {'r', [&f](int seconds) { f.playbackOptions.rewindSeconds = seconds; }}};
    std::istringstream steps(
        "a3500=3500 a50=3550 p=3550|| a2000=3550|| p=2550 a500=3050 P=0 a500=500 p=500|| P=0 " // Play: from
                                                                                               // the start
        "a500=500 p=500|| p=0 "                                   // the rewind stops at the start
        "r0=0 a700=700 p=700|| p=700 r1=700 "                     // the option is read at Pause
        "s3000=3000 p=3000|| s4500=4500|| p=3500 a0=3500 c=5910 " // the slider seeks, playing or paused
        "D=5910 s9000=5910 a200=6110 u=9000 a100=9100 "           // a drag seeks only when let go
        "a5000=12050 p=12050 P=0 a300=300");                      // at the end Pause does nothing
    for (std::string step; steps >> step;) {
        SCOPED_TRACE(step);
        const size_t equals = step.find('=');
        const bool paused = step.ends_with("||");
        actions.at(step[0])(equals > 1 ? std::stoi(step.substr(1, equals - 1)) : 0);
        const std::string position = step.substr(equals + 1, step.size() - equals - (paused ? 3 : 1));
        EXPECT_EQ(std::tuple(f.Status("position"), f.playbackState, f.pauseButton->text(),
                             f.positionTimer.isActive()),
                  std::tuple(position, paused ? PlaybackState::Paused : PlaybackState::Playing,
                             QString(paused ? "Cont." : "Pause"), !paused));
        if (step[0] == 'a') { // the timer's tick shows the position
            EXPECT_EQ(std::pair(f.positionLabel->text(), slider->sliderPosition()),
                      std::pair(QString::number(std::stoi(position) / 1000.0, 'f', 2),
                                slider->isSliderDown() ? 9000 : std::stoi(position)));
        }
    }
    // Closed, the slider snaps back to 0.
    f.dialog.StopPlayback();
    slider->setSliderPosition(2000);
    EXPECT_TRUE(f.playbackState == PlaybackState::Closed && slider->value() == 0 &&
                f.prompter.messages.empty());
}

// The sound server goes away while a segment plays: one box, paused where it
// was last heard, and the next Play plays again.
TEST(Transport, ALostServerPausesAtTheLastPositionAndPlayReconnects) {
    Window f;
    f.MakeProject(4, 12050);
    f.dialog.OnNextSegment();
    f.Advance(3000);
    f.output->SetLost(true);
    f.Advance(500);
    f.Advance(500);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, QString::fromUtf8(MciErrorText(MciError::NoAudioOutput)));
    EXPECT_TRUE(f.playbackState == PlaybackState::Paused && f.positionSlider->value() == 3500);
    f.output->SetLost(false);
    f.dialog.OnPlay();
    EXPECT_TRUE(f.playbackState == PlaybackState::Playing && f.prompter.messages.size() == 1u);
}

} // namespace
} // namespace lectorio
