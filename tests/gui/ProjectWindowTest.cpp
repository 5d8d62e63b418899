// The project commands in the real main window: opening and continuing a
// project made on disk, cleaning, the final text file, the option dialogs,
// help and about, and every way of closing.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "WaveformView.h"
#include "WindowFixtures.h"

namespace lectorio {
namespace {

namespace fs = std::filesystem;

const QString kCloseQuestion = "Do you want to create the final text file before you close the application?";

// A project "talk" of `count` segments made on disk in `folder`, with the
// given transcripts (segment number -> text); returns the project file.
std::string MakeProjectOnDisk(const std::string& folder, int32_t count,
                              const std::vector<std::pair<int32_t, std::string>>& transcripts,
                              const std::string& name = "talk", const std::string& recorded = {}) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = name;
    s.segmentCount = count;
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(
            WriteWave(s.SegmentWavePath(n), std::vector<int16_t>(800, static_cast<int16_t>(n * 100))));
    EXPECT_TRUE(s.CreateEmptyTextFiles());
    for (const auto& [n, text] : transcripts)
        std::ofstream(s.SegmentTextPath(n), std::ios::binary) << text;
    s.outputFolder = recorded.empty() ? folder : recorded;
    EXPECT_TRUE(
        WriteFileAtomically(folder + "/" + name + ".vprj", std::to_string(count) + " " + s.outputFolder));
    return folder + "/" + name + ".vprj";
}

class ProjectWindowTest : public testing::Test {
protected:
    // Opens `path` through the menu, the file dialog answering with it.
    void Open(const std::string& path) {
        f.prompter.files.push_back(QString::fromStdString(path));
        d.openProjectAction->trigger();
    }
    void Type(const QString& text) {
        d.transcriptEdit->setFocus();
        d.transcriptEdit->moveCursor(QTextCursor::End);
        d.transcriptEdit->insertPlainText(text);
    }
    std::vector<QString> Captions() const {
        std::vector<QString> captions;
        for (const auto& m : f.prompter.messages)
            captions.push_back(m.caption);
        return captions;
    }

    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

TEST_F(ProjectWindowTest, OpenContinuesWhereTheTranscriptsStand) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 5, {{2, "hello\nthere"}, {4, "second part"}});
    d.inputEdit->setText("/some/input.wav");
    d.OnNewProject();
    ASSERT_TRUE(d.IsSetupShown());
    Open(project);

    EXPECT_EQ(f.prompter.filters.back(), "Lectorio Project Files (*.vprj)|*.vprj||");
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(d.state.projectName, "talk");
    EXPECT_EQ(d.state.outputFolder, f.Folder());
    EXPECT_EQ(d.state.segmentCount, 5);
    EXPECT_TRUE(d.state.projectOpen);
    EXPECT_EQ(d.windowTitle(), "Lectorio - talk");
    EXPECT_EQ(d.outputEdit->text().toStdString(), f.Folder());
    EXPECT_EQ(d.projectNameEdit->text(), "talk");
    EXPECT_TRUE(d.inputEdit->text().isEmpty());
    EXPECT_FALSE(d.IsSetupShown());
    EXPECT_TRUE(d.waveformView->isVisible());
    EXPECT_TRUE(d.nextButton->isEnabled());
    EXPECT_TRUE(d.createTextFileButton->isEnabled());
    EXPECT_EQ(d.pauseButton->text(), "Pause");
    // Silence segments are skipped: the first speech segment is shown and played.
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "hello there ");
    EXPECT_EQ(d.plays, 1);

    Type("again");
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "second part ");
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(2)), "hello there again");
}

TEST_F(ProjectWindowTest, OpeningAnotherProjectSavesTheTextTypedIntoTheFirst) {
    const std::string first = MakeProjectOnDisk(f.Folder(), 3, {});
    fs::create_directory(f.Folder() + "/b");
    const std::string second = MakeProjectOnDisk(f.Folder() + "/b", 2, {{2, "other"}}, "next");
    Open(first);
    Type("typed before the switch");
    Open(second);
    EXPECT_EQ(Slurp(f.Folder() + "/00002_talk.txt"), "typed before the switch");
    EXPECT_EQ(d.state.projectName, "next");
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "other ");
}

