// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands in the real main window: opening and continuing a
// project made on disk, cleaning, the final text file, export, the option
// dialogs, and every way of closing.
#include "WindowFixtures.h"

#include <QCheckBox>
#include <filesystem>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

// A project opens from where its files lie, also when its folder was copied
// or moved since or is recorded relative to the project file, and continues
// at the first speech segment; opening another saves the typed text first. A
// project "talk_y" beside keeps the files that are named like talk's slowed copies.
TEST(ProjectWindow, OpenContinuesWhereTheTranscriptsStand) {
    Window f;
    const std::string made = f.Folder() + "/made", now = f.Folder() + "/now";
    fs::create_directories(f.Folder() + "/b");
    MakeProjectOnDisk(f.Folder() + "/b", 2, {{2, "other"}}, "next");
    test::Touch(f.Folder() + "/next.vprj", "2 b/");
    f.Open(f.Folder() + "/next.vprj");
    EXPECT_EQ(f.transcriptEdit->toPlainText(), "other ");
    f.Type("typed before the switch");

    fs::create_directory(made);
    MakeProjectOnDisk(made, 5, {{2, "hello\nthere"}, {4, "second part"}});
    fs::copy(made, now);
    MakeProjectOnDisk(now, 2, {}, "talk_y");
    f.Open(now + "/talk.vprj");
    f.FlushSaves();
    EXPECT_EQ(Slurp(f.Folder() + "/b/00002_next.txt"), "other typed before the switch");
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(f.dialog.windowTitle() + "|" + f.outputEdit->text() + "|" + f.projectNameEdit->text(),
              QString::fromStdString("Lectorio - talk|" + now + "|talk"));
    EXPECT_EQ(QString::number(f.state.currentSegment) + f.transcriptEdit->toPlainText(), "2hello there ");
    EXPECT_TRUE(f.JustStarted());
    f.Type("again");
    f.dialog.OnNextSegment();
    EXPECT_EQ(f.transcriptEdit->toPlainText(), "second part ");
    f.FlushSaves();
    EXPECT_EQ(Slurp(now + "/00002_talk.txt") + "|" + Slurp(made + "/00002_talk.txt"),
              "hello there again|hello\nthere");
    // New Project empties the set-up; its Cancel returns to the project.
    f.dialog.OnNewProject();
    EXPECT_EQ(f.inputEdit->text() + f.projectNameEdit->text(), "");
    f.dialog.OnCancelSetup();
    EXPECT_TRUE(f.dialog.windowTitle() == "Lectorio - talk" && f.nextButton->isEnabled());
    f.Type("more");
    f.dialog.close();
    EXPECT_EQ(Slurp(now + "/00004_talk.txt"), "second part more");
    EXPECT_TRUE(fs::exists(now + "/00002_talk_y.wav"));
}

TEST(ProjectWindow, UnreadableProjectFilesAreRefusedByOpenAndClean) {
    Window f;
    f.Open(MakeProjectOnDisk(f.Folder(), 3, {}));
    test::Touch(f.Folder() + "/blank.vprj", "7"); // records no folder, so names no files
    test::Touch(f.Folder() + "/gone.vprj", "7 /no/such/folder");
    const std::tuple<std::string, QString, QString> cases[] = {
        {"missing.vprj", "Cannot read the project file:", "Cannot read the project file:"},
        {"blank.vprj", "The project file records no project folder",
         "The project file records no project folder"},
        {"gone.vprj", "The project folder cannot be found", "This is not a project file"},
    };
    for (const auto& [name, message, cleanMessage] : cases) {
        f.prompter.messages.clear();
        f.Open(f.Folder() + "/" + name);
        // Cleaning refuses it before any question, and deletes nothing.
        f.prompter.files = {QString::fromStdString(f.Folder() + "/" + name)};
        f.dialog.OnCleanProject();
        ASSERT_EQ(f.prompter.messages.size(), 2u);
        EXPECT_TRUE(f.prompter.messages[0].text.startsWith(message) &&
                    f.prompter.messages[1].text.startsWith(cleanMessage));
        EXPECT_EQ(f.state.outputFolder + "|" + std::to_string(f.state.currentSegment), f.Folder() + "|2");
    }
    EXPECT_TRUE(fs::exists(f.Folder() + "/blank.vprj") && fs::exists(f.Folder() + "/gone.vprj"));
}

