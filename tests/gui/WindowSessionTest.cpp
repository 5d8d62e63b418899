// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a user meets it: start-up, the set-up and its refusals,
// a run, moving between segments with the buttons and the keys, and a
// transcript that cannot be saved.
#include "WaveformView.h"
#include "WindowFixtures.h"

#include "RunProgram.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>

#include <cmath>
#include <filesystem>
#include <sstream>

namespace lectorio {
namespace {

namespace fs = std::filesystem;

void ExpectControls(const std::vector<QWidget*>& controls, bool visible, bool enabled) {
    for (QWidget* w : controls) {
        EXPECT_EQ(w->isVisible(), visible) << w->objectName().toStdString();
        EXPECT_EQ(w->isEnabled(), enabled) << w->objectName().toStdString();
    }
}

TEST(QtPrompterFilter, PairsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("Sound|*.wav;*.WAV|Projects (*.vprj)|*.vprj||"),
              "Sound (*.wav *.WAV);;Projects (*.vprj)");
    EXPECT_EQ(QtFileFilter("Text (*.txt)"), "Text (*.txt)");
}

// Start-up, the set-up with its browse buttons and Cancel, then a run on
// three tone bursts between seconds of digital silence: until it ends
// nothing else may start or touch its files. A run stopped with Esc leaves
// nothing; closing during a run waits for it.
TEST(WindowSession, StartUpSetUpAndARunThatClosingWaitsFor) {
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
    const std::vector<QWidget*> setup{d.inputEdit,          d.browseInputButton, d.outputEdit,
                                      d.browseOutputButton, d.projectNameEdit,   d.startButton,
                                      d.optionsButton,      d.cancelButton};
    const std::vector<QAction*> commands{d.newProjectAction, d.openProjectAction, d.cleanProjectAction,
                                         d.createTextFileAction, d.exportAction};
    EXPECT_EQ(d.windowTitle(), "Lectorio");
    ExpectControls(setup, false, false);
    ExpectControls({d.nextButton, d.previousButton, d.playButton, d.pauseButton, d.goButton,
                    d.segmentNumberEdit, d.transcriptEdit, d.createTextFileButton, d.speedSlider},
                   true, false);
    EXPECT_FALSE(d.cleanProjectAction->isEnabled() || d.createTextFileAction->isEnabled() ||
                 d.exportAction->isEnabled());
    EXPECT_EQ(d.transcriptEdit->placeholderText(),
              "Choose Project > New Project to cut a recording into segments");

    d.newProjectAction->trigger();
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
    ExpectControls(setup, true, true);
    EXPECT_FALSE(d.waveformView->isVisible());
    // The input browser names the project after the file; a cancel empties the name only.
    f.prompter.files = {"/rec/Interview 3.flac", ""};
    QTest::mouseClick(d.browseInputButton, Qt::LeftButton);
    EXPECT_TRUE(f.prompter.filters.at(0).startsWith("Recordings (*.wav *.mp3 "));
    EXPECT_EQ(d.inputEdit->text() + "|" + d.projectNameEdit->text(), "/rec/Interview 3.flac|Interview 3");
    QTest::mouseClick(d.browseInputButton, Qt::LeftButton);
    EXPECT_EQ(d.inputEdit->text() + "|" + d.projectNameEdit->text(), "/rec/Interview 3.flac|");
    // A file dropped on the window fills Input File as the dialog does.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile("/rec/call.m4a")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &drop);
    EXPECT_EQ(d.inputEdit->text() + "|" + d.projectNameEdit->text(), "/rec/call.m4a|call");
    // The folder browser: a first cancel keeps the typed text, a later one
    // puts the last choice back; it starts there and refuses while busy.
    QTest::keyClicks(d.outputEdit, "typed");
    f.prompter.folders = {"", "/data/out/", "", "/data/other"};
    for (const char* shown : {"typed", "/data/out/", "/data/out/"}) {
        QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
        EXPECT_EQ(d.outputEdit->text(), shown);
        d.outputEdit->setText("typed again");
    }
    EXPECT_EQ(f.prompter.folderRequests.at(0).title, "Browse for path");
    EXPECT_EQ(f.prompter.folderRequests.at(2).start, "/data/out");
    d.folderBrowser.busy = true;
    QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
    EXPECT_EQ(f.prompter.folderRequests.size(), 3u);
    d.folderBrowser.busy = false;
    QTest::mouseClick(d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(d.windowTitle(), "Lectorio");
    EXPECT_TRUE(d.waveformView->isVisible());
    EXPECT_EQ(d.inputEdit->text(), "/rec/call.m4a");

    d.OnNewProject();
    // Three half-second 440 Hz bursts between seconds of digital silence.
    std::vector<int16_t> bursts;
    for (int burst = 0; burst < 3; ++burst) {
        bursts.insert(bursts.end(), 16000, 0);
        for (int i = 0; i < 8000; ++i)
            bursts.push_back(static_cast<int16_t>(20000 * std::sin(2 * M_PI * 440 * i / 16000.0)));
    }
    bursts.insert(bursts.end(), 16000, 0);
    const std::string input = f.Folder() + "/16000-1-16-bursts.wav";
    ASSERT_TRUE(WriteWave(input, bursts));
    d.playbackOptions.skipSilenceFiles = true;
    fs::create_directory(f.Folder() + "/16000-1-16-bursts.lab"); // the label file cannot be written
    f.Start(input, f.Folder(), "bursts");
    ASSERT_TRUE(d.IsRunActive());
    for (QAction* command : commands)
        EXPECT_FALSE(command->isEnabled()) << command->text().toStdString();
    EXPECT_FALSE(d.createTextFileButton->isEnabled());
    // Changed options offer no new project during the run.
    d.OnSegmentOptions();
    d.segmentOptionsDlg->findChild<QLineEdit*>("maxSegmentLength")->setText("7");
    d.segmentOptionsDlg->accept();
    f.Start(input, f.Folder(), "second");
    d.OnNewProject();
    d.OnOpenProject();
    d.OnCleanProject();
    d.OnNextSegment();
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(d.state.projectName, "bursts");
    ASSERT_TRUE(WaitUntil([&] { return !d.IsRunActive() && d.navigation.navigationStarted; }));
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].caption, "Error");
    EXPECT_TRUE(f.prompter.messages[0].text.startsWith("1 files of the project could not be written"));
    EXPECT_TRUE(f.prompter.messages[0].text.contains("bursts.lab"));

