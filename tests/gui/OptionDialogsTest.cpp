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

const QString kQuestion = "You have changed the segmentation options, do you want to start a new project?";

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
    void Press(const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    }
};

} // namespace

TEST(SegmentOptionsDlg, FieldsStartFromTheOptionsAndValidationReplacesOutOfRangeValues) {
    SegmentFixture f;
    EXPECT_EQ(f.dialog.windowTitle(), "Segmentation Options");
    EXPECT_FALSE(f.dialog.isModal());
    for (const auto& [field, text] : {std::pair{"maxSegmentLength", "3"},
                                      {"speechStartThreshold", "0.60"},
                                      {"speechEndThreshold", "0.20"},
                                      {"totalEnergyHistory", "14"},
                                      {"sampleValueThreshold", "10000"}})
        EXPECT_EQ(f.Field(field)->text(), text) << field;
    EXPECT_TRUE(f.dialog.findChild<QCheckBox*>("createLabelFile")->isChecked());
    struct Case {
        const char* field;
        const char* typed;
        const char* shownAfterValidation;
        const char* shownAfterOk;
    };
    const Case cases[] = {
        {"maxSegmentLength", "0", "3", "3"},
        {"maxSegmentLength", "1001", "3", "3"},
        {"speechStartThreshold", "5", "1.000000", "1.00"},
        {"speechStartThreshold", "0", "0.000010", "0.00"},
        {"speechEndThreshold", "inf", "0.000010", "0.00"}, // read in decimal notation only
        {"speechEndThreshold", "0.126", "0.126", "0.13"},
        {"totalEnergyHistory", "40000", "32767", "32767"},
        {"totalEnergyHistory", "-4", "0", "0"},
        {"sampleValueThreshold", "12.7", "12.7", "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.typed);
        f.Type(c.field, c.typed);
        f.dialog.ValidateSegmentationFields();
        EXPECT_EQ(f.Field(c.field)->text(), c.shownAfterValidation);
        f.Type(c.field, c.typed);
        f.dialog.accept();
        EXPECT_EQ(f.Field(c.field)->text(), c.shownAfterOk);
    }
    EXPECT_EQ(f.options.maxSegmentLength, 3);
    EXPECT_EQ(f.options.startThreshold, 0.00001f);
    // Later OKs read the two-decimal text that the refill left in the field.
    EXPECT_EQ(f.options.endThreshold, 0.13f);
    EXPECT_EQ(f.options.energyHistory, 0);
    EXPECT_EQ(f.options.sampleThreshold, 12.0f);
}

TEST(SegmentOptionsDlg, ChangedOptionsAskForANewProjectOnlyOutsideSetUp) {
    SegmentFixture f;
    // No change: nothing is asked.
    f.dialog.accept();
    EXPECT_TRUE(f.prompter.messages.empty());

    // A change while no set-up is on screen asks; No leaves the window alone.
    f.Type("maxSegmentLength", "5");
    f.prompter.answers = {Prompter::Answer::No};
    f.dialog.accept();
    ASSERT_EQ(f.prompter.Texts(), std::vector<QString>{kQuestion});
    EXPECT_EQ(f.prompter.messages[0].caption, "Segmentation Options");
    EXPECT_EQ(f.prompter.messages[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(f.newProjects, 0);
    EXPECT_EQ(f.options.maxSegmentLength, 5);

    // Yes starts a new project.
    f.dialog.findChild<QCheckBox*>("createLabelFile")->setChecked(false);
    f.prompter.answers = {Prompter::Answer::Yes};
    f.dialog.accept();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.newProjects, 1);

    // While the set-up controls are shown a change is stored without a question.
    f.setupShown = true;
    f.Type("totalEnergyHistory", "3");
    f.dialog.accept();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
    EXPECT_EQ(f.options.energyHistory, 3);

    // A value that rounds to the stored one after correction is no change.
    f.setupShown = false;
    f.Type("maxSegmentLength", "5.9");
    f.dialog.accept();
    EXPECT_EQ(f.prompter.messages.size(), 2u);
}

TEST(SegmentOptionsDlg, CancelAndEscKeepTheTypedTextForTheNextShowing) {
    SegmentFixture f;
    f.dialog.ShowDialog();
    f.Type("maxSegmentLength", "9");
    f.Press("cancel");
    EXPECT_FALSE(f.dialog.isVisible());
    f.dialog.ShowDialog();
    f.Type("totalEnergyHistory", "77");
    QTest::keyClick(&f.dialog, Qt::Key_Escape);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.options.maxSegmentLength, 3);
    EXPECT_EQ(f.options.energyHistory, 14);
    f.dialog.ShowDialog();
    EXPECT_EQ(f.Field("maxSegmentLength")->text(), "9");
    EXPECT_EQ(f.Field("totalEnergyHistory")->text(), "77");
    f.dialog.findChild<QCheckBox*>("createLabelFile")->setChecked(false);
    f.prompter.answers = {Prompter::Answer::No};
    f.Press("ok");
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.options.maxSegmentLength, 9);
    EXPECT_EQ(f.options.energyHistory, 77);
    EXPECT_FALSE(f.options.createLabelFile);
}

TEST(PlaybackOptionsDlg, OkStoresRewindAndSkipAndCancelKeepsText) {
    PlaybackOptions options;
    QWidget mainWindow;
    CPlaybackOptionsDlg dialog(options, &mainWindow);
    auto* rewind = dialog.findChild<QLineEdit*>("rewindTime");
    auto* skip = dialog.findChild<QCheckBox*>("skipSilenceFiles");
    EXPECT_EQ(dialog.windowTitle(), "Playback Options");
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(rewind->text(), "1");
    EXPECT_TRUE(skip->isChecked());

    dialog.ShowDialog();
    rewind->selectAll();
    QTest::keyClicks(rewind, "-4");
    skip->setChecked(false);
    QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(options.rewindSeconds, 0);
    EXPECT_EQ(rewind->text(), "0");
    EXPECT_FALSE(options.skipSilenceFiles);

    dialog.ShowDialog();
    rewind->selectAll();
    QTest::keyClicks(rewind, "12abc");
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(options.rewindSeconds, 0);
    dialog.ShowDialog();
    EXPECT_EQ(rewind->text(), "12abc");
    dialog.accept();
    EXPECT_EQ(options.rewindSeconds, 12);
    EXPECT_EQ(rewind->text(), "12abc");
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
