// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunProgram.h"
#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QAction>
#include <QProgressBar>

#include <filesystem>

namespace lectorio {
namespace {

class StartTest : public testing::Test {
protected:
    StartTest() { d.OnNewProject(); }

    void Start(const std::string& input, const std::string& folder, const std::string& name) {
        f.Start(input, folder, name);
    }

    std::string Recording() {
        const std::string path = f.Folder() + "/rec.wav";
        EXPECT_TRUE(WriteWave(path, std::vector<int16_t>(16000, 0)));
        return path;
    }

    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

TEST_F(StartTest, RefusalsInTheirOrderWithTheirMessages) {
    const std::string rec = Recording();
    const std::string folder = f.Folder();
    const std::string notWave = folder + "/notes.wav";
    ASSERT_TRUE(WriteFileAtomically(notWave, "just some words"));
    struct Case {
        std::string input, output, name;
        QString text; // the start of the message
        QString caption;
        bool committed; // the project is taken over (and playback stopped) before the refusal
    };
    const Case cases[] = {
        {"", "", "x", "Please select an input file.", "No Input File", false},
        {"in.wav", "", "x", "Please select an output folder.", "No Output Folder", false},
        {rec, folder, "a/b", "The project name cannot be part of a file name", "Project Name", false},
        // A project "rec" exists, but the folder check comes before the same-name question.
        {rec, folder + "/missing", "rec", "The output folder does not exist or cannot be written.",
         "No Output Folder", false},
        {rec, rec, "rec", "The output folder does not exist or cannot be written.", "No Output Folder",
         false},
        {folder + "/none.wav", folder, "talk.vprj", "No Input File.", "No Input File", true},
        {folder, folder, "talk", "No Input File.", "No Input File", true},
        // A project "P_y" owns the names of P's slowed copies: neither name is
        // taken beside the other.
        {rec, folder, "rec_y", "The slowed-down copies of a project named P", "Project Name", false},
        {rec, folder, "pair", "The slowed-down copies of a project named P", "Project Name", false},
        {notWave, folder, "talk",
         "The input file is not a recording that can be read (not a RIFF file, and FFmpeg", "No Input File",
         false},
    };
    ASSERT_TRUE(WriteFileAtomically(folder + "/rec.vprj", "3 " + folder));
    ASSERT_TRUE(WriteFileAtomically(folder + "/pair_y.vprj", "3 " + folder));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " | " + c.output + " | " + c.name);
        d.state = ProjectState{};
        d.state.projectName = "earlier";
        f.prompter.messages.clear();
        const int stops = d.stops;
        Start(c.input, c.output, c.name);
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        EXPECT_TRUE(f.prompter.messages[0].text.startsWith(c.text))
            << f.prompter.messages[0].text.toStdString();
        EXPECT_EQ(f.prompter.messages[0].caption, c.caption);
        EXPECT_EQ(f.prompter.messages[0].buttons, Prompter::Buttons::Ok);
        EXPECT_EQ(d.state.projectName, c.committed ? "talk" : "earlier");
        EXPECT_EQ(d.state.outputFolder, c.committed ? folder : "");
        EXPECT_EQ(d.stops, stops + (c.committed ? 1 : 0));
        EXPECT_TRUE(d.IsSetupShown());
        EXPECT_FALSE(d.IsRunActive());
    }
    // After the last refusal the final text and closing still concern the
    // project on screen, never a file of the refused name.
    d.state.outputFolder = folder;
    d.state.projectOpen = true;
    d.OnCreateTextFile();
    d.close();
    EXPECT_TRUE(std::filesystem::exists(folder + "/earlier.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/talk.txt"));
}

TEST_F(StartTest, DeclinedSameNameQuestionChangesNothing) {
    const std::string input = Recording();
    ASSERT_TRUE(WriteFileAtomically(f.Folder() + "/talk.vprj", "3 " + f.Folder()));
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

TEST_F(StartTest, SecondRunIsRefusedAndClosingWaitsForTheRun) {
    const std::string input = Recording();
    Start(input, f.Folder(), "first");
    ASSERT_TRUE(d.IsRunActive());
    // Until the run has ended nothing else may start or touch its files, and
    // the menu shows it; changed options offer no new project.
    const std::vector<QAction*> commands{d.newProjectAction, d.openProjectAction, d.cleanProjectAction,
                                         d.createTextFileAction, d.exportAction};
    for (QAction* command : commands)
        EXPECT_FALSE(command->isEnabled()) << command->text().toStdString();
    EXPECT_FALSE(d.createTextFileButton->isEnabled());
    d.OnSegmentOptions();
    d.segmentOptionsDlg->findChild<QLineEdit*>("maxSegmentLength")->setText("7");
    d.segmentOptionsDlg->accept();
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
    for (QAction* command : commands)
        EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
    EXPECT_TRUE(d.transcriptEdit->placeholderText().isEmpty());
}

// A recording of three clear tone bursts between stretches of digital
// silence: the run yields silence and speech segments and shows segment 2.
TEST_F(StartTest, WholeRunOnToneBurstsEndsInTranscriptionModeAndCloses) {
    const std::string input = WriteToneBursts(f.Folder());
    d.playbackOptions.skipSilenceFiles = true;
    d.segmentationOptions.createLabelFile = false;
    Start(input, f.Folder(), "bursts");
    ASSERT_TRUE(f.WaitForRunEnd());

    EXPECT_EQ(d.windowTitle(), "Lectorio - bursts");
    EXPECT_FALSE(d.IsSetupShown());
    for (QWidget* w : std::vector<QWidget*>{d.progressBar, d.statusLine})
        EXPECT_FALSE(w->isVisible());
    for (QWidget* w : std::vector<QWidget*>{d.waveformView, d.transcriptEdit, d.goButton})
        EXPECT_TRUE(w->isVisible() && w->isEnabled());
    EXPECT_TRUE(d.state.projectOpen);
    EXPECT_EQ(d.state.inputPath, input);
    const int32_t count = d.state.segmentCount;
    EXPECT_EQ(d.totalLabel->text(), QStringLiteral("/%1").arg(count));
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(std::filesystem::exists(d.state.SegmentTextPath(n))) << n;
    ASSERT_GE(count, 2) << "the run found no speech";
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.segmentNumberEdit->text(), "2");
    EXPECT_EQ(d.plays, 1);
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    EXPECT_EQ(d.state.lastRunSegmentCount, count);

    // Closing removes the slowed copies of this run and the pitch track, and keeps the typed text.
    for (int32_t n = 1; n <= count; ++n)
        std::ofstream(d.state.SlowWavePath(n)) << "x";
    std::ofstream(d.state.PitchTrackPath()) << "x";
    f.Type("from the run");
    d.close();
    EXPECT_FALSE(d.isVisible());
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_FALSE(std::filesystem::exists(d.state.SlowWavePath(n))) << n;
    EXPECT_FALSE(std::filesystem::exists(d.state.PitchTrackPath()));
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(2)), "from the run");
}

TEST_F(StartTest, RecordingThatFailsToDecodePartWayIsKeptOnlyWhenTheUserAgrees) {
    const std::string flac = f.Folder() + "/talk.flac";
    ASSERT_EQ(
        test::RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-i", LECTORIO_SAMPLE, "-t", "8", flac})
            .status,
        0);
    std::string bytes = Slurp(flac);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4000; ++i)
        bytes[i] = static_cast<char>(i * 7);
    test::Touch(flac, bytes);
    for (const bool keep : {false, true}) {
        f.prompter.answers = {keep ? Prompter::Answer::Yes : Prompter::Answer::No};
        f.prompter.messages.clear();
        d.OnNewProject();
        Start(flac, f.Folder(), "talk");
        ASSERT_TRUE(WaitUntil([this] { return !d.IsRunActive(); }));
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        EXPECT_TRUE(
            f.prompter.messages[0].text.startsWith("The recording could not be decoded to its end ("));
        EXPECT_EQ(d.state.segmentCount > 2, keep);
        EXPECT_EQ(std::filesystem::exists(d.state.SegmentWavePath(1)), keep);
        EXPECT_EQ(std::filesystem::exists(flac + ".lab"), keep);
    }
}

} // namespace
} // namespace lectorio
