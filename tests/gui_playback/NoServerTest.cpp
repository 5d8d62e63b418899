// SPDX-License-Identifier: GPL-3.0-or-later
// The window on the real sound-server output: without any server it starts
// and each Play shows one "Error" box; with the test server the volume slider
// drives the default sink.
#include "ServerTools.h"
#include "ValueSlider.h"
#include "WindowFixtures.h"

namespace lectorio {
namespace {

TEST(WithoutSoundServer, TheWindowStartsAndEachPlayShowsOneError) {
    TempFolder folder;
    test::NoServer none;
    TestPrompter prompter;
    CVorlaDlg dialog(&prompter);
    VorlaDlgTestAccess w(dialog);
    dialog.show();
    EXPECT_TRUE(prompter.messages.empty()) << "starting shows nothing";
    MakeProjectOnDisk(folder.Path(), 2, {}, "talk", 16000);
    w.ShowFinishedRun(folder.Path(), 2);
    dialog.OnNextSegment();
    dialog.OnPlay();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_TRUE(prompter.messages[0].caption == "Error" &&
                prompter.messages[0].text.contains("No audio output is available"));
    EXPECT_TRUE(prompter.messages[1].text == prompter.messages[0].text &&
                w.playbackState == PlaybackState::Closed);
    EXPECT_EQ(w.lengthLabel->text(), "/1.00sec") << "the length is measured without a server";
}

TEST(WithSoundServer, TheVolumeSliderSetsTheDefaultSinkWhenReleased) {
    if (!test::ServerForTests())
        GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
    test::Pactl({"set-sink-volume", "lectorio_null", "65536"});
    TestPrompter prompter;
    CVorlaDlg dialog(&prompter);
    dialog.show();
    auto* slider = static_cast<CValueSlider*>(VorlaDlgTestAccess(dialog).volumeSlider);
    EXPECT_EQ(slider->maximum(), 65536);
    EXPECT_EQ(slider->value(), 0) << "full volume stands at the top";
    // Keyboard moves change nothing until the mouse lets go of the slider.
    for (const auto& [position, released, volume] :
         {std::tuple{65536, false, " 65536 "}, {65536, true, " 0 "}, {16384, true, " 49152 "}}) {
        slider->setValue(position);
        if (released)
            emit slider->mouseReleased();
        EXPECT_NE(test::Pactl({"get-sink-volume", "lectorio_null"}).find(volume), std::string::npos);
    }
    test::Pactl({"set-sink-volume", "lectorio_null", "65536"});
}

} // namespace
} // namespace lectorio