    // The run ended in the transcription layout on its first speech segment.
    EXPECT_EQ(d.windowTitle(), "Lectorio - bursts");
    EXPECT_FALSE(d.IsSetupShown());
    EXPECT_FALSE(d.progressBar->isVisible() || d.statusLine->isVisible());
    ExpectControls({d.waveformView, d.transcriptEdit, d.goButton}, true, true);
    EXPECT_EQ(d.focusWidget(), d.transcriptEdit);
    for (QAction* command : commands)
        EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
    EXPECT_TRUE(d.transcriptEdit->placeholderText().isEmpty());
    EXPECT_EQ(d.state.inputPath, input);
    const int32_t count = d.state.segmentCount;
    ASSERT_GE(count, 2) << "the run found no speech";
    EXPECT_EQ(d.totalLabel->text(), QStringLiteral("/%1").arg(count));
    for (int32_t n = 1; n <= count; ++n)
        EXPECT_TRUE(fs::exists(d.state.SegmentTextPath(n))) << n;
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(d.segmentNumberEdit->text(), "2");
    EXPECT_EQ(d.plays, 1);
    EXPECT_EQ(d.state.lastRunSegmentCount, count);

    // A run stopped with Esc leaves no file of its own and the project before
    // it on screen; the keys do nothing while it runs.
    const std::string out = f.Folder() + "/out", longInput = f.Folder() + "/long.wav";
    fs::create_directory(out);
    // Longer than one block, so the stop comes before the run's end.
    ASSERT_TRUE(WriteWave(longInput, std::vector<int16_t>(5500000, 0)));
    f.Type("typed in bursts");
    d.OnNewProject();
    const int transport = d.plays + d.pauses;
    f.Start(longInput, out, "run");
    ASSERT_TRUE(d.IsRunActive());
    EXPECT_EQ(Slurp(f.Folder() + "/00002_bursts.txt"), "typed in bursts"); // saved before the run
    QTest::keyClick(d.transcriptEdit, Qt::Key_Tab);
    QTest::keyClick(d.transcriptEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(d.transcriptEdit, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !d.IsRunActive(); }, 120000));
    QTest::qWait(0);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.plays + d.pauses, transport);
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_FALSE(fs::exists(f.Folder() + "/long.lab"));
    EXPECT_TRUE(d.IsSetupShown());
    EXPECT_EQ(d.state.projectName, "bursts");
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_TRUE(d.openProjectAction->isEnabled() && d.createTextFileAction->isEnabled());
    EXPECT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_TRUE(fs::exists(f.Folder() + "/00002_bursts.wav"));

    // Closing during a third run waits for its end.
    d.OnNewProject();
    f.Start(input, f.Folder(), "again");
    ASSERT_TRUE(d.IsRunActive());
    d.close();
    EXPECT_TRUE(d.isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !d.isVisible(); }));
    EXPECT_FALSE(d.IsRunActive());
    EXPECT_EQ(d.windowTitle(), "Lectorio - again");
    EXPECT_TRUE(d.state.projectOpen);
}