TEST_F(ProjectWindowTest, UnreadableProjectFileLeavesTheProjectOnScreen) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 3, {});
    Open(project);
    const ProjectState before = d.state;
    Open(f.Folder() + "/missing.vprj");
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.startsWith("Cannot read the project file:"));
    EXPECT_EQ(d.state.projectName, before.projectName);
    EXPECT_EQ(d.state.currentSegment, before.currentSegment);
    EXPECT_EQ(d.windowTitle(), "Lectorio - talk");

    // A project file that records no folder names no files either.
    std::ofstream(f.Folder() + "/blank.vprj") << "7";
    Open(f.Folder() + "/blank.vprj");
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_TRUE(f.prompter.messages[1].text.startsWith("The project file records no project folder"));
    EXPECT_EQ(d.state.projectName, before.projectName);
    EXPECT_EQ(d.state.outputFolder, before.outputFolder);

    // A cancelled dialog does nothing at all.
    d.OnOpenProject();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(d.state.currentSegment, before.currentSegment);

    // Cleaning refuses both files before any question, and deletes nothing.
    f.prompter.files = {QString::fromStdString(f.Folder() + "/missing.vprj"),
                        QString::fromStdString(f.Folder() + "/blank.vprj")};
    d.OnCleanProject();
    d.OnCleanProject();
    ASSERT_EQ(f.prompter.messages.size(), 4u);
    EXPECT_TRUE(f.prompter.messages[2].text.startsWith("Cannot read the project file:"));
    EXPECT_TRUE(f.prompter.messages[3].text.startsWith("The project file records no project folder"));
    EXPECT_TRUE(fs::exists(f.Folder() + "/blank.vprj"));
}

TEST_F(ProjectWindowTest, AFolderRecordedWithATrailingSlashNamesTheProjectFromItsFile) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 3, {{2, "found"}}, "talk", f.Folder() + "/");
    Open(project);
    EXPECT_EQ(d.state.projectName, "talk");
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "found ");
}

TEST_F(ProjectWindowTest, CleaningWithBothAnswersAndTheInUseRefusal) {
    fs::create_directory(f.Folder() + "/a");
    fs::create_directory(f.Folder() + "/b");
    const std::string onScreen = MakeProjectOnDisk(f.Folder() + "/a", 2, {});
    const std::string sameName = MakeProjectOnDisk(f.Folder() + "/b", 2, {});
    const std::string other = MakeProjectOnDisk(f.Folder() + "/b", 3, {}, "other");
    std::ofstream(f.Folder() + "/b/other.txt") << "final";
    Open(onScreen);

    // A project of the name on screen is refused, also in another folder.
    f.prompter.files = {QString::fromStdString(sameName)};
    d.cleanProjectAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Project in use. You cannot delete this project now!");
    EXPECT_EQ(f.prompter.messages[0].caption, "Error");
    EXPECT_TRUE(fs::exists(sameName));

    // No to the first question deletes nothing.
    f.prompter.files = {QString::fromStdString(other)};
    f.prompter.answers = {Prompter::Answer::No};
    d.cleanProjectAction->trigger();
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(f.Folder() + "/b/00003_other.wav"));

    // Yes, then No: the final text file stays.
    f.prompter.files = {QString::fromStdString(other)};
    f.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    d.cleanProjectAction->trigger();
    EXPECT_FALSE(fs::exists(other));
    EXPECT_FALSE(fs::exists(f.Folder() + "/b/00001_other.wav"));
    EXPECT_FALSE(fs::exists(f.Folder() + "/b/00003_other.txt"));
    EXPECT_TRUE(fs::exists(f.Folder() + "/b/other.txt"));
    EXPECT_TRUE(fs::exists(f.Folder() + "/b/00001_talk.wav"));
    const std::vector<QString> expected = {"Error", "Confirm Deletion", "Confirm Deletion",
                                           "Confirm Deletion"};
    EXPECT_EQ(Captions(), expected);

    // Yes, Yes on the project file of the same name once another project is on screen.
    Open(MakeProjectOnDisk(f.Folder() + "/b", 1, {}, "third"));
    std::ofstream(f.Folder() + "/b/talk.txt") << "final";
    f.prompter.files = {QString::fromStdString(sameName)};
    f.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    d.cleanProjectAction->trigger();
    EXPECT_FALSE(fs::exists(sameName));
    EXPECT_FALSE(fs::exists(f.Folder() + "/b/talk.txt"));
    EXPECT_FALSE(fs::exists(f.Folder() + "/b/00002_talk.txt"));
    // The project on screen was not touched by any of it.
    EXPECT_TRUE(fs::exists(onScreen));
    EXPECT_EQ(d.state.projectName, "third");
}

