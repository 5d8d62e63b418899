// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands in the real main window: opening and continuing a
// project made on disk, cleaning, the final text file, the option dialogs,
// help and about, and every way of closing.
#include <QCheckBox>
#include <QDialog>
#include <filesystem>

#include "WaveformView.h"
#include "WindowFixtures.h"

namespace lectorio {
namespace {

namespace fs = std::filesystem;

class ProjectWindowTest : public testing::Test {
protected:
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

// A project opens from where its files lie, also when its folder was copied
// or moved since, or is recorded relative to the project file; a project
// "talk_y" beside keeps the files that are named like talk's slowed copies.
TEST_F(ProjectWindowTest, OpenContinuesWhereTheTranscriptsStand) {
    const std::string made = f.Folder() + "/made", now = f.Folder() + "/now";
    fs::create_directory(made);
    MakeProjectOnDisk(made, 5, {{2, "hello\nthere"}, {4, "second part"}});
    fs::copy(made, now);
    MakeProjectOnDisk(now, 2, {}, "talk_y");
    d.inputEdit->setText("/some/input.wav");
    d.OnNewProject();
    f.Open(now + "/talk.vprj");
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(d.windowTitle(), "Lectorio - talk");
    EXPECT_EQ(d.outputEdit->text().toStdString() + "|" + d.projectNameEdit->text().toStdString() + "|" +
                  d.inputEdit->text().toStdString(),
              now + "|talk|");
    EXPECT_TRUE(d.nextButton->isEnabled() && d.createTextFileButton->isEnabled() && !d.IsSetupShown());
    EXPECT_FALSE(d.startButton->isEnabled()); // until New Project shows it again
    // Silence segments are skipped: the first speech segment is shown and played.
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "hello there ");
    EXPECT_EQ(d.plays, 1);
    f.Type("again");
    d.OnNextSegment();
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "second part ");
    d.FlushSaves();
    EXPECT_EQ(Slurp(now + "/00002_talk.txt"), "hello there again");
    EXPECT_EQ(Slurp(made + "/00002_talk.txt"), "hello\nthere");

    // Opening another project (its folder moved) saves the text typed into this one first.
    fs::create_directory(f.Folder() + "/b0");
    MakeProjectOnDisk(f.Folder() + "/b0", 2, {{2, "other"}}, "next");
    fs::rename(f.Folder() + "/b0", f.Folder() + "/b");
    f.Type("typed before the switch");
    f.Open(f.Folder() + "/b/next.vprj");
    d.FlushSaves();
    EXPECT_EQ(Slurp(now + "/00004_talk.txt"), "second part typed before the switch");
    EXPECT_EQ(d.state.projectName, "next");
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "other ");

    // A folder recorded relatively and with a trailing "/" still names the project from its file.
    test::Touch(f.Folder() + "/talk.vprj", "5 now/");
    f.Open(f.Folder() + "/talk.vprj");
    EXPECT_EQ(d.state.projectName, "talk");
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "second part typed before the switch ");
    // New Project empties the set-up; its Cancel returns to the project and its caption.
    d.OnNewProject();
    EXPECT_EQ(d.inputEdit->text() + d.projectNameEdit->text(), "");
    d.OnCancelSetup();
    EXPECT_EQ(d.windowTitle(), "Lectorio - talk");
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_TRUE(d.nextButton->isEnabled());
    f.Type("more");
    d.close();
    EXPECT_EQ(Slurp(now + "/00004_talk.txt"), "second part typed before the switch more");
    EXPECT_TRUE(fs::exists(now + "/00002_talk_y.wav"));
}

TEST_F(ProjectWindowTest, UnreadableProjectFilesAreRefusedByOpenAndClean) {
    f.Open(MakeProjectOnDisk(f.Folder(), 3, {}));
    const ProjectState before = d.state;
    std::ofstream(f.Folder() + "/blank.vprj") << "7"; // records no folder, so names no files
    std::ofstream(f.Folder() + "/gone.vprj") << "7 /no/such/folder";
    const std::tuple<std::string, QString, QString> cases[] = {
        {f.Folder() + "/missing.vprj", "Cannot read the project file:", "Cannot read the project file:"},
        {f.Folder() + "/blank.vprj", "The project file records no project folder",
         "The project file records no project folder"},
        {f.Folder() + "/gone.vprj", "The project folder cannot be found", "This is not a project file"},
    };
    for (const auto& [path, message, cleanMessage] : cases) {
        f.prompter.messages.clear();
        f.Open(path);
        // Cleaning refuses it before any question, and deletes nothing.
        f.prompter.files = {QString::fromStdString(path)};
        d.OnCleanProject();
        ASSERT_EQ(f.prompter.messages.size(), 2u);
        EXPECT_TRUE(f.prompter.messages[0].text.startsWith(message));
        EXPECT_TRUE(f.prompter.messages[1].text.startsWith(cleanMessage));
        EXPECT_EQ(d.state.outputFolder, before.outputFolder);
        EXPECT_EQ(d.state.currentSegment, before.currentSegment);
        EXPECT_EQ(d.windowTitle(), "Lectorio - talk");
    }
    EXPECT_TRUE(fs::exists(f.Folder() + "/blank.vprj") && fs::exists(f.Folder() + "/gone.vprj"));
    // A cancelled dialog does nothing at all.
    d.OnOpenProject();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
}

