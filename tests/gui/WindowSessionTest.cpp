// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a user meets it: the set-up and its refusals, a run, a
// stopped run, closing during a run, moving between segments with the
// buttons and the keys, and a transcript that cannot be saved.
#include "WindowFixtures.h"

#include "RunProgram.h"

#include <cmath>
#include <filesystem>
#include <sstream>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

TEST(QtPrompterFilter, PairsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("Sound|*.wav;*.WAV|Projects (*.vprj)|*.vprj||"),
              "Sound (*.wav *.WAV);;Projects (*.vprj)");
    EXPECT_EQ(QtFileFilter("Text (*.txt)"), "Text (*.txt)");
}

// The set-up with its browse buttons, then a run on three tone bursts between
// seconds of digital silence: until it ends nothing else may start or touch
// the project. A run stopped with Esc leaves nothing and brings back the
// project before it; closing during a run waits for its end.
TEST(WindowSession, SetUpARunAStoppedRunAndClosingDuringARun) {
    Window f;
    f.newProjectAction->trigger();
    EXPECT_EQ(f.dialog.windowTitle(), "Lectorio - New Project");
    // The input browser names the project after the file; a cancel empties the name only.
    f.prompter.files = {"/rec/Interview 3.flac", ""};
    for (const char* shown : {"/rec/Interview 3.flac|Interview 3", "/rec/Interview 3.flac|"}) {
        f.dialog.OnBrowseInput();
        EXPECT_EQ(f.inputEdit->text() + "|" + f.projectNameEdit->text(), shown);
    }
    f.dialog.OnCancelSetup();
    EXPECT_EQ(f.dialog.windowTitle(), "Lectorio");

    f.dialog.OnNewProject();
    // A second of silence before each half-second burst and after the last.
    std::vector<int16_t> bursts(88000, 0);
    for (size_t i = 0; i < bursts.size(); ++i)
        if (i % 24000 >= 16000)
            bursts[i] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 440 * i / 16000.0));
    const std::string input = f.Folder() + "/16000-1-16-bursts.wav";
    ASSERT_TRUE(WriteWave(input, bursts));
    fs::create_directory(f.Folder() + "/16000-1-16-bursts.lab"); // the label file cannot be written
    f.Start(input, f.Folder(), "bursts");
    ASSERT_TRUE(f.dialog.IsRunActive());
    const QAction* commands[] = {f.newProjectAction, f.openProjectAction, f.cleanProjectAction,
                                 f.createTextFileAction, f.exportAction};
    for (const QAction* command : commands)
        EXPECT_FALSE(command->isEnabled()) << command->text().toStdString();
    // Changed options offer no new project during the run.
    f.dialog.OnSegmentOptions();
    f.segmentOptionsDlg->findChild<QLineEdit*>("maxSegmentLength")->setText("7");
    f.segmentOptionsDlg->accept();
    f.Start(input, f.Folder(), "second");
    for (const auto command : {&CVorlaDlg::OnNewProject, &CVorlaDlg::OnOpenProject,
                               &CVorlaDlg::OnCleanProject, &CVorlaDlg::OnNextSegment})
        (f.dialog.*command)();
    EXPECT_TRUE(f.prompter.messages.empty());
    ASSERT_TRUE(WaitUntil([&] { return !f.dialog.IsRunActive() && f.navigation.navigationStarted; }));
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    const QString& unwritten = f.prompter.messages[0].text;
    EXPECT_TRUE(unwritten.startsWith("1 files of the project could not be written") &&
                unwritten.contains("bursts.lab"));
    // The run ends in the transcription layout, playing its first speech segment.
    EXPECT_EQ(f.dialog.windowTitle(), "Lectorio - bursts");
    EXPECT_TRUE(!f.IsSetupShown() && f.dialog.focusWidget() == f.transcriptEdit);
    for (const QAction* command : commands)
        EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
    const int32_t count = f.state.segmentCount;
    ASSERT_GE(count, 2) << "the run found no speech";
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(fs::exists(f.state.SegmentTextPath(n))) << n;
    EXPECT_EQ(f.segmentNumberEdit->text() + f.totalLabel->text(), QStringLiteral("2/%1").arg(count));
    EXPECT_TRUE(f.JustStarted());

    // A run stopped with Esc; the box's text is saved before it starts, and
    // Tab plays nothing while it runs.
    const std::string out = f.Folder() + "/out", longInput = f.Folder() + "/long.wav";
    fs::create_directory(out);
    ASSERT_TRUE(WriteWave(longInput, std::vector<int16_t>(5500000, 0))); // more than one block
    f.Type("typed in bursts");
    f.dialog.OnNewProject();
    f.Start(longInput, out, "run");
    ASSERT_TRUE(f.dialog.IsRunActive());
    f.FlushSaves();
    EXPECT_EQ(Slurp(f.Folder() + "/00002_bursts.txt"), "typed in bursts");
    QTest::keyClick(f.transcriptEdit, Qt::Key_Tab);
    EXPECT_EQ(f.playbackState, PlaybackState::Closed);
    QTest::keyClick(f.transcriptEdit, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !f.dialog.IsRunActive(); }, 120000));
    QTest::qWait(0);
    EXPECT_TRUE(f.dialog.isVisible() && f.IsSetupShown());
    EXPECT_TRUE(fs::is_empty(out) && !fs::exists(f.Folder() + "/long.lab"));
    EXPECT_EQ(f.state.projectName + std::to_string(f.state.currentSegment), "bursts2");
    EXPECT_TRUE(f.openProjectAction->isEnabled() && f.createTextFileAction->isEnabled());
    EXPECT_EQ(f.prompter.messages.size(), 1u);

    f.dialog.OnNewProject();
    f.Start(input, f.Folder(), "again");
    ASSERT_TRUE(f.dialog.IsRunActive());
    f.dialog.close();
    EXPECT_TRUE(f.dialog.isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !f.dialog.isVisible(); }));
    EXPECT_TRUE(f.dialog.windowTitle() == "Lectorio - again" && f.state.projectOpen);
}