TEST_F(ProjectWindowTest, CreateTextFileIncludesTheTextInTheBox) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 4, {{2, "hello world"}, {4, "good bye"}});
    Open(project);
    Type(" A: hi\nwo_");
    f.prompter.answers = {Prompter::Answer::No};
    QTest::mouseClick(d.createTextFileButton, Qt::LeftButton);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    const QString path = QString::fromStdString(f.Folder() + "/talk.txt");
    EXPECT_EQ(f.prompter.messages[0].text,
              "Text file is created: \n\n" + path + "\n\nDo you want to open the file?");
    EXPECT_EQ(f.prompter.messages[0].caption, "Text File Created");
    EXPECT_EQ(Slurp(f.Folder() + "/talk.txt"), "hello world \nA: hi wogood bye ");
}

TEST_F(ProjectWindowTest, CreateTextFileReportsAFileThatCannotBeWritten) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 2, {{2, "x"}});
    Open(project);
    fs::create_directory(f.Folder() + "/talk.txt");
    d.createTextFileAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.startsWith("Cannot create the text file:"));
}

TEST_F(ProjectWindowTest, ClosingBeforeAnyProjectAsksNothing) {
    QTest::mouseClick(d.closeButton, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(f.prompter.messages.empty());
}

TEST_F(ProjectWindowTest, ClosingAfterAnOpenWithNoKeepsTypedTextAndRemovesTemporaryFiles) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 5, {});
    Open(project);
    for (const char* name : {"00002_talk_y.wav", "00004_talk_y.wav", "dosya.ptc", "00002_other_y.wav"})
        std::ofstream(f.Folder() + "/" + name) << "x";
    d.OnSegmentOptions();
    d.OnPlaybackOptions();
    ASSERT_NE(d.segmentOptionsDlg, nullptr);
    Type("typed just before closing");
    const int stopsBefore = d.stops;
    f.prompter.answers = {Prompter::Answer::No};
    QTest::mouseClick(d.closeButton, Qt::LeftButton);

    EXPECT_FALSE(d.isVisible());
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, kCloseQuestion);
    EXPECT_EQ(f.prompter.messages[0].caption, "Close");
    EXPECT_EQ(f.prompter.messages[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_GT(d.stops, stopsBefore);
    EXPECT_EQ(Slurp(f.Folder() + "/00002_talk.txt"), "typed just before closing");
    EXPECT_FALSE(fs::exists(f.Folder() + "/talk.txt"));
    EXPECT_FALSE(fs::exists(f.Folder() + "/00002_talk_y.wav"));
    EXPECT_FALSE(fs::exists(f.Folder() + "/00004_talk_y.wav"));
    EXPECT_FALSE(fs::exists(f.Folder() + "/dosya.ptc"));
    EXPECT_TRUE(fs::exists(f.Folder() + "/00002_other_y.wav"));
    EXPECT_TRUE(fs::exists(f.Folder() + "/00002_talk.wav"));
    EXPECT_EQ(d.state.lastRunSegmentCount, 5000);
    EXPECT_EQ(d.segmentOptionsDlg, nullptr);
    EXPECT_EQ(d.playbackOptionsDlg, nullptr);
}

TEST_F(ProjectWindowTest, ClosingWithYesCreatesTheFinalTextWithTheTypedText) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 3, {});
    Open(project);
    Type("last words");
    f.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    d.close();
    EXPECT_FALSE(d.isVisible());
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.prompter.messages[0].text, kCloseQuestion);
    EXPECT_EQ(f.prompter.messages[1].caption, "Text File Created");
    EXPECT_EQ(Slurp(f.Folder() + "/talk.txt"), "last words ");
}