TEST(ProjectWindow, CleaningWithBothAnswersAndTheInUseRefusal) {
    Window f;
    const std::string a = f.Folder() + "/a", b = f.Folder() + "/b";
    fs::create_directory(a);
    fs::create_directory(b);
    const std::string onScreen = MakeProjectOnDisk(a, 2, {}), sameName = MakeProjectOnDisk(b, 2, {});
    const std::string other = MakeProjectOnDisk(b, 3, {}, "other");
    test::Touch(b + "/other.txt", "final");
    f.Open(onScreen);
    // A project of the name on screen is refused, also in another folder.
    f.prompter.files = {QString::fromStdString(sameName)};
    f.cleanProjectAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Project in use. You cannot delete this project now!");
    EXPECT_TRUE(fs::exists(sameName));
    // No to the first question deletes nothing; Yes, then No keeps the final text file.
    for (const auto& answers :
         {std::deque{Prompter::Answer::No}, std::deque{Prompter::Answer::Yes, Prompter::Answer::No}}) {
        f.prompter.files = {QString::fromStdString(other)};
        f.prompter.answers = answers;
        f.cleanProjectAction->trigger();
        for (const char* name : {"other.vprj", "00001_other.wav", "00003_other.wav", "00003_other.txt"})
            EXPECT_EQ(fs::exists(b + "/" + name), answers.size() == 1) << name;
    }
    EXPECT_TRUE(fs::exists(b + "/other.txt") && fs::exists(b + "/00001_talk.wav"));
    // Yes, Yes on the project file of the same name once another project is on screen.
    f.Open(MakeProjectOnDisk(b, 1, {}, "third"));
    test::Touch(b + "/talk.txt", "final");
    f.prompter.files = {QString::fromStdString(sameName)};
    f.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    f.cleanProjectAction->trigger();
    for (const std::string& gone : {sameName, b + "/talk.txt", b + "/00002_talk.txt"})
        EXPECT_FALSE(fs::exists(gone)) << gone;
    EXPECT_TRUE(fs::exists(onScreen));
}

// The final text file and the export both take the text in the box; each
// failure names its file.
TEST(ProjectWindow, FinalTextAndExportIncludeTheTextInTheBox) {
    Window f;
    f.Open(MakeProjectOnDisk(f.Folder(), 4, {{2, "hello world"}, {4, "good bye"}}));
    f.Type(" A: hi\nwo_");
    f.createTextFileAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(f.prompter.messages[0].text.contains(QString::fromStdString(f.Folder() + "/talk.txt")));
    EXPECT_EQ(Slurp(f.Folder() + "/talk.txt"), "hello world \nA: hi wogood bye ");
    fs::remove(f.Folder() + "/talk.txt");
    fs::create_directory(f.Folder() + "/talk.txt");
    f.createTextFileAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_TRUE(f.prompter.messages[1].text.startsWith("Cannot create the text file:"));

    f.transcriptEdit->setPlainText("A: hello, world again");
    f.prompter.picks = {5};
    f.prompter.files = {QString::fromStdString(f.Folder() + "/out.csv")};
    f.exportAction->trigger();
    EXPECT_EQ(f.prompter.proposals, QStringList{QString::fromStdString(f.Folder() + "/talk.csv")});
    // 800 frames each at 16 kHz: boundaries at samples 799, 1598 and 2397, the end at 3197.
    EXPECT_EQ(Slurp(f.Folder() + "/out.csv"), "segment,start,end,speaker,text\r\n"
                                              "1,0.000000,0.049938,,\r\n"
                                              "2,0.049938,0.099875,A,\"hello, world again\"\r\n"
                                              "3,0.099875,0.149813,,\r\n"
                                              "4,0.149813,0.199813,A,good bye\r\n");
    fs::remove(f.Folder() + "/00003_talk.wav");
    f.prompter.picks = {0};
    f.prompter.files = {QString::fromStdString(f.Folder() + "/out.srt")};
    f.exportAction->trigger();
    ASSERT_EQ(f.prompter.messages.size(), 3u);
    EXPECT_TRUE(
        f.prompter.messages[2].text.endsWith(QString::fromStdString(f.Folder() + "/00003_talk.wav")) &&
        !fs::exists(f.Folder() + "/out.srt"));
}

