// SPDX-License-Identifier: GPL-3.0-or-later
// Typed text survives a killed program.
#include "RunProgram.h"
#include "WindowFixtures.h"

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
    Window g;
    g.Open(project);
    g.speedSlider->setValue(15);
    g.dialog.OnNextSegment();
    QTest::keyClicks(g.transcriptEdit, "typed before the crash");
    const std::string segment = g.state.SegmentTextPath(4);
    if (!WaitUntil([&] { return Slurp(segment) == "typed before the crash"; }, 60000))
        std::_Exit(1);
    test::Touch(project + ".ready");
    for (;;)
        QTest::qWait(100);
}

TEST(SafetyTest, KilledWindowKeepsTheTypedTextAndResumesThere) {
    if (const char* project = std::getenv("LECTORIO_TYPE_INTO_PROJECT"))
        return TypeThenWaitForTheKill(project);
    Window f;
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
    EXPECT_EQ(std::tuple(f.state.currentSegment, f.speedSlider->value(), f.transcriptEdit->toPlainText()),
              std::tuple(4, 15, QString("typed before the crash ")));
}

} // namespace
} // namespace lectorio