TEST_F(ProjectWindowTest, EscAndTheCloseBoxRunTheProcedureOnce) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 3, {});
    Open(project);
    Type("kept by Esc");
    QTest::keyClick(d.transcriptEdit, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, kCloseQuestion);
    EXPECT_EQ(Slurp(f.Folder() + "/00002_talk.txt"), "kept by Esc");

    ProjectFixture g;
    g.dialog.state.projectOpen = true;
    g.dialog.close();
    EXPECT_FALSE(g.dialog.isVisible());
    EXPECT_EQ(g.prompter.messages.size(), 1u);
}

TEST_F(ProjectWindowTest, ClosingAfterARunRemovesTheCopiesOfThatRun) {
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
    d.segmentationOptions.createLabelFile = false;
    d.OnNewProject();
    d.inputEdit->setText(QString::fromStdString(input));
    d.outputEdit->setText(QString::fromStdString(f.Folder()));
    d.projectNameEdit->setText("bursts");
    QTest::mouseClick(d.startButton, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([this] { return !d.IsRunActive() && d.navigation.navigationStarted; }));
    const int32_t count = d.state.segmentCount;
    ASSERT_GE(count, 2);
    EXPECT_EQ(d.state.lastRunSegmentCount, count);

    for (int32_t n = 1; n <= count; ++n)
        std::ofstream(d.state.SlowWavePath(n)) << "x";
    std::ofstream(d.state.PitchTrackPath()) << "x";
    Type("from the run");
    f.prompter.answers = {Prompter::Answer::No};
    d.close();
    EXPECT_FALSE(d.isVisible());
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_FALSE(fs::exists(d.state.SlowWavePath(n))) << n;
    EXPECT_FALSE(fs::exists(d.state.PitchTrackPath()));
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(d.state.currentSegment)), "from the run");
    EXPECT_EQ(d.state.lastRunSegmentCount, count);
}

TEST_F(ProjectWindowTest, OptionDialogsAreCreatedOnceAndAskOutsideSetUp) {
    d.OnSegmentOptions();
    QDialog* segment = d.segmentOptionsDlg;
    ASSERT_NE(segment, nullptr);
    EXPECT_TRUE(segment->isVisible());
    EXPECT_FALSE(segment->isModal());
    segment->findChild<QLineEdit*>("maxSegmentLength")->setText("7");
    f.prompter.answers = {Prompter::Answer::Yes};
    segment->accept();
    EXPECT_EQ(d.segmentationOptions.maxSegmentLength, 7);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].caption, "Segmentation Options");
    // Yes led to New Project.
    EXPECT_TRUE(d.IsSetupShown());
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");

    // The "Options" button of the set-up opens the same dialog; in set-up nothing is asked.
    QTest::mouseClick(d.optionsButton, Qt::LeftButton);
    EXPECT_EQ(d.segmentOptionsDlg, segment);
    segment->findChild<QLineEdit*>("maxSegmentLength")->setText("8");
    segment->accept();
    EXPECT_EQ(d.segmentationOptions.maxSegmentLength, 8);
    EXPECT_EQ(f.prompter.messages.size(), 1u);

    d.playbackOptionsAction->trigger();
    QDialog* playback = d.playbackOptionsDlg;
    ASSERT_NE(playback, nullptr);
    playback->findChild<QLineEdit*>("rewindTime")->setText("-4");
    playback->accept();
    EXPECT_EQ(d.playbackOptions.rewindSeconds, 0);
    d.OnPlaybackOptions();
    EXPECT_EQ(d.playbackOptionsDlg, playback);
}

TEST_F(ProjectWindowTest, AboutBoxAndMissingHelpFile) {
    QString caption;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->findChild<QLabel*>("text")->text();
        box->accept();
    });
    d.aboutAction->trigger();
    EXPECT_EQ(caption, "Lectorio 1.0");
    EXPECT_EQ(text, "Lectorio Version 1.0");

    // The test program's folder holds no help file.
    ASSERT_FALSE(fs::exists(ApplicationFolder() + "vorla.chm"));
    d.helpAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Cannot open the help file!");
    EXPECT_TRUE(f.prompter.messages[0].caption.isEmpty());
}

} // namespace
} // namespace lectorio