TEST(WindowSession, StartRefusalsInTheirOrderWithTheirMessages) {
    Window f;
    f.dialog.OnNewProject();
    const std::string folder = f.Folder(), rec = folder + "/rec.wav", notWave = folder + "/notes.wav";
    ASSERT_TRUE(WriteWave(rec, std::vector<int16_t>(16000, 0)));
    ASSERT_TRUE(WriteFileAtomically(notWave, "just some words"));
    ASSERT_TRUE(WriteFileAtomically(folder + "/rec.vprj", "3 " + folder));
    ASSERT_TRUE(WriteFileAtomically(folder + "/pair_y.vprj", "3 " + folder));
    // Input, output and name; the start of the message and its caption; whether
    // the project is taken over before the refusal.
    const std::tuple<std::string, std::string, std::string, QString, QString, bool> cases[] = {
        {"", "", "x", "Please select an input file.", "No Input File", false},
        {"in.wav", "", "x", "Please select an output folder.", "No Output Folder", false},
        {rec, folder, "a/b", "The project name cannot be part of a file name", "Project Name", false},
        // A project "rec" exists, but the folder check comes before the same-name question.
        {rec, folder + "/missing", "rec", "The output folder does not exist or cannot be written.",
         "No Output Folder", false},
        // The same-name question, answered No.
        {rec, folder, "rec", "A project with the same name already exists, do you want to continue?", "",
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
    for (const auto& [input, output, name, text, caption, committed] : cases) {
        SCOPED_TRACE(input + " | " + output + " | " + name);
        f.state = ProjectState{};
        f.state.projectName = "earlier";
        f.prompter.messages.clear();
        f.Start(input, output, name);
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        const auto& shown = f.prompter.messages[0];
        EXPECT_TRUE(shown.text.startsWith(text) && shown.caption == caption) << shown.text.toStdString();
        EXPECT_EQ(f.state.projectName + "|" + f.state.outputFolder,
                  committed ? "talk|" + folder : "earlier|");
        EXPECT_TRUE(f.IsSetupShown() && !f.dialog.IsRunActive() && f.inputEdit->text() == input.c_str());
    }
}

// A recording that fails to decode part way: the segments made are kept
// only when the user agrees.
TEST(WindowSession, RecordingThatFailsToDecodePartWayIsKeptOnlyWhenTheUserAgrees) {
    Window f;
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
        f.dialog.OnNewProject();
        f.Start(flac, f.Folder(), "talk");
        ASSERT_TRUE(WaitUntil([&] { return !f.dialog.IsRunActive(); }));
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        EXPECT_TRUE(
            f.prompter.messages[0].text.startsWith("The recording could not be decoded to its end ("));
        EXPECT_EQ(std::tuple(f.state.segmentCount > 2, fs::exists(f.state.SegmentWavePath(1)),
                             fs::exists(flac + ".lab")),
                  std::tuple(keep, keep, keep));
    }
}

// A walk through a project of `count` segments of 50 ms: "n4" is Next
// showing segment 4, "p2" Previous showing 2, "gabc>2" Go with "abc" typed
// showing 2 (0: no segment shown). Each move plays the segment shown from its
// start, unless marked "-", and saves the box into the segment left, unless
// marked "!" (it does nothing at all).
TEST(WindowSession, MovesFollowTheSkipRuleAndSaveTheSegmentLeft) {
    // Skipping (odd segments are silence), even count: the last segment is
    // reached; Next there and "<---" at the first speech segment replay it.
    // Skipping, odd count: Next stays on the last speech segment, silently.
    // Not skipping: every segment, and "<---" does nothing at segment 1. Go
    // with letters goes to the first segment shown, above the count to the
    // last one, to an odd number the following speech segment. One segment:
    // silence only, when skipping.
    const std::tuple<int32_t, bool, const char*> routes[] = {{6, true, "n2 n4 n6 n6 p4 p2 p2"},
                                                             {5, true, "n2 n4 n4-"},
                                                             {3, false, "n1 p1! n2 n3"},
                                                             {7, true, "n2 n4 gabc>2 g99>6 g3>4"},
                                                             {7, false, "n1 gx>1 g1000>7"},
                                                             {1, true, "n0- g1>0-"},
                                                             {1, false, "n1 g5>1"},
                                                             {0, true, "n0- g3>0- g>0-"}};
    for (const auto& [count, skipSilence, route] : routes) {
        Window g;
        g.transcriptEdit->setPlainText("left from an earlier project");
        g.MakeProject(count, 50, skipSilence);
        int32_t shown = 0;
        std::istringstream moves(route);
        for (std::string move; moves >> move;) {
            SCOPED_TRACE(::testing::Message() << count << " " << route << ": " << shown << " " << move);
            const size_t arrow = move.find('>');
            const int32_t next = std::stoi(move.substr(arrow == std::string::npos ? 1 : arrow + 1));
            const QString typed = QStringLiteral("typed at %1").arg(shown);
            if (shown > 0)
                g.transcriptEdit->setPlainText(typed);
            g.Advance(20);
            if (move[0] == 'g')
                g.segmentNumberEdit->setText(QString::fromStdString(move.substr(1, arrow - 1)));
            (g.dialog.*(move[0] == 'n'   ? &CVorlaDlg::OnNextSegment
                        : move[0] == 'p' ? &CVorlaDlg::OnPreviousSegment
                                         : &CVorlaDlg::OnGoToSegment))();
            // The box is disabled when no segment is shown: nothing to type into.
            EXPECT_EQ(std::tuple(g.state.currentSegment, g.JustStarted(), g.totalLabel->text(),
                                 g.transcriptEdit->isEnabled()),
                      std::tuple(next, move.back() != '-' && move.back() != '!',
                                 QStringLiteral("/%1").arg(count), next > 0));
            if ((shown > 0 || next > 0) && move.back() != '!') {
                g.FlushSaves();
                EXPECT_EQ(Slurp(g.state.SegmentTextPath(shown > 0 ? shown : next)),
                          shown > 0 ? typed.toStdString() : "");
            }
            shown = next;
            if (shown == 0) {
                EXPECT_TRUE(count > 0 || !(g.nextButton->isEnabled() || g.previousButton->isEnabled()));
                continue;
            }
            EXPECT_EQ(g.playbackPath, g.state.SegmentWavePath(shown));
            // "<---" stays disabled also while segment 1 plays.
            EXPECT_EQ(std::tuple(g.segmentNumberEdit->text().toInt(), g.nextButton->isEnabled(),
                                 g.previousButton->isEnabled(), g.transcriptEdit->hasFocus()),
                      std::tuple(shown, shown != count, shown != 1, true));
        }
        EXPECT_TRUE(g.prompter.messages.empty());
    }
}

// The transcript box's keys: Enter and Page Up move on, Page Down back, Tab
// plays and Shift+Tab pauses wherever the focus is; the menu's shortcuts act
// beside them. A two-line transcript comes back on one line, and text typed
// into a silence segment is saved whatever the skip rule.
TEST(WindowSession, KeysInTheTranscriptBox) {
    Window f;
    f.MakeProject(6, 50, false);
    f.dialog.OnNextSegment();
    QTest::keyClicks(f.transcriptEdit, "said in a pause");
    f.transcriptEdit->appendPlainText("100% sure %s %d");
    f.playbackOptions.skipSilenceFiles = true;
    QTest::keyClick(f.transcriptEdit, Qt::Key_Return);
    f.FlushSaves();
    EXPECT_EQ(std::to_string(f.state.currentSegment) + Slurp(f.state.SegmentTextPath(1)),
              "2said in a pause\n100% sure %s %d");
    QTest::keyClicks(f.transcriptEdit, "last");
    f.playbackOptions.skipSilenceFiles = false;
    QTest::keyClick(f.transcriptEdit, Qt::Key_PageDown);
    f.FlushSaves();
    EXPECT_EQ(std::to_string(f.state.currentSegment) + Slurp(f.state.SegmentTextPath(2)), "1last");
    EXPECT_EQ(f.transcriptEdit->toPlainText(), "said in a pause 100% sure %s %d ");
    QTest::keyClick(f.transcriptEdit, Qt::Key_PageUp);
    EXPECT_EQ(f.state.currentSegment, 2);

    f.Advance(20);
    QTest::keyClick(f.transcriptEdit, Qt::Key_Tab);
    EXPECT_TRUE(f.JustStarted() && f.transcriptEdit->toPlainText() == "last ");
    QTest::keyClick(f.segmentNumberEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.playbackState, PlaybackState::Paused);
    QTest::keyClick(f.transcriptEdit, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(f.dialog.windowTitle(), "Lectorio - New Project");
    QTest::keyClick(f.transcriptEdit, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.prompter.filters.size(), 1);
    // Ctrl+Q closes as "Close" does: the closing question comes first.
    QTest::keyClick(f.transcriptEdit, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(!f.dialog.isVisible() && f.prompter.messages.size() == 1u &&
                f.prompter.messages[0].caption == "Close");
}

// A transcript that cannot be written stops the command that leaves it; the
// user retries, saves the text elsewhere, or (closing only) closes anyway. A
// save that fails on the disk's side after the move (the name became a
// folder) is asked about as soon as it has failed.
TEST(WindowSession, FailedSaveStopsTheCommandAndKeepsTheText) {
    // What happens, whether closing, the choices and answers given, whether the
    // command goes on, whether the text is saved elsewhere, and whether the save
    // fails only after the move.
    const std::tuple<const char*, bool, std::deque<int>, std::deque<Prompter::Answer>, bool, bool, bool>
        cases[] = {
            {"cancel", false, {}, {}, false, false, false},
            {"another file", false, {1}, {}, true, true, false},
            {"close anyway", true, {2}, {Prompter::Answer::Yes}, true, false, false},
            {"close anyway, then no", true, {2}, {Prompter::Answer::No}, false, false, false},
            {"failing after the move, another file", false, {1}, {}, true, true, true},
        };
    for (const auto& [what, closing, picks, answers, goesOn, savedElsewhere, late] : cases) {
        SCOPED_TRACE(what);
        Window g;
        TempFolder elsewhere;
        g.MakeProject(6);
        g.dialog.OnNextSegment();
        g.Type("precious words");
        const std::string segment = g.state.SegmentTextPath(2);
        g.FlushSaves();
        fs::remove_all(late ? segment : g.Folder());
        if (late)
            fs::create_directory(segment);
        g.prompter.picks = picks;
        g.prompter.answers = answers;
        g.prompter.files = {QString::fromStdString(elsewhere.File("kept.txt"))};
        closing ? (void)g.dialog.close() : g.dialog.OnNextSegment();
        g.FlushSaves();
        QCoreApplication::processEvents();
        // The question; the segment's sound file gone too gives playback errors before it.
        const auto asked = std::find_if(g.prompter.messages.begin(), g.prompter.messages.end(),
                                        [](const auto& shown) { return !shown.choices.empty(); });
        ASSERT_NE(asked, g.prompter.messages.end());
        EXPECT_TRUE(asked->caption == "Error" && asked->text.contains(QString::fromStdString(segment)));
        EXPECT_EQ(asked->choices.size(), closing ? 4 : 3);
        EXPECT_EQ(asked->text.endsWith("The text is still in the transcript box."), !late);
        EXPECT_EQ(Slurp(elsewhere.File("kept.txt")), savedElsewhere ? "precious words" : "");
        EXPECT_EQ(closing ? !g.dialog.isVisible() : g.state.currentSegment == 4, goesOn);
        EXPECT_TRUE(goesOn || g.transcriptEdit->toPlainText() == "precious words");
    }
}

} // namespace
} // namespace lectorio