TEST_F(ProjectWindowTest, CleaningWithBothAnswersAndTheInUseRefusal) {
    fs::create_directory(f.Folder() + "/a");
    fs::create_directory(f.Folder() + "/b");
    const std::string onScreen = MakeProjectOnDisk(f.Folder() + "/a", 2, {});
    const std::string sameName = MakeProjectOnDisk(f.Folder() + "/b", 2, {});
    const std::string other = MakeProjectOnDisk(f.Folder() + "/b", 3, {}, "other");
    std::ofstream(f.Folder() + "/b/other.txt") << "final";
    f.Open(onScreen);

    // A project of the name on screen is refused, also in another folder.
    f.prompter.files = {QString::fromStdString(sameName)};
    d.cleanProjectAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Project in use. You cannot delete this project now!");
    EXPECT_TRUE(fs::exists(sameName));

    // No to the first question deletes nothing; Yes, then No keeps the final text file.
    for (const auto& answers :
         {std::deque{Prompter::Answer::No}, std::deque{Prompter::Answer::Yes, Prompter::Answer::No}}) {
        f.prompter.files = {QString::fromStdString(other)};
        f.prompter.answers = answers;
        d.cleanProjectAction->trigger();
        const bool deleted = answers.size() == 2;
        for (const char* name : {"other.vprj", "00001_other.wav", "00003_other.wav", "00003_other.txt"})
            EXPECT_EQ(fs::exists(f.Folder() + "/b/" + name), !deleted) << name;
    }
    EXPECT_TRUE(fs::exists(f.Folder() + "/b/other.txt") && fs::exists(f.Folder() + "/b/00001_talk.wav"));

    // Yes, Yes on the project file of the same name once another project is on screen.
    f.Open(MakeProjectOnDisk(f.Folder() + "/b", 1, {}, "third"));
    std::ofstream(f.Folder() + "/b/talk.txt") << "final";
    f.prompter.files = {QString::fromStdString(sameName)};
    f.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    d.cleanProjectAction->trigger();
    for (const std::string& gone : {sameName, f.Folder() + "/b/talk.txt", f.Folder() + "/b/00002_talk.txt"})
        EXPECT_FALSE(fs::exists(gone)) << gone;
    // The project on screen was not touched by any of it.
    EXPECT_TRUE(fs::exists(onScreen));
    EXPECT_EQ(d.state.projectName, "third");
}

TEST_F(ProjectWindowTest, CreateTextFileIncludesTheTextInTheBox) {
    const std::string project = MakeProjectOnDisk(f.Folder(), 4, {{2, "hello world"}, {4, "good bye"}});
    f.Open(project);
    f.Type(" A: hi\nwo_");
    f.prompter.answers = {Prompter::Answer::No};
    QTest::mouseClick(d.createTextFileButton, Qt::LeftButton);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.contains(QString::fromStdString(f.Folder() + "/talk.txt")));
    EXPECT_EQ(Slurp(f.Folder() + "/talk.txt"), "hello world \nA: hi wogood bye ");
    // A final text file that cannot be written is reported, not announced.
    fs::remove(f.Folder() + "/talk.txt");
    fs::create_directory(f.Folder() + "/talk.txt");
    d.createTextFileAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_TRUE(f.prompter.messages[1].text.startsWith("Cannot create the text file:"));
}

TEST_F(ProjectWindowTest, ExportSavesTheBoxFirstAndWritesTheChosenFormat) {
    f.Open(MakeProjectOnDisk(f.Folder(), 4, {{2, "A: hello, world"}}));
    f.Type("again");
    f.prompter.chosen = {5};
    f.prompter.saves = {QString::fromStdString(f.Folder() + "/out.csv")};
    d.exportAction->trigger();
    EXPECT_EQ(f.prompter.savesProposed,
              std::vector<QString>{QString::fromStdString(f.Folder() + "/talk.csv")});
    // 800 frames each at 16 kHz: boundaries at samples 799, 1598 and 2397, the end at 3197.
    EXPECT_EQ(Slurp(f.Folder() + "/out.csv"), "segment,start,end,speaker,text\r\n"
                                              "1,0.000000,0.049938,,\r\n"
                                              "2,0.049938,0.099875,A,\"hello, world again\"\r\n"
                                              "3,0.099875,0.149813,,\r\n"
                                              "4,0.149813,0.199813,,\r\n");
    EXPECT_TRUE(f.prompter.messages.empty());
    // A missing segment file is named; cancelling the choice does nothing.
    fs::remove(f.Folder() + "/00003_talk.wav");
    f.prompter.chosen = {0, -1};
    f.prompter.saves = {QString::fromStdString(f.Folder() + "/out.srt")};
    d.exportAction->trigger();
    d.exportAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.endsWith(QString::fromStdString(f.Folder() + "/00003_talk.wav")));
    EXPECT_FALSE(fs::exists(f.Folder() + "/out.srt"));
    EXPECT_EQ(f.prompter.savesProposed.size(), 2u);
}

