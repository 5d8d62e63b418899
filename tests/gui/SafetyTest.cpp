// SPDX-License-Identifier: GPL-3.0-or-later
// Typed text and the user's files survive the paths that go wrong: a killed
// program and a run that is stopped.
#include "RunProgram.h"
#include "WindowFixtures.h"

#include <QAction>
#include <QProgressBar>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

// Run by a second copy of this test program (see below): opens the project,
// steps to segment 4 at speed 15, types, and waits for the autosave before it
// says it is ready to be killed.
void TypeThenWaitForTheKill(const std::string& project) {
    ProjectFixture g;
    g.Open(project);
    g.dialog.speedSlider->setValue(15);
    g.dialog.OnNextSegment();
    QTest::keyClicks(g.dialog.transcriptEdit, "typed before the crash");
    const std::string segment = g.dialog.state.SegmentTextPath(4);
    if (!WaitUntil([&] { return Slurp(segment) == "typed before the crash"; }, 60000))
        std::_Exit(1);
    test::Touch(project + ".ready");
    for (;;)
        QTest::qWait(100);
}

TEST(SafetyTest, KilledWindowKeepsTheTypedTextAndResumesThere) {
    if (const char* project = std::getenv("LECTORIO_TYPE_INTO_PROJECT"))
        return TypeThenWaitForTheKill(project);
    ProjectFixture f;
    const std::string project = MakeProjectOnDisk(f.Folder(), 6, {});
    setenv("LECTORIO_TYPE_INTO_PROJECT", project.c_str(), 1);
    const pid_t child = test::StartProgram(
        {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=SafetyTest.KilledWindow*"},
        "/dev/null");
    unsetenv("LECTORIO_TYPE_INTO_PROJECT");
    ASSERT_GT(child, 0);
    int status = 0;
    const bool ready = WaitUntil(
        [&] { return fs::exists(project + ".ready") || waitpid(child, &status, WNOHANG) != 0; }, 120000);
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ASSERT_TRUE(ready && fs::exists(project + ".ready"));

    EXPECT_EQ(Slurp(f.Folder() + "/00004_talk.txt"), "typed before the crash");
    f.Open(project);
    EXPECT_EQ(f.dialog.state.currentSegment, 4);
    EXPECT_EQ(f.dialog.speedSlider->value(), 15);
    EXPECT_EQ(f.dialog.transcriptEdit->toPlainText(), "typed before the crash ");
}

// A run stopped with Esc leaves no file of its own and the project before it
// on screen; the keys do nothing while it runs.
TEST(SafetyTest, StoppedRunLeavesNothingAndTheProjectBeforeIt) {
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
    f.OpenProject(4, true);
    const std::string out = f.Folder() + "/out", input = f.Folder() + "/long.wav";
    fs::create_directory(out);
    // Longer than one block, so the stop comes before the run's end.
    ASSERT_TRUE(WriteWave(input, std::vector<int16_t>(5500000, 0)));
    f.Type("typed in talk");
    d.OnNewProject();
    const int plays = d.plays, pauses = d.pauses;
    f.Start(input, out, "run");
    ASSERT_TRUE(d.IsRunActive());
    EXPECT_EQ(Slurp(f.Folder() + "/00002_talk.txt"), "typed in talk"); // saved before the run
    QTest::keyClick(d.transcriptEdit, Qt::Key_Tab);
    QTest::keyClick(d.transcriptEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(d.transcriptEdit, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !d.IsRunActive(); }, 120000));
    QTest::qWait(0);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.plays + d.pauses, plays + pauses);
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_FALSE(fs::exists(f.Folder() + "/long.lab"));
    EXPECT_TRUE(d.IsSetupShown());
    EXPECT_EQ(d.state.projectName, "talk");
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_TRUE(d.openProjectAction->isEnabled() && d.createTextFileAction->isEnabled());
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_TRUE(fs::exists(f.Folder() + "/00002_talk.wav"));
}

} // namespace
} // namespace lectorio
