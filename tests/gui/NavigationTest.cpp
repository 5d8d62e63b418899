// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixtures.h"

#include <filesystem>
#include <sstream>

namespace lectorio {
namespace {

class NavigationTest : public testing::Test {
protected:
    std::string Text(int32_t n) { return Slurp(d.state.SegmentTextPath(n)); }
    QString Box() { return d.transcriptEdit->toPlainText(); }

    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

// A walk through a project of `count` segments: "n4" is Next showing segment
// 4, "p2" Previous showing 2, "gabc>2" Go with "abc" typed showing 2 (0: no
// segment shown); each move plays the segment shown, unless marked "-", and
// saves the box into the segment left, unless marked "!" (does nothing at all).
struct Route {
    int32_t count;
    bool skipSilence;
    const char* moves;
};

TEST_F(NavigationTest, MovesFollowTheSkipRuleAndSaveTheSegmentLeft) {
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
                            {0, true, "n0- g>0-"}};
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
                EXPECT_EQ(Slurp(w.state.SegmentTextPath(shown > 0 ? shown : next)),
                          shown > 0 ? typed.toStdString() : "");
            }
            EXPECT_EQ(w.transcriptEdit->isEnabled(), next > 0); // nothing to type into otherwise
            shown = next;
            if (shown == 0)
                continue;
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

TEST_F(NavigationTest, EnterInTheTranscriptBoxMovesOnAndTranscriptsSurviveMoves) {
    f.OpenProject(4, true);
    QTest::keyClicks(d.transcriptEdit, "first line");
    d.transcriptEdit->appendPlainText("100% sure %s %d");
    QTest::keyClick(d.transcriptEdit, Qt::Key_Return);
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(Text(2), "first line\n100% sure %s %d");
    QTest::keyClicks(d.transcriptEdit, "last");
    // Page Down goes back; the two-line text comes back on one line.
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageDown);
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_EQ(Text(4), "last");
    EXPECT_EQ(Box(), "first line 100% sure %s %d ");
    // Page Up goes forward again.
    QTest::keyClick(d.transcriptEdit, Qt::Key_PageUp);
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(Box(), "last ");
    EXPECT_EQ(Text(2), "first line 100% sure %s %d ");
}

TEST_F(NavigationTest, TabPlaysAndShiftTabPausesInsteadOfMovingTheFocus) {
    f.OpenProject(4, true);
    const int plays = d.plays;
    QTest::keyClick(d.transcriptEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 1);
    EXPECT_EQ(Box(), "");
    EXPECT_TRUE(d.transcriptEdit->hasFocus());
    QTest::keyClick(d.transcriptEdit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(d.pauses, 1);
    // The keys act wherever the focus is in the window.
    d.segmentNumberEdit->setFocus();
    QTest::keyClick(d.segmentNumberEdit, Qt::Key_Tab);
    EXPECT_EQ(d.plays, plays + 2);
}

TEST_F(NavigationTest, TypedTextIsSavedWhateverTheSkipRule) {
    f.OpenProject(6, false);
    d.segmentNumberEdit->setText("3");
    d.OnGoToSegment();
    f.Type("said in a pause");
    d.playbackOptions.skipSilenceFiles = true;
    d.OnNextSegment();
    EXPECT_EQ(d.state.currentSegment, 4);
    EXPECT_EQ(Text(3), "said in a pause");
}

// A transcript that cannot be written stops the command that leaves it; the
// user retries, saves the text elsewhere, or (closing only) closes anyway.
TEST_F(NavigationTest, FailedSaveStopsTheCommandAndKeepsTheText) {
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
        std::filesystem::remove_all(g.Folder());
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

} // namespace
} // namespace lectorio