// Every way of closing after an open stops playback, saves the typed text,
// asks once, destroys the option dialogs and removes the slowed copies (1 to
// 5000 after an open) and the pitch track.
TEST_F(ProjectWindowTest, EveryWayOfClosingSavesTheTypedTextAndCleansUp) {
    QTest::mouseClick(d.closeButton, Qt::LeftButton); // before any project nothing is asked
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(f.prompter.messages.empty());

    enum class Way { Button, CloseBox, Esc };
    for (const auto& [way, answer] : {std::pair{Way::Button, Prompter::Answer::No},
                                      {Way::CloseBox, Prompter::Answer::Yes},
                                      {Way::Esc, Prompter::Answer::No}}) {
        SCOPED_TRACE(static_cast<int>(way));
        ProjectFixture g;
        WatchedDlg& w = g.dialog;
        g.Open(MakeProjectOnDisk(g.Folder(), 5, {}));
        const char* temporary[] = {"00004_talk_y.wav", "dosya.ptc"};
        for (const char* name : temporary)
            std::ofstream(g.Folder() + "/" + name) << "x";
        w.OnSegmentOptions();
        w.OnPlaybackOptions();
        g.Type("last words");
        // Cancel keeps the window; then the way of closing.
        g.prompter.answers = {Prompter::Answer::Cancel, answer, Prompter::Answer::No};
        w.close();
        EXPECT_TRUE(w.isVisible());
        g.prompter.messages.clear();
        const int stops = w.stops;
        if (way == Way::Button)
            QTest::mouseClick(w.closeButton, Qt::LeftButton);
        else if (way == Way::CloseBox)
            w.close();
        else
            QTest::keyClick(w.transcriptEdit, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_GT(w.stops, stops);
        EXPECT_EQ(Slurp(g.Folder() + "/00002_talk.txt"), "last words");
        const bool yes = answer == Prompter::Answer::Yes;
        ASSERT_EQ(g.prompter.messages.size(), yes ? 2u : 1u);
        EXPECT_EQ(g.prompter.messages[0].caption, "Close");
        EXPECT_EQ(g.prompter.messages[0].buttons, Prompter::Buttons::YesNoCancel);
        EXPECT_EQ(Slurp(g.Folder() + "/talk.txt"), yes ? "last words " : "");
        EXPECT_EQ(fs::exists(g.Folder() + "/talk.txt"), yes);
        for (const char* name : temporary)
            EXPECT_FALSE(fs::exists(g.Folder() + "/" + name)) << name;
        EXPECT_TRUE(fs::exists(g.Folder() + "/00002_talk.wav"));
        EXPECT_EQ(w.state.lastRunSegmentCount, 5000);
        EXPECT_TRUE(w.segmentOptionsDlg == nullptr && w.playbackOptionsDlg == nullptr);
    }
}

TEST_F(ProjectWindowTest, OptionDialogsAreCreatedOnceAndYesStartsANewProject) {
    d.OnSegmentOptions();
    QDialog* segment = d.segmentOptionsDlg;
    ASSERT_TRUE(segment && segment->isVisible());
    segment->findChild<QLineEdit*>("maxSegmentLength")->setText("7");
    f.prompter.answers = {Prompter::Answer::Yes};
    segment->accept();
    EXPECT_EQ(d.segmentationOptions.maxSegmentLength, 7);
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
    // The set-up's "Options" button shows the same dialog, and the menu the same playback dialog.
    QTest::mouseClick(d.optionsButton, Qt::LeftButton);
    EXPECT_EQ(d.segmentOptionsDlg, segment);
    d.playbackOptionsAction->trigger();
    QDialog* playback = d.playbackOptionsDlg;
    d.OnPlaybackOptions();
    EXPECT_EQ(d.playbackOptionsDlg, playback);
    // Its OK stores a corrected rewind and the skip rule; Cancel stores
    // nothing but keeps the typed text for the next showing.
    auto* rewind = playback->findChild<QLineEdit*>("rewindTime");
    rewind->setText("-4");
    playback->findChild<QCheckBox*>("skipSilenceFiles")->setChecked(false);
    QTest::mouseClick(playback->findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_FALSE(playback->isVisible());
    EXPECT_EQ(rewind->text(), "0");
    EXPECT_EQ(d.playbackOptions.rewindSeconds, 0);
    EXPECT_FALSE(d.playbackOptions.skipSilenceFiles);
    d.OnPlaybackOptions();
    rewind->setText("12abc");
    QTest::mouseClick(playback->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(d.playbackOptions.rewindSeconds, 0);
    d.OnPlaybackOptions();
    EXPECT_EQ(rewind->text(), "12abc");
    playback->accept();
    EXPECT_EQ(d.playbackOptions.rewindSeconds, 12);
}

} // namespace
} // namespace lectorio