TEST(WindowSession, StartRefusalsInTheirOrderWithTheirMessages) {
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
    d.OnNewProject();
    const std::string folder = f.Folder(), rec = folder + "/rec.wav", notWave = folder + "/notes.wav";
    ASSERT_TRUE(WriteWave(rec, std::vector<int16_t>(16000, 0)));
    ASSERT_TRUE(WriteFileAtomically(notWave, "just some words"));
    ASSERT_TRUE(WriteFileAtomically(folder + "/rec.vprj", "3 " + folder));
    ASSERT_TRUE(WriteFileAtomically(folder + "/pair_y.vprj", "3 " + folder));
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " | " + c.output + " | " + c.name);
        d.state = ProjectState{};
        d.state.projectName = "earlier";
        f.prompter.messages.clear();
        const int stops = d.stops;
        f.Start(c.input, c.output, c.name);
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        EXPECT_TRUE(f.prompter.messages[0].text.startsWith(c.text))
            << f.prompter.messages[0].text.toStdString();
        EXPECT_EQ(f.prompter.messages[0].caption, c.caption);
        EXPECT_EQ(d.state.projectName, c.committed ? "talk" : "earlier");
        EXPECT_EQ(d.state.outputFolder, c.committed ? folder : "");
        EXPECT_EQ(d.stops, stops + (c.committed ? 1 : 0));
        EXPECT_TRUE(d.IsSetupShown());
        EXPECT_FALSE(d.IsRunActive());
        EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
        EXPECT_EQ(d.inputEdit->text().toStdString(), c.input);
    }
    // After the last refusal the final text and closing still concern the
    // project on screen, never a file of the refused name.
    d.state.outputFolder = folder;
    d.state.projectOpen = true;
    d.OnCreateTextFile();
    d.close();
    EXPECT_TRUE(fs::exists(folder + "/earlier.txt"));
    EXPECT_FALSE(fs::exists(folder + "/talk.txt"));
}

// A recording that fails to decode part way: the segments made are kept
// only when the user agrees.
TEST(WindowSession, RecordingThatFailsToDecodePartWayIsKeptOnlyWhenTheUserAgrees) {
    ProjectFixture f;
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
        EXPECT_EQ(f.dialog.state.segmentCount > 2, keep);
        EXPECT_EQ(fs::exists(f.dialog.state.SegmentWavePath(1)), keep);
        EXPECT_EQ(fs::exists(flac + ".lab"), keep);
    }
}

