// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixtures.h"

#include <QProcess>
#include <QStandardPaths>

namespace lectorio {
namespace {

// playerctl's answer, while the window goes on answering the bus.
QString Playerctl(const QStringList& arguments) {
    QProcess process;
    process.start("playerctl", QStringList{"--player=lectorio"} + arguments);
    EXPECT_TRUE(WaitUntil([&] { return process.state() == QProcess::NotRunning; }));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Runs a playerctl command and waits until the window has carried it out.
void Command(const QString& command, const std::function<bool()>& done) {
    Playerctl({command});
    EXPECT_TRUE(WaitUntil(done)) << command.toStdString();
}

TEST(Mpris, PlayerctlDrivesTheWindowOnTheSessionBus) {
    if (QStandardPaths::findExecutable("playerctl").isEmpty())
        GTEST_SKIP() << "playerctl is not installed";
    Window f;
    ASSERT_TRUE(f.dialog.PublishMpris());
    EXPECT_EQ(f.dialog.MprisServiceName(), "org.mpris.MediaPlayer2.lectorio");
    EXPECT_EQ(Playerctl({"status"}), "Stopped");

    f.MakeProject(6, 1000);
    f.dialog.OnNextSegment();
    const QString format = "--format={{xesam:title}}|{{xesam:album}}|{{mpris:length}}";
    EXPECT_EQ(Playerctl({"metadata", format}), "Segment 2 of 6|talk|1000000");
    EXPECT_EQ(Playerctl({"status"}), "Playing");

    // Next and Previous save the text and show the segment the buttons would.
    f.transcriptEdit->setPlainText("hello");
    Command("next", [&] { return f.state.currentSegment == 4; });
    f.FlushSaves();
    EXPECT_EQ(Slurp(f.state.SegmentTextPath(2)), "hello");
    EXPECT_EQ(Playerctl({"metadata", format}), "Segment 4 of 6|talk|1000000");
    Command("previous", [&] { return f.state.currentSegment == 2; });
    EXPECT_EQ(f.transcriptEdit->toPlainText(), "hello ");

    // Pause, and continue with the rewind; Stop pauses; the position moves
    // within the segment.
    f.Advance(600);
    Command("play-pause", [&] { return f.playbackState == PlaybackState::Paused; });
    EXPECT_EQ(Playerctl({"status"}), "Paused");
    Command("play", [&] { return f.playbackState == PlaybackState::Playing; });
    EXPECT_EQ(f.Status("position"), "0");
    Playerctl({"position", "0.5"});
    EXPECT_TRUE(WaitUntil([&] { return f.Status("position") == "500"; }));
    Command("stop", [&] { return f.playbackState == PlaybackState::Paused; });
    EXPECT_TRUE(f.prompter.messages.empty());
}

} // namespace
} // namespace lectorio