// Every way of closing after an open stops playback, saves the typed text,
// asks once (Cancel keeps the window), destroys the option dialogs and removes
// the slowed copies (1 to 5000 after an open) and the pitch track.
TEST(ProjectWindow, EveryWayOfClosingSavesTheTypedTextAndCleansUp) {
    enum class Way { Button, CloseBox, Esc };
    for (const auto& [way, answer] : {std::pair{Way::Button, Prompter::Answer::No},
                                      {Way::CloseBox, Prompter::Answer::Yes},
                                      {Way::Esc, Prompter::Answer::No}}) {
        SCOPED_TRACE(static_cast<int>(way));
        Window g;
        g.Open(MakeProjectOnDisk(g.Folder(), 5, {}));
        const char* temporary[] = {"00004_talk_y.wav", "dosya.ptc"};
        for (const char* name : temporary)
            test::Touch(g.Folder() + "/" + name, "x");
        g.dialog.OnSegmentOptions();
        g.dialog.OnPlaybackOptions();
        g.Type("last words");
        g.prompter.answers = {Prompter::Answer::Cancel, answer, Prompter::Answer::No};
        g.dialog.close();
        EXPECT_TRUE(g.dialog.isVisible());
        g.prompter.messages.clear();
        if (way == Way::Button)
            QTest::mouseClick(g.closeButton, Qt::LeftButton);
        else if (way == Way::CloseBox)
            g.dialog.close();
        else
            QTest::keyClick(g.transcriptEdit, Qt::Key_Escape);
        EXPECT_TRUE(!g.dialog.isVisible() && g.playbackState == PlaybackState::Closed);
        EXPECT_EQ(Slurp(g.Folder() + "/00002_talk.txt"), "last words");
        const bool yes = answer == Prompter::Answer::Yes;
        ASSERT_EQ(g.prompter.messages.size(), yes ? 2u : 1u);
        EXPECT_TRUE(g.prompter.messages[0].caption == "Close" &&
                    g.prompter.messages[0].buttons == Prompter::Buttons::YesNoCancel);
        EXPECT_EQ(fs::exists(g.Folder() + "/talk.txt"), yes);
        for (const char* name : temporary)
            EXPECT_FALSE(fs::exists(g.Folder() + "/" + name)) << name;
        EXPECT_TRUE(g.segmentOptionsDlg == nullptr && g.playbackOptionsDlg == nullptr);
    }
}

// The option dialogs are made once; Cancel stores nothing but keeps the typed
// text for the next showing. Segmentation's OK asks for a new project only
// for a real change (a value that rounds to the stored one is none) and only
// outside the set-up.
TEST(ProjectWindow, OptionDialogs) {
    Window f;
    f.dialog.OnSegmentOptions();
    QDialog* segment = f.segmentOptionsDlg;
    // The field, the text typed into it, the answer to a question, and the questions asked so far.
    // In the set-up the Yes opened, the last change asks nothing.
    // clang-format off
    const std::tuple<const char*, const char*, Prompter::Answer, size_t> cases[] = {
        {"maxSegmentLength", "3", Prompter::Answer::No, 0}, {"maxSegmentLength", "5", Prompter::Answer::No, 1},
        {"maxSegmentLength", "5.9", Prompter::Answer::No, 1}, {"speechEndThreshold", "0.126", Prompter::Answer::Yes, 2},
        {"maxSegmentLength", "7", Prompter::Answer::No, 2}};
    // clang-format on
    for (const auto& [field, typed, answer, questions] : cases) {
        SCOPED_TRACE(std::string(field) + " = " + typed);
        f.prompter.answers = {answer};
        segment->findChild<QLineEdit*>(field)->setText(typed);
        segment->accept();
        EXPECT_EQ(f.prompter.messages.size(), questions);
    }
    EXPECT_EQ(f.dialog.windowTitle(), "Lectorio - New Project");
    EXPECT_EQ(std::pair(f.segmentationOptions.maxSegmentLength, f.segmentationOptions.endThreshold),
              std::pair(7, 0.13f));
    f.dialog.OnSegmentOptions();
    EXPECT_EQ(f.segmentOptionsDlg, segment);

    f.dialog.OnPlaybackOptions();
    QDialog* playback = f.playbackOptionsDlg;
    auto* rewind = playback->findChild<QLineEdit*>("rewindTime");
    rewind->setText("3");
    playback->findChild<QCheckBox*>("skipSilenceFiles")->setChecked(false);
    QTest::mouseClick(playback->findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_TRUE(f.playbackOptions.rewindSeconds == 3 && !f.playbackOptions.skipSilenceFiles);
    f.dialog.OnPlaybackOptions();
    rewind->setText("12");
    QTest::mouseClick(playback->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(f.playbackOptions.rewindSeconds, 3);
    f.dialog.OnPlaybackOptions();
    EXPECT_EQ(rewind->text(), "12");
}

} // namespace
} // namespace lectorio
