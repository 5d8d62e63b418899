#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>

namespace lectorio {
namespace {

class StartTest : public testing::Test {
protected:
    StartTest() { d.OnNewProject(); }

    // Fills the three boxes and presses Start.
    void Start(const std::string& input, const std::string& folder, const std::string& name) {
        d.inputEdit->setText(QString::fromStdString(input));
        d.outputEdit->setText(QString::fromStdString(folder));
        d.projectNameEdit->setText(QString::fromStdString(name));
        QTest::mouseClick(d.startButton, Qt::LeftButton);
    }

    std::string Recording() {
        const std::string path = f.Folder() + "/rec.wav";
        EXPECT_TRUE(WriteWave(path, std::vector<int16_t>(16000, 0)));
        return path;
    }

    bool WaitForRunEnd() {
        return WaitUntil([this] { return !d.IsRunActive() && d.navigation.navigationStarted; });
    }

    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

TEST_F(StartTest, EmptyBoxesAreRefusedOneAtATime) {
    Start("", "", "x");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Please select an input file.");
    EXPECT_EQ(f.prompter.messages[0].caption, "No Input File");
    EXPECT_EQ(f.prompter.messages[0].buttons, Prompter::Buttons::Ok);
    Start("in.wav", "", "x");
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.prompter.messages[1].text, "Please select an output folder.");
    EXPECT_EQ(f.prompter.messages[1].caption, "No Output Folder");
    EXPECT_EQ(d.state.inputPath, "");
    EXPECT_TRUE(d.IsSetupShown());
}

TEST_F(StartTest, ProjectNameWithSlashIsRefusedBeforeTheCommit) {
    d.state.projectName = "earlier";
    Start(Recording(), f.Folder(), "a/b");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.contains("\"/\""));
    EXPECT_EQ(f.prompter.messages[0].caption, "Project Name");
    EXPECT_EQ(d.state.projectName, "earlier");
    EXPECT_EQ(d.stops, 0);
    EXPECT_FALSE(d.IsRunActive());
}

TEST_F(StartTest, MissingOrReadOnlyOutputFolderIsRefusedBeforeTheSameNameQuestion) {
    const std::string input = Recording();
    // A project of the same name exists, but the folder check comes first.
    Start(input, f.Folder() + "/missing", "rec");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "The output folder does not exist or cannot be written.");
    EXPECT_EQ(f.prompter.messages[0].caption, "No Output Folder");
    // A file typed as the folder.
    Start(input, input, "rec");
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.prompter.messages[1].caption, "No Output Folder");
    EXPECT_EQ(d.state.inputPath, "");
}

TEST_F(StartTest, DeclinedSameNameQuestionChangesNothing) {
    const std::string input = Recording();
    ASSERT_TRUE(WriteFileAtomically(f.Folder() + "/talk.vprj", "3 " + f.Folder()));
    d.setWindowTitle("Lectorio - New Project");
    Start(input, f.Folder(), "talk");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text,
              "A project with the same name already exists, do you want to continue?\n\n"
              "Note: If you continue, your old project files will be deleted\n\n"
              "In order to continue an old project, select 'Open Project'");
    EXPECT_EQ(f.prompter.messages[0].caption, ""); // the program's name
    EXPECT_EQ(f.prompter.messages[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(d.state.projectName, "");
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
    EXPECT_EQ(d.inputEdit->text().toStdString(), input);
    EXPECT_FALSE(d.IsRunActive());
}

TEST_F(StartTest, InputThatCannotBeReadIsReportedAfterTheCommit) {
    Start(f.Folder() + "/none.wav", f.Folder(), "talk.vprj");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "No Input File.");
    EXPECT_EQ(f.prompter.messages[0].caption, "No Input File");
    EXPECT_EQ(d.state.projectName, "talk");
    EXPECT_EQ(d.state.outputFolder, f.Folder());
    EXPECT_EQ(d.stops, 1);
    // A folder typed as the input file.
    Start(f.Folder(), f.Folder(), "talk");
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.prompter.messages[1].text, "No Input File.");
    // A file that is no WAV recording.
    const std::string text = f.Folder() + "/notes.wav";
    ASSERT_TRUE(WriteFileAtomically(text, "just some words"));
    Start(text, f.Folder(), "talk");
    ASSERT_EQ(f.prompter.messages.size(), 3u);
    EXPECT_TRUE(f.prompter.messages[2].text.startsWith("The input file is not a WAV recording"));
    EXPECT_TRUE(d.IsSetupShown());
    EXPECT_FALSE(d.IsRunActive());
}

TEST_F(StartTest, SecondRunIsRefusedAndClosingWaitsForTheRun) {
    const std::string input = Recording();
    Start(input, f.Folder(), "first");
    ASSERT_TRUE(d.IsRunActive());
    // Until the run has ended nothing else may start or touch its files.
    Start(input, f.Folder(), "second");
    d.OnNewProject();
    d.OnOpenProject();
    d.OnCleanProject();
    d.OnNextSegment();
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(d.state.projectName, "first");
    d.close();
    EXPECT_TRUE(d.isVisible());
    ASSERT_TRUE(WaitUntil([this] { return !d.isVisible(); }));
    EXPECT_FALSE(d.IsRunActive());
    EXPECT_EQ(d.windowTitle(), "Lectorio - first");
    EXPECT_TRUE(d.state.projectOpen);
}

// A recording of three clear tone bursts between stretches of digital
// silence. With the detector in place the run yields silence and speech
// segments and shows segment 2; without one it yields no segments and ends in
// transcription mode with nothing shown.
TEST_F(StartTest, WholeRunOnToneBurstsEndsInTranscriptionMode) {
    std::vector<int16_t> samples;
    const double pi = std::acos(-1.0);
    for (int burst = 0; burst < 3; ++burst) {
        samples.insert(samples.end(), 16000, 0);
        for (int i = 0; i < 8000; ++i)
            samples.push_back(static_cast<int16_t>(20000 * std::sin(2 * pi * 440 * i / 16000.0)));
    }
    samples.insert(samples.end(), 16000, 0);
    const std::string input = f.Folder() + "/16000-1-16-bursts.wav";
    ASSERT_TRUE(WriteWave(input, samples));
    d.playbackOptions.skipSilenceFiles = true;
    d.segmentationOptions.createLabelFile = false;
    Start(input, f.Folder(), "bursts");
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(d.windowTitle(), "Lectorio - bursts");
    EXPECT_FALSE(d.IsSetupShown());
    EXPECT_TRUE(d.waveformView->isVisible());
    EXPECT_FALSE(d.progressBar->isVisible());
    EXPECT_FALSE(d.statusLine->isVisible());
    EXPECT_TRUE(d.transcriptEdit->isEnabled());
    EXPECT_TRUE(d.goButton->isEnabled());
    EXPECT_TRUE(d.state.projectOpen);
    EXPECT_EQ(d.state.inputPath, input);
    const int32_t count = d.state.segmentCount;
    EXPECT_EQ(d.totalLabel->text(), QStringLiteral("/%1").arg(count));
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(std::filesystem::exists(d.state.SegmentTextPath(n))) << n;
    if (count >= 2) {
        EXPECT_EQ(d.state.currentSegment, 2);
        EXPECT_EQ(d.segmentNumberEdit->text(), "2");
        EXPECT_EQ(d.plays, 1);
        EXPECT_TRUE(d.transcriptEdit->hasFocus());
    } else {
        EXPECT_EQ(d.state.currentSegment, 0);
        EXPECT_EQ(d.plays, 0);
    }
}

} // namespace
} // namespace lectorio
