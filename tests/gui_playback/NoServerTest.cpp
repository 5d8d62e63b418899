// The window on the real sound-server output: without any server it starts
// and the first Play shows one "Error" box; with the test server the volume
// slider drives the default sink.
#include "TestPrompter.h"
#include "ValueSlider.h"
#include "VorlaDlg.h"
#include "WaveFile.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lectorio {
namespace {

// Points the sound-server clients at a socket that does not exist while it lives.
class NoServer {
public:
    explicit NoServer(const QTemporaryDir& folder) {
        if (const char* old = std::getenv("PULSE_SERVER"))
            old_ = old;
        had_ = std::getenv("PULSE_SERVER") != nullptr;
        setenv("PULSE_SERVER", ("unix:" + folder.path().toStdString() + "/none").c_str(), 1);
    }
    ~NoServer() {
        if (had_)
            setenv("PULSE_SERVER", old_.c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

private:
    bool had_ = false;
    std::string old_;
};

void MakeSegments(ProjectState& state, const QTemporaryDir& folder) {
    state.outputFolder = folder.path().toStdString();
    state.projectName = "talk";
    state.segmentCount = 2;
    for (int32_t n = 1; n <= 2; ++n) {
        auto wave = CreateWaveFile(state.SegmentWavePath(n), 16000, 16, 1, kFormatPcm);
        const std::vector<int16_t> samples(16000, 1000);
        wave->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size()));
        wave->Close();
    }
    ASSERT_TRUE(state.CreateEmptyTextFiles());
    state.projectOpen = true;
}

TEST(WithoutSoundServer, TheWindowStartsAndTheFirstPlayShowsOneError) {
    QTemporaryDir folder;
    NoServer none(folder);
    TestPrompter prompter;
    CVorlaDlg dialog(&prompter);
    dialog.show();
    EXPECT_TRUE(prompter.messages.empty()) << "starting shows nothing";
    MakeSegments(dialog.state, folder);
    dialog.EnterTranscriptionLayout();
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

std::string Pactl(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::vector<std::string> all = {"pactl"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "pactl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char buffer[1024];
    ssize_t got;
    while (spawned == 0 && (got = read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    if (spawned == 0)
        waitpid(pid, nullptr, 0);
    return output;
}

TEST(WithSoundServer, TheVolumeSliderSetsTheDefaultSinkWhenReleased) {
    const char* flag = std::getenv("LECTORIO_TEST_PULSE");
    if (!flag || std::string(flag) != "1")
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
