// SPDX-License-Identifier: GPL-3.0-or-later
// The window on the real sound-server output: without any server it starts
// and the first Play shows one "Error" box; with the test server the volume
// slider drives the default sink.
#include "ServerTools.h"
#include "ValueSlider.h"
#include "WindowFixtures.h"

namespace lectorio {
namespace {

TEST(WithoutSoundServer, TheWindowStartsAndTheFirstPlayShowsOneError) {
    TempFolder folder;
    test::NoServer none;
    TestPrompter prompter;
    CVorlaDlg dialog(&prompter);
    dialog.show();
    EXPECT_TRUE(prompter.messages.empty()) << "starting shows nothing";
    LoadProject(dialog, folder.Path(), 2, 16000);
    dialog.OnNextSegment();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].caption, "Error");
    EXPECT_EQ(prompter.messages[0].icon, Prompter::Icon::Error);
    EXPECT_TRUE(prompter.messages[0].text.contains("No audio output is available"))
        << prompter.messages[0].text.toStdString();
    EXPECT_EQ(dialog.playbackState, PlaybackState::Closed);
    EXPECT_EQ(dialog.lengthLabel->text(), "/1.00sec") << "the length is measured without a server";
    // Each further Play fails the same way, once; the alias is never left taken.
    dialog.OnPlay();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text, prompter.messages[0].text);
    dialog.OnPause();
    EXPECT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(dialog.pauseButton->text(), "Pause");
}

using test::Pactl;

TEST(WithSoundServer, TheVolumeSliderSetsTheDefaultSinkWhenReleased) {
    if (!test::ServerForTests())
        GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
    Pactl({"set-sink-volume", "lectorio_null", "65536"});
    TestPrompter prompter;
    CVorlaDlg dialog(&prompter);
    dialog.resize(700, 400);
    dialog.show();
    auto* slider = dynamic_cast<CValueSlider*>(dialog.volumeSlider);
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 65536);
    EXPECT_EQ(slider->value(), 0) << "full volume stands at the top";
    // Keyboard moves change nothing until the mouse lets go of the slider.
    slider->setValue(65536);
    EXPECT_NE(Pactl({"get-sink-volume", "lectorio_null"}).find(" 65536 "), std::string::npos);
    emit slider->mouseReleased();
    EXPECT_NE(Pactl({"get-sink-volume", "lectorio_null"}).find(" 0 "), std::string::npos);
    slider->setValue(16384);
    emit slider->mouseReleased();
    EXPECT_NE(Pactl({"get-sink-volume", "lectorio_null"}).find(" 49152 "), std::string::npos);
    Pactl({"set-sink-volume", "lectorio_null", "65536"});
}

} // namespace
} // namespace lectorio
