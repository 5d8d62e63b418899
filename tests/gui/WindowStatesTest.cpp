// SPDX-License-Identifier: GPL-3.0-or-later
// A project of no segments, and the standard shortcuts beside the window's
// own keys.
#include "WindowFixtures.h"

#include <QAction>

#include <functional>

namespace lectorio {
namespace {

class WindowStatesTest : public testing::Test {
protected:
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
};

TEST_F(WindowStatesTest, AProjectOfNoSegmentsShowsOnlyItsCount) {
    f.MakeProject(0);
    d.OnNextSegment();
    for (int go = 0; go < 2; ++go) {
        EXPECT_EQ(d.totalLabel->text(), "/0");
        EXPECT_EQ(d.segmentNumberEdit->text(), "");
        EXPECT_FALSE(d.nextButton->isEnabled() || d.previousButton->isEnabled());
        d.segmentNumberEdit->setText("3");
        QTest::mouseClick(d.goButton, Qt::LeftButton);
        d.segmentNumberEdit->clear();
    }
    EXPECT_EQ(d.state.currentSegment, 0);
}

TEST_F(WindowStatesTest, StandardShortcutsBesideTheWindowsKeys) {
    f.OpenProject(5, true);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, [this] { return d.state.currentSegment == 4; }},
        {Qt::Key_N, Qt::ControlModifier, [this] { return d.windowTitle() == "Lectorio - New Project"; }},
        {Qt::Key_O, Qt::ControlModifier, [this] { return f.prompter.filters.size() == 1; }},
        {Qt::Key_F1, Qt::NoModifier,
         [this] { return f.prompter.Texts() == std::vector<QString>{"Cannot open the help file!"}; }},
        // Ctrl+Q closes as "Close" does: the closing question comes first.
        {Qt::Key_Q, Qt::ControlModifier,
         [this] { return !d.isVisible() && f.prompter.messages.size() == 2; }},
    };
    for (const Case& c : cases) {
        QTest::keyClick(d.transcriptEdit, c.key, c.modifiers);
        EXPECT_TRUE(c.done()) << QKeySequence(c.key | c.modifiers).toString().toStdString();
    }
}

} // namespace
} // namespace lectorio
