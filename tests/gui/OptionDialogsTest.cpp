// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "PlaybackOptionsDlg.h"
#include "SegmentOptionsDlg.h"
#include "TestPrompter.h"

using namespace lectorio;

namespace {

// A Segmentation Options dialog over a main window whose set-up controls are
// shown or hidden as `setupShown` says.
struct SegmentFixture {
    SegmentationOptions options;
    TestPrompter prompter;
    bool setupShown = false;
    int newProjects = 0;
    QWidget mainWindow;
    CSegmentOptionsDlg dialog{options, prompter, [this] { return setupShown; }, [this] { ++newProjects; },
                              &mainWindow};

    QLineEdit* Field(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    void Type(const char* name, const QString& text) {
        Field(name)->selectAll();
        QTest::keyClicks(Field(name), text);
    }
};

} // namespace

// Each OK: a change asks for a new project only outside the set-up (a value
// that rounds to the stored one is no change); out-of-range text is replaced
// and the fields are refilled from what was stored.
TEST(SegmentOptionsDlg, OkStoresCorrectedValuesAndAsksOnlyForRealChangesOutsideSetUp) {
    SegmentFixture f;
    struct Case {
        bool setupShown;
        const char* field;
        const char* typed;
        std::deque<Prompter::Answer> answers;
        size_t questions;
        int newProjects;
        const char* shownAfterOk;
    };
    const Case cases[] = {
        {false, "maxSegmentLength", "3", {}, 0, 0, "3"}, // no change
        {false, "maxSegmentLength", "5", {Prompter::Answer::No}, 1, 0, "5"},
        {false, "speechEndThreshold", "0.126", {Prompter::Answer::Yes}, 2, 1, "0.13"},
        {true, "totalEnergyHistory", "40000", {}, 2, 1, "32767"},
        {false, "maxSegmentLength", "5.9", {}, 2, 1, "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.typed);
        f.setupShown = c.setupShown;
        f.prompter.answers = c.answers;
        f.Type(c.field, c.typed);
        f.dialog.accept();
        EXPECT_EQ(f.prompter.messages.size(), c.questions);
        EXPECT_EQ(f.newProjects, c.newProjects);
        EXPECT_EQ(f.Field(c.field)->text(), c.shownAfterOk);
    }
    EXPECT_EQ(f.prompter.messages.at(0).text,
              "You have changed the segmentation options, do you want to start a new project?");
    EXPECT_EQ(f.options.maxSegmentLength, 5);
    EXPECT_EQ(f.options.endThreshold, 0.13f); // a later OK reads the refilled text
    EXPECT_EQ(f.options.energyHistory, 32767);

    // Cancel and Esc keep the typed text for the next showing, and store nothing.
    f.dialog.ShowDialog();
    f.Type("maxSegmentLength", "9");
    QTest::mouseClick(f.dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    f.dialog.ShowDialog();
    f.Type("totalEnergyHistory", "77");
    QTest::keyClick(&f.dialog, Qt::Key_Escape);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.options.maxSegmentLength, 5);
    f.dialog.ShowDialog();
    EXPECT_EQ(f.Field("maxSegmentLength")->text() + f.Field("totalEnergyHistory")->text(), "977");
    f.dialog.findChild<QCheckBox*>("createLabelFile")->setChecked(false);
    QTest::mouseClick(f.dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.options.maxSegmentLength, 9);
    EXPECT_EQ(f.options.energyHistory, 77);
    EXPECT_FALSE(f.options.createLabelFile);
}

TEST(OptionDialogs, EveryTextFitsItsControl) {
    SegmentFixture f;
    PlaybackOptions options;
    CPlaybackOptionsDlg playback(options, nullptr);
    for (QDialog* dialog : {static_cast<QDialog*>(&f.dialog), static_cast<QDialog*>(&playback)}) {
        for (QWidget* w : dialog->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(w) && !qobject_cast<QCheckBox*>(w))
                continue;
            SCOPED_TRACE(w->property("text").toString().toStdString());
            EXPECT_GE(w->width(), w->sizeHint().width());
            EXPECT_TRUE(dialog->rect().contains(w->geometry()));
        }
    }
}