// A walk through a project of `count` segments: "n4" is Next showing segment
// 4, "p2" Previous showing 2, "gabc>2" Go with "abc" typed showing 2 (0: no
// segment shown); each move plays the segment shown, unless marked "-", and
// saves the box into the segment left, unless marked "!" (does nothing at all).
TEST(WindowSession, MovesFollowTheSkipRuleAndSaveTheSegmentLeft) {
    struct Route {
        int32_t count;
        bool skipSilence;
        const char* moves;
    };
    // Skipping, even count: the last segment is reached; Next there and "<---"
    // at the first speech segment replay it. Skipping, odd count: Next stays
    // on the last speech segment, silently. Not skipping: every segment, and
    // "<---" does nothing at segment 1. Go with letters goes to the first
    // segment shown, above the count to the last one, to an odd number the
    // following speech segment. One segment: silence only, when skipping.
    const Route routes[] = {{6, true, "n2 n4 n6 n6 p4 p2 p2"},
                            {5, true, "n2 n4 n4-"},
                            {3, false, "n1 p1! n2 n3"},
                            {7, true, "n2 n4 gabc>2 g99>6 g3>4"},
                            {7, false, "n1 gx>1 g1000>7"},
                            {1, true, "n0- g1>0-"},
                            {1, false, "n1"},
                            {0, true, "n0- g3>0- g>0-"}};
    for (const Route& route : routes) {
        ProjectFixture g;
        WatchedDlg& w = g.dialog;
        w.transcriptEdit->setPlainText("left from an earlier project");
        w.playbackOptions.skipSilenceFiles = route.skipSilence;
        g.MakeProject(route.count);
        int32_t shown = 0;
        std::istringstream moves(route.moves);
        for (std::string move; moves >> move;) {
            SCOPED_TRACE(std::to_string(route.count) + (route.skipSilence ? " skipping, " : ", ") +
                         std::to_string(shown) + " " + move);
            const bool plays = move.back() != '-' && move.back() != '!';
            const size_t arrow = move.find('>');
            const int32_t next = std::stoi(move.substr(arrow == std::string::npos ? 1 : arrow + 1));
            const QString typed = QStringLiteral("typed at %1").arg(shown);
            if (shown > 0)
                w.transcriptEdit->setPlainText(typed);
            const int playsBefore = w.plays;
            if (move[0] == 'n')
                w.OnNextSegment();
            else if (move[0] == 'p')
                w.OnPreviousSegment();
            else {
                w.segmentNumberEdit->setText(QString::fromStdString(move.substr(1, arrow - 1)));
                QTest::mouseClick(w.goButton, Qt::LeftButton);
            }
            EXPECT_EQ(w.state.currentSegment, next);
            EXPECT_EQ(w.plays, playsBefore + (plays ? 1 : 0));
            EXPECT_EQ(w.totalLabel->text(), QStringLiteral("/%1").arg(route.count));
            // Every move saves the box into the segment left; the first saves nothing.
            if ((shown > 0 || next > 0) && move.back() != '!') {
                w.FlushSaves();
                EXPECT_EQ(Slurp(w.state.SegmentTextPath(shown > 0 ? shown : next)),
                          shown > 0 ? typed.toStdString() : "");
            }
            EXPECT_EQ(w.transcriptEdit->isEnabled(), next > 0); // nothing to type into otherwise
            shown = next;
            if (shown == 0) {
                EXPECT_TRUE(route.count > 0 || !(w.nextButton->isEnabled() || w.previousButton->isEnabled()));
                continue;
            }
            EXPECT_EQ(w.segmentNumberEdit->text().toInt(), shown);
            EXPECT_EQ(w.playbackPath, w.state.SegmentWavePath(shown));
            EXPECT_EQ(w.nextButton->isEnabled(), shown != route.count);
            // "<---" at segment 1 is disabled by playback, which is counted here.
            EXPECT_TRUE(w.previousButton->isEnabled() || shown == 1);
            EXPECT_TRUE(w.transcriptEdit->hasFocus());
        }
        EXPECT_TRUE(g.prompter.messages.empty());
    }
}

// The transcript box's keys: Enter and Page Up move on, Page Down back, Tab
// plays and Shift+Tab pauses wherever the focus is; the standard shortcuts
// act beside them. A two-line transcript comes back on one line, and typed
// text is saved whatever the skip rule.
TEST(WindowSession, KeysInTheTranscriptBox) {
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
    f.OpenProject(6, false);
    d.segmentNumberEdit->setText("3");
    d.OnGoToSegment();
    QTest::keyClicks(d.transcriptEdit, "said in a pause");
    d.transcriptEdit->appendPlainText("100% sure %s %d");
    d.playbackOptions.skipSilenceFiles = true;
    QTest::keyClick(d.transcriptEdit, Qt::Key_Return);
    EXPECT_EQ(d.state.currentSegment, 4);
    d.FlushSaves();
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(3)), "said in a pause\n100% sure %s %d");
    QTest::keyClicks(d.transcriptEdit, "last");
    d.playbackOptions.skipSilenceFiles = false;
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageDown);
    EXPECT_EQ(d.state.currentSegment, 3);
    d.FlushSaves();
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(4)), "last");
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "said in a pause 100% sure %s %d ");
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageUp);
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "last ");
    d.FlushSaves();
    EXPECT_EQ(Slurp(d.state.SegmentTextPath(3)), "said in a pause 100% sure %s %d ");

    const int plays = d.plays;
    QTest::keyClick(d.transcriptEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 1);
    EXPECT_EQ(d.transcriptEdit->toPlainText(), "last ");
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    QTest::keyClick(d.transcriptEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(d.pauses, 1);
    d.segmentNumberEdit->setFocus();
    QTest::keyClick(d.segmentNumberEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 2);

    QTest::keyClick(d.transcriptEdit, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
    QTest::keyClick(d.transcriptEdit, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.prompter.filters.size(), 1u);
    QTest::keyClick(d.transcriptEdit, Qt::Key_F1);
    ASSERT_EQ(f.prompter.messages.size(), 1u);
    EXPECT_EQ(f.prompter.messages[0].text, "Cannot open the help file!");
    // Ctrl+Q closes as "Close" does: the closing question comes first.
    QTest::keyClick(d.transcriptEdit, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(f.prompter.messages.size(), 2u);
}

// A transcript that cannot be written stops the command that leaves it; the
// user retries, saves the text elsewhere, or (closing only) closes anyway.
TEST(WindowSession, FailedSaveStopsTheCommandAndKeepsTheText) {
    const struct {
        const char* what;
        bool closing;
        std::deque<int> picks;
        std::deque<Prompter::Answer> answers;
        bool goesOn;
        bool savedElsewhere;
    } cases[] = {
        {"cancel", false, {}, {}, false, false},
        {"another file", false, {1}, {}, true, true},
        {"close anyway", true, {2}, {Prompter::Answer::Yes}, true, false},
        {"close anyway, then no", true, {2}, {Prompter::Answer::No}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProjectFixture g;
        TempFolder elsewhere;
        g.OpenProject(6, true);
        g.Type("precious words");
        const std::string segment = g.dialog.state.SegmentTextPath(2);
        g.dialog.FlushSaves();
        fs::remove_all(g.Folder());
        g.prompter.picks = c.picks;
        g.prompter.answers = c.answers;
        g.prompter.files = {QString::fromStdString(elsewhere.File("kept.txt"))};
        if (c.closing)
            g.dialog.close();
        else
            g.dialog.OnNextSegment();
        ASSERT_FALSE(g.prompter.messages.empty());
        EXPECT_EQ(g.prompter.messages[0].caption, "Error");
        EXPECT_TRUE(g.prompter.messages[0].text.contains(QString::fromStdString(segment)));
        EXPECT_EQ(g.prompter.messages[0].choices.size(), c.closing ? 4 : 3);
        EXPECT_EQ(Slurp(elsewhere.File("kept.txt")), c.savedElsewhere ? "precious words" : "");
        if (c.closing) {
            EXPECT_EQ(g.dialog.isVisible(), !c.goesOn);
        } else {
            EXPECT_EQ(g.dialog.state.currentSegment, c.goesOn ? 4 : 2);
        }
        if (!c.goesOn) {
            EXPECT_EQ(g.dialog.transcriptEdit->toPlainText(), "precious words");
        }
    }
}

// A save that fails on the disk's side after the move (the name became a
// folder) is asked about at once, and its text can still be kept.
TEST(WindowSession, SaveFailingAfterTheMoveIsAskedAbout) {
    ProjectFixture g;
    TempFolder elsewhere;
    g.OpenProject(6, true);
    fs::remove(g.dialog.state.SegmentTextPath(2));
    fs::create_directory(g.dialog.state.SegmentTextPath(2));
    g.Type("precious words");
    g.prompter.picks = {1};
    g.prompter.files = {QString::fromStdString(elsewhere.File("kept.txt"))};
    g.dialog.OnNextSegment();
    EXPECT_EQ(g.dialog.state.currentSegment, 4);
    g.dialog.FlushSaves();
    QCoreApplication::processEvents();
    ASSERT_EQ(g.prompter.messages.size(), 1u);
    EXPECT_EQ(g.prompter.messages[0].caption, "Error");
    EXPECT_EQ(Slurp(elsewhere.File("kept.txt")), "precious words");
}

} // namespace
} // namespace lectorio
